#include "vxr/surface/surface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <memory>
#include <random>
#include <vector>

#include "vxr/console/console.h"
#include "vxr/console/core/null_console.h"
#include "vxr/last_error.h"
#include "vxr/surface/copy_clipping.h"
#include "vxr/surface/memory_store.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace vxr {
namespace {

const PixelFormat rgb565(RGB565);
const PixelFormat argb(ARGB8888);

// Hands out memory stores and then reports, for one parameter, a value of
// its own choosing, the way a device store that cannot honour a request does.
class ReportingConsole : public Console {
public:
    SurfaceStore* createStore(int* width, int* height, const PixelFormat* format, int* kind,
                              int* orientation, int* padding, int* variant) override
    {
        ++stores;
        int ownKind = *kind == MEMORY_ANY || *kind == MEMORY_DISPLAY ? -1 : *kind;
        SurfaceStore* store =
            Console::createStore(width, height, format, &ownKind, orientation, padding, variant);
        if (store) *kind = reportedKind;
        if (store && reportedWidth) *width = reportedWidth;
        return store;
    }

    int reportedKind = MEMORY_SYSTEM;
    int reportedWidth = 0;
    int stores = 0;
};

// A console with a screen surface, like a display console once open.
class ScreenConsole : public Console {
public:
    ScreenConsole() : screen(this, 16, 8, argb, -1, -1, -1, -1) {}
    Surface* primary() override { return &screen; }
    Surface screen;
};

void fillPattern(Surface& surface)
{
    std::uint8_t* pixels = surface.lock(1);
    const PixelFormat format = surface.format();
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width() * format.bytes; ++x)
            pixels[y * surface.pitch() + x] = static_cast<std::uint8_t>(x * 7 + y * 31 + 1);
    surface.unlock();
}

// Every byte of a surface's lines, padding included, top line first.
std::vector<std::uint8_t> bytesOf(Surface& surface)
{
    const std::uint8_t* pixels = surface.lock(1);
    const std::int64_t stride = surface.pitch() < 0 ? -std::int64_t{surface.pitch()} : surface.pitch();
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < surface.height(); ++y) {
        const std::uint8_t* line = pixels + std::int64_t{y} * surface.pitch();
        bytes.insert(bytes.end(), line, line + stride);
    }
    surface.unlock();
    return bytes;
}

std::uint32_t pixelAt(Surface& surface, int x, int y)
{
    const std::uint8_t* pixels = surface.lock(1);
    std::uint32_t value = 0;
    std::memcpy(&value, pixels + std::int64_t{y} * surface.pitch() + x * surface.format().bytes,
                surface.format().bytes);
    surface.unlock();
    return value;
}

TEST(Surface, StartsEmptyOnTheSentinels)
{
    Surface surface;
    EXPECT_EQ(surface.isValid(), 0);
    EXPECT_EQ(surface.width(), 0);
    EXPECT_EQ(surface.pitch(), 0);
    EXPECT_EQ(surface.lock(1), nullptr);
    EXPECT_EQ(surface.palette(), nullptr);
    EXPECT_EQ(surface.console(), &NullConsole::forSurfaces());
    EXPECT_EQ(surface.update(), 0);
    Surface other;
    EXPECT_EQ(surface.copy(&other, 0), 0);
}

TEST(Surface, BadCreateRequestsLeaveTheOldStorage)
{
    Console console;
    Surface surface(&console, 4, 3, rgb565, -1, -1, -1, -1);
    ASSERT_TRUE(surface.isValid());
    const std::uint8_t* pixels = surface.lock(1);
    surface.unlock();
    EXPECT_EQ(surface.create(&console, 0, 3, &rgb565, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.create(&console, 4, -1, &rgb565, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.create(&console, 4, 3, &rgb565, -1, -1, -2, -1), 0);
    EXPECT_EQ(surface.create(nullptr, 4, 3, &rgb565, -1, -1, -1, -1), 0);
    const PixelFormat custom(0x7C00, 0x03E0, 0x001F, 0, RGB, -1);
    EXPECT_EQ(surface.create(&console, 4, 3, &custom, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.create(&console, 4, 3, &rgb565, MEMORY_DISPLAY, -1, -1, -1), 0);
    EXPECT_EQ(surface.width(), 4);
    EXPECT_EQ(surface.lock(1), pixels);
    surface.unlock();
}

// 70000 x 70000 ARGB is 19.6 GB: where a ptrdiff_t has 32 bits the surface
// is refused with the store's reason, never made from a wrapped size.
TEST(Surface, ASurfaceBeyondTheAddressSpaceIsRefusedWithTheReason)
{
    if (PTRDIFF_MAX > INT32_MAX)
        GTEST_SKIP() << "a 64-bit address space holds this surface; allocating it is no test";
    Console console;
    Surface surface(&console, 4, 3, argb, -1, -1, -1, -1);
    ASSERT_TRUE(surface.isValid());
    EXPECT_EQ(surface.create(&console, 70000, 70000, &argb, -1, -1, -1, -1), 0);
    EXPECT_NE(std::string(lastError()).find("70000 x 70000 surface is larger than this machine"),
              std::string::npos)
        << lastError();
    EXPECT_EQ(surface.width(), 4);
}

TEST(Surface, MemoryAnyAcceptsEitherKindButExactRequestsMustMatch)
{
    ReportingConsole console;
    Surface surface;
    console.reportedKind = MEMORY_DISPLAY;
    EXPECT_EQ(surface.create(&console, 4, 4, &rgb565, MEMORY_ANY, -1, -1, -1), 1);
    EXPECT_EQ(surface.memoryKind(), MEMORY_DISPLAY);
    console.reportedKind = MEMORY_SYSTEM;
    EXPECT_EQ(surface.create(&console, 4, 4, &rgb565, MEMORY_ANY, -1, -1, -1), 1);
    EXPECT_EQ(surface.create(&console, 4, 4, &rgb565, MEMORY_DISPLAY, -1, -1, -1), 0);
    EXPECT_EQ(surface.memoryKind(), MEMORY_SYSTEM);
}

TEST(Surface, AStoreReportingOtherThanAskedIsDropped)
{
    ReportingConsole console;
    Surface surface(&console, 4, 4, rgb565, -1, -1, -1, -1);
    ASSERT_TRUE(surface.isValid());
    console.reportedWidth = 5;
    EXPECT_EQ(surface.create(&console, 6, 6, &rgb565, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.width(), 4);
    EXPECT_TRUE(surface.isValid());
}

TEST(Surface, PitchFollowsOrientationAndPadding)
{
    Console console;
    Surface bottomUp(&console, 320, 200, rgb565, -1, BOTTOM_UP, -1, -1);
    EXPECT_EQ(bottomUp.pitch(), -640);
    EXPECT_EQ(bottomUp.orientation(), BOTTOM_UP);
    Surface padded(&console, 3, 2, PixelFormat(RGB888), -1, -1, 4, -1);
    EXPECT_EQ(padded.pitch(), 13);
    EXPECT_EQ(padded.pixelCount(), 6);
    EXPECT_EQ(padded.area(), (Rect{0, 0, 3, 2}));
}

TEST(Surface, GreySurfacesGetARamp)
{
    Console console;
    Surface grey(&console, 2, 2, PixelFormat(GREY8), -1, -1, -1, -1);
    Palette* palette = grey.palette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->lock()[128], 0x808080u);
    palette->unlock();
    Surface direct(&console, 2, 2, rgb565, -1, -1, -1, -1);
    EXPECT_EQ(direct.palette(), nullptr);
    Palette colours;
    EXPECT_EQ(direct.setPalette(colours), 0);
}

TEST(Surface, PalettesAreCopiedOrSharedByCount)
{
    Console console;
    Surface first(&console, 2, 2, PixelFormat(INDEX8), -1, -1, -1, -1);
    Surface second(&console, 2, 2, PixelFormat(INDEX8), -1, -1, -1, -1);
    Palette colours;
    colours.lock()[1] = 0x00ABCDEF;
    colours.unlock();
    ASSERT_EQ(first.setPalette(colours), 1);
    colours.lock()[1] = 0;  // later changes stay with the caller
    colours.unlock();
    ASSERT_NE(first.palette(), nullptr);
    EXPECT_EQ(first.palette()->lock()[1], 0x00ABCDEFu);
    first.palette()->unlock();

    ASSERT_EQ(second.attachPalette(first.palette()), 1);
    EXPECT_EQ(first.palette()->references(), 2);
    EXPECT_EQ(second.attachPalette(first.palette()), 1);
    EXPECT_EQ(first.palette()->references(), 2);
    first.releaseStorage();
    ASSERT_NE(second.palette(), nullptr);
    EXPECT_EQ(second.palette()->references(), 1);
    EXPECT_EQ(second.attachPalette(nullptr), 0);
}

TEST(Surface, WholeCopiesConvertEveryPixel)
{
    Console console;
    Surface source(&console, 320, 200, rgb565, -1, -1, -1, -1);
    Surface target(&console, 320, 200, argb, -1, -1, -1, -1);
    std::uint16_t* pixels = reinterpret_cast<std::uint16_t*>(source.lock(1));
    pixels[0] = 0xFFFF;
    pixels[320 * 200 - 1] = 0xF800;
    source.unlock();
    ASSERT_EQ(source.copy(&target, 0), 1);
    EXPECT_EQ(pixelAt(target, 0, 0), 0x00FEFEFEu);
    EXPECT_EQ(pixelAt(target, 319, 199), 0x00FE0000u);
    EXPECT_EQ(pixelAt(target, 1, 0), 0u);

    // Flags no store knows touch nothing: not one byte of the target moves.
    fillPattern(source);
    const std::vector<std::uint8_t> before = bytesOf(target);
    EXPECT_EQ(source.copy(&target, 1), 0);
    EXPECT_EQ(source.copy(&source, 0), 0);
    EXPECT_EQ(bytesOf(target), before);
}

TEST(Surface, WholeAndAreaCopiesAgree)
{
    Console console;
    for (int orientation : {TOP_DOWN, BOTTOM_UP}) {
        Surface source(&console, 37, 23, rgb565, -1, orientation, -1, -1);
        fillPattern(source);
        Surface whole(&console, 37, 23, argb, -1, orientation, -1, -1);
        Surface byArea(&console, 37, 23, argb, -1, BOTTOM_UP + TOP_DOWN - orientation, 8, -1);
        ASSERT_EQ(source.copy(&whole, 0), 1);
        const Rect all = source.area();
        ASSERT_EQ(source.copyArea(&byArea, &all, &all, 0), 1);
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) ASSERT_EQ(pixelAt(whole, x, y), pixelAt(byArea, x, y));
    }
}

TEST(Surface, CopiesBetweenSizesTakeTheCommonTopLeft)
{
    Console console;
    Surface large(&console, 320, 200, rgb565, -1, -1, -1, -1);
    Surface small(&console, 100, 50, rgb565, -1, -1, -1, -1);
    fillPattern(large);
    ASSERT_EQ(large.copy(&small, 0), 1);
    for (int y : {0, 49})
        for (int x : {0, 57, 99}) EXPECT_EQ(pixelAt(small, x, y), pixelAt(large, x, y));
}

TEST(Surface, IndexedCopiesNeedThePalette)
{
    Console console;
    Surface indexed(&console, 4, 1, PixelFormat(INDEX8), -1, -1, -1, -1);
    Surface target(&console, 4, 1, rgb565, -1, -1, -1, -1);
    std::uint8_t* pixels = indexed.lock(1);
    pixels[2] = 7;
    indexed.unlock();
    // Without a palette of its own the surface converts through black.
    ASSERT_EQ(indexed.copy(&target, 0), 1);
    EXPECT_EQ(pixelAt(target, 2, 0), 0u);
    Palette colours;
    colours.lock()[7] = 0x00FFFFFF;
    colours.unlock();
    ASSERT_EQ(indexed.setPalette(colours), 1);
    ASSERT_EQ(indexed.copy(&target, 0), 1);
    EXPECT_EQ(pixelAt(target, 2, 0), 0xFFFFu);
}

TEST(Surface, AreaPartlyLeftOfTheSourceMovesTheDestination)
{
    Console console;
    Surface source(&console, 8, 8, PixelFormat(GREY8), -1, -1, -1, -1);
    Surface target(&console, 8, 8, PixelFormat(GREY8), -1, -1, -1, -1);
    fillPattern(source);
    const Rect from{-3, 0, 2, 1};
    const Rect to{4, 5, 9, 6};
    ASSERT_EQ(source.copyArea(&target, &from, &to, 0), 1);
    EXPECT_EQ(from, (Rect{-3, 0, 2, 1}));  // the caller's areas are not changed
    EXPECT_EQ(pixelAt(target, 6, 5), 0u);
    EXPECT_EQ(pixelAt(target, 7, 5), pixelAt(source, 0, 0));
    EXPECT_EQ(pixelAt(target, 4, 5), 0u);

    // A copy clipped to nothing succeeds and writes nothing.
    const std::vector<std::uint8_t> before = bytesOf(target);
    const Rect outside{20, 20, 30, 30};
    EXPECT_EQ(source.copyArea(&target, &outside, &to, 0), 1);
    const Rect belowTarget{0, 9, 5, 12};
    EXPECT_EQ(source.copyArea(&target, &from, &belowTarget, 0), 1);
    EXPECT_EQ(bytesOf(target), before);
}

// The expected result of a copy, pixel by pixel: offset i of the two areas
// is copied when it lies inside both areas and both clip rectangles.
void referenceCopy(const std::vector<std::uint8_t>& source, int sourceWidth, Rect s,
                   const Rect& sourceClip, std::vector<std::uint8_t>& target, int targetWidth,
                   Rect t, const Rect& targetClip)
{
    s = s.normalised();
    t = t.normalised();
    const std::int64_t width = std::min(s.width(), t.width());
    const std::int64_t height = std::min(s.height(), t.height());
    auto inside = [](const Rect& r, std::int64_t x, std::int64_t y) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    for (std::int64_t j = 0; j < height; ++j)
        for (std::int64_t i = 0; i < width; ++i) {
            const std::int64_t sx = s.left + i, sy = s.top + j, tx = t.left + i, ty = t.top + j;
            if (inside(sourceClip, sx, sy) && inside(targetClip, tx, ty))
                target[ty * targetWidth + tx] = source[sy * sourceWidth + sx];
        }
}

Rect randomRect(std::mt19937& random, int extent)
{
    std::uniform_int_distribution<int> coordinate(-extent / 2, extent + extent / 2);
    return Rect{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
}

Rect randomClip(std::mt19937& random, int width, int height)
{
    std::uniform_int_distribution<int> x(0, width), y(0, height);
    return Rect{x(random), y(random), x(random), y(random)}.normalised();
}

TEST(Surface, ClippedCopiesMatchABruteForceReference)
{
    Console console;
    std::mt19937 random(20261207);
    constexpr int guard = 16;
    for (int round = 0; round < 3000; ++round) {
        const int sw = 1 + round % 13, sh = 1 + round % 7, tw = 1 + round % 11, th = 1 + round % 9;
        Surface source(&console, sw, sh, PixelFormat(GREY8), -1, -1, -1, -1);
        // Padding on the destination gives guard bytes between and after lines.
        Surface target(&console, tw, th, PixelFormat(GREY8), -1, -1, guard, -1);
        fillPattern(source);
        const Rect sourceClip = round % 3 == 0 ? source.area() : randomClip(random, sw, sh);
        const Rect targetClip = round % 5 == 0 ? target.area() : randomClip(random, tw, th);
        source.setClip(ClipRecord(sourceClip, source.area()));
        target.setClip(ClipRecord(target.area(), targetClip));
        const Rect s = randomRect(random, sw), t = randomRect(random, tw);

        std::vector<std::uint8_t> expectedSource(sw * sh), expected(tw * th, 0);
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x) expectedSource[y * sw + x] = pixelAt(source, x, y);
        referenceCopy(expectedSource, sw, s, sourceClip, expected, tw, t, targetClip);

        ASSERT_EQ(source.copyArea(&target, &s, &t, 0), 1) << round;
        const std::uint8_t* pixels = target.lock(1);
        for (int y = 0; y < th; ++y) {
            for (int x = 0; x < tw; ++x)
                ASSERT_EQ(pixels[y * target.pitch() + x], expected[y * tw + x])
                    << "round " << round << " at " << x << "," << y;
            for (int g = 0; g < guard; ++g) ASSERT_EQ(pixels[y * target.pitch() + tw + g], 0);
        }
        target.unlock();
    }
}

TEST(ClipCopyAreas, OneSidedClipsLeaveTheOtherAreaAlone)
{
    const ClipRecord clip(Rect{0, 0, 10, 10}, Rect{0, 0, 10, 10});
    Rect s{-5, -5, 5, 5}, t{20, 20, 40, 40};
    EXPECT_TRUE(clipCopyAreas(&clip, s, nullptr, t));
    EXPECT_EQ(s, (Rect{0, 0, 5, 5}));
    EXPECT_EQ(t, (Rect{20, 20, 40, 40}));
    EXPECT_FALSE(clipCopyAreas(nullptr, s, &clip, t));
    EXPECT_EQ(t, (Rect{20, 20, 40, 40}));
    Rect t2{-1, 8, 3, 12};
    EXPECT_TRUE(clipCopyAreas(nullptr, s, &clip, t2));
    EXPECT_EQ(t2, (Rect{0, 8, 3, 10}));
    EXPECT_TRUE(clipCopyAreas(nullptr, s, nullptr, t));
    EXPECT_EQ(s, (Rect{0, 0, 5, 5}));
}

TEST(ClipCopyAreas, ExtremeAreasDoNotOverflow)
{
    const ClipRecord clip(Rect{0, 0, 10, 10}, Rect{0, 0, 10, 10});
    Rect s{INT32_MIN, INT32_MIN, 5, 5}, t{INT32_MAX - 2, 0, INT32_MAX, 5};
    EXPECT_FALSE(clipCopyAreas(&clip, s, &clip, t));
    Rect s2{-2, 0, 3, 3}, t2{INT32_MIN, 0, INT32_MIN + 5, 3};
    EXPECT_FALSE(clipCopyAreas(&clip, s2, &clip, t2));
}

TEST(Surface, UpdateCopiesToTheConsolesScreen)
{
    ScreenConsole console;
    Surface frame(&console, 16, 8, rgb565, -1, -1, -1, -1);
    std::uint16_t* pixels = reinterpret_cast<std::uint16_t*>(frame.lock(1));
    pixels[3] = 0x07E0;
    frame.unlock();
    ASSERT_EQ(frame.update(), 1);
    EXPECT_EQ(pixelAt(console.screen, 3, 0), 0x0000FE00u);
    EXPECT_EQ(frame.copyToConsole(nullptr), 0);
    Console screenless;
    EXPECT_EQ(frame.copyToConsole(&screenless), 0);
}

TEST(Surface, ASurfaceOverTheProgramsMemoryReadsItAtItsPitchAndNeverFreesIt)
{
    ScreenConsole console;
    // Two lines of three RGB565 pixels, ten bytes apart; the gap is junk.
    auto memory = std::make_unique<std::uint8_t[]>(20);
    std::memset(memory.get(), 0xEE, 20);
    const std::uint16_t line0[3] = {0xF800, 0x07E0, 0x001F};
    const std::uint16_t line1[3] = {0xFFFF, 0x0000, 0x8410};
    std::memcpy(memory.get(), line0, 6);
    std::memcpy(memory.get() + 10, line1, 6);
    {
        Surface view;
        ASSERT_EQ(view.createOver(&console, memory.get(), 10, 3, 2, rgb565), 1) << lastError();
        EXPECT_EQ(view.pitch(), 10);
        EXPECT_EQ(view.linePadding(), 4);
        EXPECT_EQ(view.lock(1), memory.get());
        view.unlock();
        ASSERT_EQ(view.update(), 1);
        // Full channels widen as every RGB565 copy here widens them.
        EXPECT_EQ(pixelAt(console.screen, 0, 0), 0x00FE0000u);
        EXPECT_EQ(pixelAt(console.screen, 2, 0), 0x000000FEu);
        EXPECT_EQ(pixelAt(console.screen, 0, 1), 0x00FEFEFEu);
        EXPECT_EQ(pixelAt(console.screen, 1, 1), 0u);
    }
    // The program's memory outlives the surface (AddressSanitizer would
    // report a free of memory the surface never allocated).
    EXPECT_EQ(memory[6], 0xEE);
}

TEST(Surface, ASurfaceOverMemoryItCannotReadIsRefusedWithAReason)
{
    Console console;
    std::uint8_t memory[64] = {};
    Surface view(&console, 4, 4, rgb565, -1, -1, -1, -1);
    ASSERT_TRUE(view.isValid());
    const struct {
        void* pixels;
        std::int64_t pitch;
        int width;
    } refused[] = {{nullptr, 8, 4},
                   {memory, -8, 4},
                   {memory, 7, 4},
                   {memory, std::int64_t{INT32_MAX} + 1, 4},
                   {memory, 8, 0}};
    for (const auto& request : refused) {
        clearLastError();
        EXPECT_EQ(view.createOver(&console, request.pixels, request.pitch, request.width, 4, rgb565), 0)
            << request.pitch;
        EXPECT_STRNE(lastError(), "");
        // The surface keeps what it had.
        EXPECT_EQ(view.width(), 4);
        EXPECT_EQ(view.pitch(), 8);
    }
    EXPECT_EQ(view.createOver(nullptr, memory, 8, 4, 4, rgb565), 0);
    EXPECT_EQ(view.createOver(&console, memory, 8, 4, 4, PixelFormat()), 0);
}

#ifdef __linux__
// A 2x2 24-bit image, top line first, as any TGA writer makes it.
std::string writeSmallTga()
{
    const std::string path = ::testing::TempDir() + "vxr_request_check.tga";
    const std::uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0x20};
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return {};
    std::fwrite(header, 1, sizeof header, file);
    const std::uint8_t pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::fwrite(pixels, 1, sizeof pixels, file);
    std::fclose(file);
    return path;
}

// Counts the times a file is opened from the moment it is made.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path)
        : descriptor(inotify_init1(IN_NONBLOCK)),
          watch(descriptor >= 0 ? inotify_add_watch(descriptor, path.c_str(), IN_OPEN) : -1)
    {
    }
    ~OpenWatch()
    {
        if (descriptor >= 0) close(descriptor);
    }
    bool ready() const { return watch >= 0; }
    int opensSinceLastAsked()
    {
        int opens = 0;
        alignas(inotify_event) char events[4096];
        for (;;) {
            const ssize_t got = read(descriptor, events, sizeof events);
            if (got <= 0) return opens;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                opens += (event->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int descriptor;
    int watch;
};

TEST(Surface, LoadChecksItsRequestBeforeTheFile)
{
    const std::string path = writeSmallTga();
    ASSERT_FALSE(path.empty());
    OpenWatch watch(path);
    ASSERT_TRUE(watch.ready());

    Surface surface;
    EXPECT_EQ(surface.load(path.c_str(), -1, -1, 4, -1), 0);
    EXPECT_EQ(surface.load(path.c_str(), -1, -1, -1, 11), 0);
    EXPECT_EQ(watch.opensSinceLastAsked(), 0);
    EXPECT_EQ(surface.isValid(), 0);

    // The same file with a request it can meet is opened and read.
    EXPECT_EQ(surface.load(path.c_str(), -1, -1, -1, -1), 1);
    EXPECT_GE(watch.opensSinceLastAsked(), 1);
    EXPECT_EQ(surface.width(), 2);
    EXPECT_EQ(pixelAt(surface, 1, 0) & 0xFFFFFFu, 0x060504u);  // stored blue first
    std::remove(path.c_str());
}
#endif

TEST(Surface, LoadRefusesMissingFilesAndNames)
{
    Surface surface;
    EXPECT_EQ(surface.load("no-such-file.tga", -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.load(nullptr, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.isValid(), 0);
}

}  // namespace
}  // namespace vxr
