// Renders the demo's frames with no display, on memory surfaces:
//
//   tunnel-render [--texture PATH] [--free-run N] [--frames FIRST[-LAST]] --out PATTERN
//
// The frames follow the demo's schedule (fly-in, N free-run frames, swirl-out,
// fade-out) and are written to printf-style PATTERN names; the extension picks
// the file kind: .raw (RGB565 as stored), .ppm (binary P6) or .tga (24-bit).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace {

using demo::FrameSchedule;

constexpr int WIDTH = demo::Tunnel::FRAME_WIDTH;
constexpr int HEIGHT = demo::Tunnel::FRAME_HEIGHT;

enum class FileKind { RAW, PPM, TGA };

struct Options {
    std::string texture = "zor.tga";
    long freeRunFrames = 300;
    long first = 0;
    long last = -1;  // -1: to the end
    std::string pattern;
    FileKind kind = FileKind::RAW;
};

int usage(const char* why)
{
    std::fprintf(stderr,
                 "tunnel-render: %s\nusage: tunnel-render [--texture PATH] [--free-run N] "
                 "[--frames FIRST[-LAST]] --out PATTERN(.raw|.ppm|.tga)\n",
                 why);
    return 2;
}

bool parseCount(const char* text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 && value <= 10'000'000;
}

bool parseRange(const char* text, long& first, long& last)
{
    const char* dash = std::strchr(text, '-');
    if (!dash) {
        if (!parseCount(text, first)) return false;
        last = first;
        return true;
    }
    const std::string head(text, dash);
    return parseCount(head.c_str(), first) && parseCount(dash + 1, last) && first <= last;
}

// The pattern must hold exactly one integer conversion and nothing else
// that printf would read from missing arguments.
bool patternIsSafe(const std::string& pattern)
{
    int conversions = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < pattern.size() && std::strchr("0123456789-+ #", pattern[j])) ++j;
        if (j >= pattern.size() || !std::strchr("diuxX", pattern[j])) return false;
        ++conversions;
        i = j;
    }
    return conversions <= 1;
}

bool endsWith(const std::string& text, const char* suffix)
{
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && text.compare(text.size() - length, length, suffix) == 0;
}

const char* parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i + 1 >= argc) return "every option takes a value";
        const char* value = argv[++i];
        if (argument == "--texture") {
            options.texture = value;
        } else if (argument == "--free-run") {
            if (!parseCount(value, options.freeRunFrames)) return "--free-run takes a count";
        } else if (argument == "--frames") {
            if (!parseRange(value, options.first, options.last))
                return "--frames takes FIRST or FIRST-LAST";
        } else if (argument == "--out") {
            options.pattern = value;
        } else {
            return "unknown option";
        }
    }
    if (options.pattern.empty()) return "--out is required";
    if (!patternIsSafe(options.pattern)) return "the pattern may hold one integer conversion";
    if (endsWith(options.pattern, ".raw")) options.kind = FileKind::RAW;
    else if (endsWith(options.pattern, ".ppm")) options.kind = FileKind::PPM;
    else if (endsWith(options.pattern, ".tga")) options.kind = FileKind::TGA;
    else return "the pattern must end in .raw, .ppm or .tga";
    return nullptr;
}

// Why the tunnel would refuse this texture, or null when it would not.
const char* textureProblem(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "the texture file cannot be opened";
    std::fclose(file);
    vxr::Surface image(path.c_str(), vxr::MEMORY_SYSTEM, vxr::TOP_DOWN, 0, vxr::VARIANT_DEFAULT);
    if (!image.isValid()) return "the texture is not an uncompressed TGA image";
    if (image.width() != 256 || image.height() != 256) return "the texture is not 256 x 256";
    if (image.format().id != vxr::INDEX8) return "the texture is not 8-bit colour-mapped";
    if (!image.palette()) return "the texture has no palette";
    return "the texture could not be prepared";
}

bool writeAll(std::FILE* file, const void* data, std::size_t size)
{
    return std::fwrite(data, 1, size, file) == size;
}

// The frame in a 24-bit layout, converted by the library's own routines.
std::vector<std::uint8_t> packed24(vxr::Surface& frame, std::int32_t formatId)
{
    vxr::Surface converted(&vxr::Console::defaultConsole(), WIDTH, HEIGHT,
                           vxr::PixelFormat(formatId), vxr::MEMORY_SYSTEM, vxr::TOP_DOWN, 0,
                           vxr::VARIANT_DEFAULT);
    std::vector<std::uint8_t> bytes;
    if (!converted.isValid() || !frame.copy(&converted, 0)) return bytes;
    const std::uint8_t* pixels = converted.lock(1);
    bytes.assign(pixels, pixels + WIDTH * HEIGHT * 3);
    converted.unlock();
    return bytes;
}

bool writeFrame(vxr::Surface& frame, FileKind kind, const char* path)
{
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool written = false;
    if (kind == FileKind::RAW) {
        const std::uint8_t* pixels = frame.lock(1);
        written = pixels && writeAll(file, pixels, WIDTH * HEIGHT * 2);
        frame.unlock();
    } else if (kind == FileKind::PPM) {
        const std::vector<std::uint8_t> rgb = packed24(frame, vxr::BGR888);  // R, G, B bytes
        char header[32];
        const int length = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", WIDTH, HEIGHT);
        written = !rgb.empty() && writeAll(file, header, length) &&
                  writeAll(file, rgb.data(), rgb.size());
    } else {
        const std::vector<std::uint8_t> bgr = packed24(frame, vxr::RGB888);  // B, G, R bytes
        const std::uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         WIDTH & 0xFF, WIDTH >> 8, HEIGHT & 0xFF, HEIGHT >> 8,
                                         24, 0x20};  // rows stored top first
        written = !bgr.empty() && writeAll(file, header, sizeof header) &&
                  writeAll(file, bgr.data(), bgr.size());
    }
    return std::fclose(file) == 0 && written;
}

FrameSchedule::Frame frameParameters(long index, long freeRunFrames)
{
    if (index < FrameSchedule::FLY_IN_FRAMES) return FrameSchedule::flyIn(index);
    index -= FrameSchedule::FLY_IN_FRAMES;
    if (index < freeRunFrames) return FrameSchedule::freeRun();
    index -= freeRunFrames;
    if (index < FrameSchedule::SWIRL_OUT_FRAMES) return FrameSchedule::swirlOut(index);
    return FrameSchedule::fadeOut(index - FrameSchedule::SWIRL_OUT_FRAMES);
}

int render(const Options& options)
{
    demo::Tunnel tunnel;
    tunnel.init(options.texture.c_str(), 255.0f);
    if (!tunnel.isReady()) {
        std::fprintf(stderr, "tunnel-render: %s: %s\n", options.texture.c_str(),
                     textureProblem(options.texture));
        return 1;
    }
    vxr::Surface frame(&vxr::Console::defaultConsole(), WIDTH, HEIGHT,
                       vxr::PixelFormat(vxr::RGB565), vxr::MEMORY_SYSTEM, vxr::TOP_DOWN, 0,
                       vxr::VARIANT_DEFAULT);
    const long total = FrameSchedule::FLY_IN_FRAMES + options.freeRunFrames +
                       FrameSchedule::SWIRL_OUT_FRAMES + FrameSchedule::FADE_OUT_FRAMES;
    const long last = options.last < 0 ? total - 1 : std::min(options.last, total - 1);
    float t = 0.0f;
    for (long index = 0; index <= last; ++index) {
        const FrameSchedule::Frame parameters = frameParameters(index, options.freeRunFrames);
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        if (index >= options.first) {
            tunnel.render(frame, t, parameters.zoom, parameters.fade);
            char path[4096];
            std::snprintf(path, sizeof path, options.pattern.c_str(), static_cast<int>(index));
            if (!writeFrame(frame, options.kind, path)) {
                std::fprintf(stderr, "tunnel-render: cannot write %s\n", path);
                return 1;
            }
        }
        t = FrameSchedule::nextTime(t);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const char* problem = parse(argc, argv, options)) return usage(problem);
    return render(options);
}
