// Every conversion routine at 320x200 and 1920x1080, beside a memcpy of the
// destination-sized buffer and, where they have both formats, the same pair
// through SDL2 (SDL_ConvertPixels) and pixman (composite with operator SRC).
// Names read BM_<implementation>/<routine>/<size>, so the lines of one
// routine and size compare directly.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <pixman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "vxr/format/conversion_routines.h"
#include "vxr/format/pixel_format.h"

namespace {

// One format as each implementation names it; 0 where it has no such format.
struct Format {
    std::int32_t id;
    int bytes;
    Uint32 sdl;
    pixman_format_code_t pixman;
};

// vxr formats are little-endian values: ARGB8888 is SDL's packed ARGB8888
// and pixman's a8r8g8b8, while the 3-byte RGB888 (blue first in memory) is
// SDL's byte array BGR24 and pixman's r8g8b8.
const Format argb8888{vxr::ARGB8888, 4, SDL_PIXELFORMAT_ARGB8888, PIXMAN_a8r8g8b8};
const Format abgr8888{vxr::ABGR8888, 4, SDL_PIXELFORMAT_ABGR8888, PIXMAN_a8b8g8r8};
const Format rgba8888{vxr::RGBA8888, 4, SDL_PIXELFORMAT_RGBA8888, PIXMAN_r8g8b8a8};
const Format bgra8888{vxr::BGRA8888, 4, SDL_PIXELFORMAT_BGRA8888, PIXMAN_b8g8r8a8};
const Format rgb888{vxr::RGB888, 3, SDL_PIXELFORMAT_BGR24, PIXMAN_r8g8b8};
const Format bgr888{vxr::BGR888, 3, SDL_PIXELFORMAT_RGB24, PIXMAN_b8g8r8};
const Format rgb565{vxr::RGB565, 2, SDL_PIXELFORMAT_RGB565, PIXMAN_r5g6b5};
const Format bgr565{vxr::BGR565, 2, SDL_PIXELFORMAT_BGR565, PIXMAN_b5g6r5};
const Format argb1555{vxr::ARGB1555, 2, SDL_PIXELFORMAT_ARGB1555, PIXMAN_a1r5g5b5};
const Format abgr1555{vxr::ABGR1555, 2, SDL_PIXELFORMAT_ABGR1555, PIXMAN_a1b5g5r5};
const Format index8{vxr::INDEX8, 1, SDL_PIXELFORMAT_INDEX8, PIXMAN_c8};
// SDL2 has no grey format; pixman's g8 maps colours to grey levels through
// an index table.
const Format grey8{vxr::GREY8, 1, 0, PIXMAN_g8};
const Format rgb332{vxr::RGB332, 1, SDL_PIXELFORMAT_RGB332, PIXMAN_r3g3b2};

struct Pair {
    const char* routine;
    vxr::AreaRoutine area;
    Format source;
    Format destination;
};

#define VXR_PAIR(name, source, destination)          \
    {                                                \
#name, vxr::name##Block, source, destination \
    }
const Pair pairs[] = {
    VXR_PAIR(copy, argb8888, argb8888),
    VXR_PAIR(indexedTo32, index8, argb8888),
    VXR_PAIR(indexedTo24, index8, rgb888),
    VXR_PAIR(indexedTo16, index8, rgb565),
    VXR_PAIR(indexedTo8, index8, rgb332),
    VXR_PAIR(rgb565ToARGB8888, rgb565, argb8888),
    VXR_PAIR(rgb565ToABGR8888, rgb565, abgr8888),
    VXR_PAIR(rgb565ToRGBA8888, rgb565, rgba8888),
    VXR_PAIR(rgb565ToBGRA8888, rgb565, bgra8888),
    VXR_PAIR(rgb565ToRGB888, rgb565, rgb888),
    VXR_PAIR(rgb565ToBGR888, rgb565, bgr888),
    VXR_PAIR(rgb565ToBGR565, rgb565, bgr565),
    VXR_PAIR(rgb565ToARGB1555, rgb565, argb1555),
    VXR_PAIR(rgb565ToABGR1555, rgb565, abgr1555),
    VXR_PAIR(rgb565ToGREY8, rgb565, grey8),
    VXR_PAIR(rgb565ToRGB332, rgb565, rgb332),
    VXR_PAIR(argb8888ToABGR8888, argb8888, abgr8888),
    VXR_PAIR(argb8888ToRGBA8888, argb8888, rgba8888),
    VXR_PAIR(argb8888ToBGRA8888, argb8888, bgra8888),
    VXR_PAIR(argb8888ToRGB888, argb8888, rgb888),
    VXR_PAIR(argb8888ToBGR888, argb8888, bgr888),
    VXR_PAIR(argb8888ToRGB565, argb8888, rgb565),
    VXR_PAIR(argb8888ToBGR565, argb8888, bgr565),
    VXR_PAIR(argb8888ToARGB1555, argb8888, argb1555),
    VXR_PAIR(argb8888ToABGR1555, argb8888, abgr1555),
    VXR_PAIR(argb8888ToGREY8, argb8888, grey8),
    VXR_PAIR(argb8888ToRGB332, argb8888, rgb332),
};
#undef VXR_PAIR

struct Size {
    int width;
    int height;
};
const Size sizes[] = {{320, 200}, {1920, 1080}};

struct FreeBuffer {
    void operator()(std::uint8_t* buffer) const { std::free(buffer); }
};
using Buffer = std::unique_ptr<std::uint8_t[], FreeBuffer>;

// Cache-line aligned, filled with random bytes.
Buffer randomBuffer(std::size_t bytes, unsigned seed)
{
    const std::size_t rounded = (bytes + 63) / 64 * 64;
    Buffer buffer(static_cast<std::uint8_t*>(std::aligned_alloc(64, rounded)));
    std::mt19937 random(seed);
    for (std::size_t i = 0; i < rounded; ++i) buffer[i] = static_cast<std::uint8_t>(random());
    return buffer;
}

// The palette lookups that the indexed routines read, as a palette for the
// destination format would hold them.
const std::uint32_t* lookup32()
{
    static const auto table = [] {
        auto entries = std::make_unique<std::uint32_t[]>(256);
        std::mt19937 random(32);
        for (int i = 0; i < 256; ++i) entries[i] = random();
        return entries;
    }();
    return table.get();
}

const std::uint8_t* lookup8()
{
    static const auto table = [] {
        auto entries = std::make_unique<std::uint8_t[]>(256);
        std::mt19937 random(8);
        for (int i = 0; i < 256; ++i) entries[i] = static_cast<std::uint8_t>(random());
        return entries;
    }();
    return table.get();
}

// Source and destination of one pair at one size.
struct Images {
    Size size;
    int sourcePitch, destinationPitch;
    Buffer source, destination;

    Images(const Pair& pair, Size s)
        : size(s),
          sourcePitch(s.width * pair.source.bytes),
          destinationPitch(s.width * pair.destination.bytes),
          source(randomBuffer(std::size_t(sourcePitch) * s.height, 1)),
          destination(randomBuffer(std::size_t(destinationPitch) * s.height, 2))
    {
    }
    std::size_t destinationBytes() const { return std::size_t(destinationPitch) * size.height; }
};

void countPixels(benchmark::State& state, Size size)
{
    const double pixels = double(size.width) * size.height;
    state.SetItemsProcessed(std::int64_t(state.iterations()) * size.width * size.height);
    // Seconds per pixel (shown with a prefix, such as 95ps): the inverse of
    // pixels per second.
    state.counters["time_per_pixel"] = benchmark::Counter(
        pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void runVxr(benchmark::State& state, const Pair& pair, Size size)
{
    Images images(pair, size);
    vxr::AreaRequest request;
    request.sourceStart = images.source.get();
    request.destinationStart = images.destination.get();
    request.sourcePitch = images.sourcePitch;
    request.destinationPitch = images.destinationPitch;
    // A same-format copy counts bytes, not pixels.
    request.width = pair.area == vxr::copyBlock ? images.sourcePitch : size.width;
    request.height = size.height;
    request.lookup = pair.destination.bytes == 1 ? static_cast<const void*>(lookup8())
                                                 : static_cast<const void*>(lookup32());
    for (auto _ : state) {
        pair.area(request, request.lookup);
        benchmark::DoNotOptimize(images.destination.get());
        benchmark::ClobberMemory();
    }
    countPixels(state, size);
}

void runMemcpy(benchmark::State& state, const Pair& pair, Size size)
{
    Images images(pair, size);
    const Buffer copySource = randomBuffer(images.destinationBytes(), 3);
    for (auto _ : state) {
        std::memcpy(images.destination.get(), copySource.get(), images.destinationBytes());
        benchmark::DoNotOptimize(images.destination.get());
        benchmark::ClobberMemory();
    }
    countPixels(state, size);
}

// SDL_ConvertPixels refuses indexed sources; an SDL program converts those
// by blitting a paletted surface, so that is what is measured for them.
void runSdlBlit(benchmark::State& state, const Pair& pair, Images& images)
{
    const Size size = images.size;
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        images.source.get(), size.width, size.height, 8, images.sourcePitch, pair.source.sdl);
    SDL_Surface* destination = SDL_CreateRGBSurfaceWithFormatFrom(
        images.destination.get(), size.width, size.height, 8 * pair.destination.bytes,
        images.destinationPitch, pair.destination.sdl);
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t entry = lookup32()[i];
        colours[i] = {Uint8(entry >> 16), Uint8(entry >> 8), Uint8(entry), 255};
    }
    if (source == nullptr || destination == nullptr ||
        SDL_SetPaletteColors(source->format->palette, colours, 0, 256) != 0) {
        state.SkipWithError(SDL_GetError());
    } else {
        for (auto _ : state) {
            if (SDL_BlitSurface(source, nullptr, destination, nullptr) != 0) {
                state.SkipWithError(SDL_GetError());
                break;
            }
            benchmark::ClobberMemory();
        }
    }
    SDL_FreeSurface(source);
    SDL_FreeSurface(destination);
}

void runSdl(benchmark::State& state, const Pair& pair, Size size)
{
    Images images(pair, size);
    if (pair.source.sdl == SDL_PIXELFORMAT_INDEX8) {
        runSdlBlit(state, pair, images);
    } else {
        for (auto _ : state) {
            if (SDL_ConvertPixels(size.width, size.height, pair.source.sdl, images.source.get(),
                                  images.sourcePitch, pair.destination.sdl,
                                  images.destination.get(), images.destinationPitch) != 0) {
                state.SkipWithError(SDL_GetError());
                break;
            }
            benchmark::ClobberMemory();
        }
    }
    countPixels(state, size);
}

// pixman reads indexed pixels through a colour table and writes them through
// a table from 15-bit colours to indices; grey levels stand in for both.
pixman_indexed_t* greyIndexTable()
{
    static const auto table = [] {
        auto indexed = std::make_unique<pixman_indexed_t>();
        indexed->color = 0;
        for (std::uint32_t i = 0; i < 256; ++i) indexed->rgba[i] = lookup32()[i] | 0xFF000000u;
        for (std::uint32_t c = 0; c < 32768; ++c)
            indexed->ent[c] =
                static_cast<pixman_index_type>(((c >> 10) + ((c >> 5) & 31) + (c & 31)) * 8 / 3);
        return indexed;
    }();
    return table.get();
}

void runPixman(benchmark::State& state, const Pair& pair, Size size)
{
    Images images(pair, size);
    pixman_image_t* source = pixman_image_create_bits(
        pair.source.pixman, size.width, size.height,
        reinterpret_cast<std::uint32_t*>(images.source.get()), images.sourcePitch);
    pixman_image_t* destination = pixman_image_create_bits(
        pair.destination.pixman, size.width, size.height,
        reinterpret_cast<std::uint32_t*>(images.destination.get()), images.destinationPitch);
    for (pixman_image_t* image : {source, destination}) {
        const pixman_format_code_t format = pixman_image_get_format(image);
        if (format == PIXMAN_c8 || format == PIXMAN_g8)
            pixman_image_set_indexed(image, greyIndexTable());
    }
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, destination, 0, 0, 0, 0, 0, 0,
                                 size.width, size.height);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(source);
    pixman_image_unref(destination);
    countPixels(state, size);
}

void add(const char* implementation, const Pair& pair, Size size,
         void (*run)(benchmark::State&, const Pair&, Size))
{
    const std::string name = std::string("BM_") + implementation + "/" + pair.routine + "/" +
                             std::to_string(size.width) + "x" + std::to_string(size.height);
    benchmark::RegisterBenchmark(name.c_str(), run, pair, size)->Unit(benchmark::kMicrosecond);
}

const bool registered = [] {
    // The routines read the process-wide tables that the converter tables
    // would otherwise have built at start-up.
    vxr::buildExpansionTables();
    for (const Pair& pair : pairs) {
        for (const Size size : sizes) {
            add("vxr", pair, size, runVxr);
            add("memcpy", pair, size, runMemcpy);
            if (pair.source.sdl != 0 && pair.destination.sdl != 0) add("sdl2", pair, size, runSdl);
            if (pair.source.pixman != 0 && pair.destination.pixman != 0)
                add("pixman", pair, size, runPixman);
        }
    }
    return true;
}();

}  // namespace
