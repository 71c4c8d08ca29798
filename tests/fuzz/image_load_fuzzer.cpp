// libFuzzer target: arbitrary bytes loaded as an image file, and every image
// that loads copied into surfaces of other formats, so that the decoder, the
// surface's checks and the converters all see what a hostile file can make
// of them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "vxr/console/console.h"
#include "vxr/format/pixel_format.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace {

// The loader reads files, so each input goes through one temporary file of
// this process, removed at exit. A plain buffer, not a string, so that it is
// still there when the exit handler runs.
char inputPathBuffer[4096];

void removeInput() { std::remove(inputPathBuffer); }

const char* inputPath()
{
    if (!inputPathBuffer[0]) {
        const char* directory = std::getenv("TMPDIR");
        if (!directory || !*directory) directory = "/tmp";
        std::snprintf(inputPathBuffer, sizeof inputPathBuffer, "%s/vxr-image-fuzz-XXXXXX",
                      directory);
        const int descriptor = mkstemp(inputPathBuffer);
        if (descriptor < 0) {
            std::perror("image_load_fuzzer: mkstemp");
            std::abort();
        }
        close(descriptor);
        std::atexit(removeInput);
    }
    return inputPathBuffer;
}

bool writeInput(const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(inputPath(), "wb");
    if (!file) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A whole copy into a surface of the given format and orientation; a copy
// between different orientations goes through the area path instead.
void copyInto(vxr::Surface& image, std::int32_t formatId, std::int32_t orientation)
{
    const vxr::PixelFormat format(formatId);
    vxr::Surface target(&vxr::Console::defaultConsole(), image.width(), image.height(), format,
                        vxr::MEMORY_SYSTEM, orientation, 0, vxr::VARIANT_DEFAULT);
    // A file that loaded held all its pixels, so the image is no larger than
    // the input: a surface of its size must be possible in any format.
    if (!target.isValid()) std::abort();
    // Every format a file can load in converts to the direct formats.
    if (!image.copy(&target, 0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (!writeInput(data, size)) std::abort();
    // The orientation is taken from the input's length, so both row
    // placements are exercised without spending input bytes on it.
    const std::int32_t orientation = size % 2 ? vxr::BOTTOM_UP : vxr::TOP_DOWN;
    vxr::Surface image;
    if (!image.load(inputPath(), vxr::MEMORY_SYSTEM, orientation, 0, -1)) {
        if (image.isValid()) std::abort();  // a failed load leaves nothing behind
        return 0;
    }
    copyInto(image, vxr::ARGB8888, vxr::TOP_DOWN);
    copyInto(image, vxr::RGB565, vxr::BOTTOM_UP);
    return 0;
}
