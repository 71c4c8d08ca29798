#include "vxr/console/console.h"
#include "vxr/console/core/display_console.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "vxr/console/core/null_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

const PixelFormat rgb565(RGB565);

Surface* makeSurface(Console& console, int width = 8, int height = 4)
{
    return new Surface(&console, width, height, rgb565, -1, -1, -1, -1);
}

TEST(Console, BaseDefaultsAnswerAsADisplaylessConsole)
{
    Console console;
    EXPECT_EQ(console.ok(), 1);
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    EXPECT_EQ(console.openFormat(320, 200, rgb565, -1, -1, -1), 0);
    EXPECT_EQ(console.primary(), nullptr);
    EXPECT_EQ(console.waitRetrace(), 0);
    EXPECT_EQ(console.consoleId(), CONSOLE_ID_BASE);
    EXPECT_EQ(console.setTitle("x"), 0);
    EXPECT_EQ(console.handle(), nullptr);
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.width() + console.height() + console.bits() + console.bytes(), 0);
    EXPECT_EQ(console.output() + console.parameter() + console.variant(), 0);
    EXPECT_EQ(console.format(), PixelFormat());

    char text[8] = "unset";
    EXPECT_EQ(console.title(text), 0);
    EXPECT_STREQ(text, "unset");
    EXPECT_EQ(console.name(text), 1);
    EXPECT_STREQ(text, "");

    std::vector<ConsoleMode> modes(3);
    EXPECT_EQ(console.modes(modes), 0);
    EXPECT_TRUE(modes.empty());

    int first = 5, second = 6;
    EXPECT_EQ(console.reserved13(&first, &second), 0);
    EXPECT_EQ(first + second, 0);
    const ReservedRecord record = console.reserved1();
    EXPECT_EQ(record.first + record.second + record.third, 0);

    const ConsoleMode mode = console.mode();
    EXPECT_EQ(mode.width + mode.height + mode.output + mode.parameter + mode.variant, 0);
    EXPECT_EQ(mode.driver[0], '\0');
}

TEST(Console, BaseStoresKeepPixelsInMemory)
{
    Console console;
    int width = 4, height = 2, kind = -1, orientation = -1, padding = -1, variant = -1;
    std::unique_ptr<SurfaceStore> store(
        console.createStore(&width, &height, &rgb565, &kind, &orientation, &padding, &variant));
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->isValid(), 1);
    EXPECT_EQ(kind, MEMORY_SYSTEM);
    EXPECT_EQ(orientation, TOP_DOWN);

    kind = MEMORY_DISPLAY;
    EXPECT_EQ(console.createStore(&width, &height, &rgb565, &kind, &orientation, &padding,
                                  &variant),
              nullptr);
}

TEST(NullConsole, RefusesEverythingAndKeepsNothing)
{
    NullConsole console;
    EXPECT_EQ(console.ok(), 0);
    EXPECT_EQ(console.open(320, 200, PREFER16, -1, -1, -1), 0);
    int width = 4, height = 2, kind = 77, orientation = -1, padding = -1, variant = -1;
    std::unique_ptr<SurfaceStore> store(
        console.createStore(&width, &height, &rgb565, &kind, &orientation, &padding, &variant));
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->isValid(), 0);
    EXPECT_EQ(store->lock(1), nullptr);
    EXPECT_EQ(kind, 77);  // arguments untouched

    Surface surface;
    EXPECT_EQ(console.attach(&surface), 1);
    EXPECT_TRUE(console.attachedSurfaces().empty());
    EXPECT_EQ(console.detach(&surface), 1);
    EXPECT_NE(&NullConsole::forFrontEnds(), &NullConsole::forSurfaces());
}

TEST(Console, SurfaceListKeepsOrderAndDuplicates)
{
    Console console;
    Surface a, b;
    EXPECT_EQ(console.attach(nullptr), 0);
    EXPECT_EQ(console.detach(&a), 0);
    ASSERT_EQ(console.attach(&a), 1);
    ASSERT_EQ(console.attach(&b), 1);
    ASSERT_EQ(console.attach(&a), 1);
    EXPECT_EQ(console.attachedSurfaces(), (std::vector<Surface*>{&a, &b, &a}));
    EXPECT_EQ(console.detach(&a), 1);
    EXPECT_EQ(console.attachedSurfaces(), (std::vector<Surface*>{&b, &a}));
    EXPECT_EQ(console.detach(&a), 1);
    EXPECT_EQ(console.detach(&a), 0);
    EXPECT_EQ(console.detach(&b), 1);
    EXPECT_TRUE(console.attachedSurfaces().empty());
}

TEST(Console, SurfacesCreatedOnItAreListedAndLeaveWhenDestroyed)
{
    Console console;
    {
        Surface first(&console, 4, 4, rgb565, -1, -1, -1, -1);
        Surface second(&console, 4, 4, rgb565, -1, -1, -1, -1);
        EXPECT_EQ(console.attachedSurfaces(), (std::vector<Surface*>{&first, &second}));
    }
    EXPECT_TRUE(console.attachedSurfaces().empty());
}

TEST(Console, DestructionEmptiesAndUnlinksSurfacesButLeavesThemAlive)
{
    auto console = std::make_unique<Console>();
    std::unique_ptr<Surface> indexed(
        new Surface(console.get(), 4, 4, PixelFormat(GREY8), -1, -1, -1, -1));
    std::unique_ptr<Surface> direct(makeSurface(*console));
    ASSERT_TRUE(indexed->isValid());
    ASSERT_NE(indexed->palette(), nullptr);
    // A surface listed twice must not trip the teardown.
    console->attach(direct.get());

    console.reset();
    for (Surface* surface : {indexed.get(), direct.get()}) {
        EXPECT_EQ(surface->isValid(), 0);
        EXPECT_EQ(surface->lock(1), nullptr);
        EXPECT_EQ(surface->palette(), nullptr);
        EXPECT_EQ(surface->clip(), nullptr);
        EXPECT_EQ(surface->console(), &NullConsole::forSurfaces());
    }
    EXPECT_TRUE(NullConsole::forSurfaces().attachedSurfaces().empty());
}

// A display console that reports a driver name and records what openFormat
// got.
class NamedConsole : public DisplayConsole {
public:
    explicit NamedConsole(const char* driverName) : driver(driverName)
    {
        openOutput = WINDOWED;
        openParameter = 60;
    }
    int name(char* out) override { return writeName(out, driver); }
    int openFormat(int w, int h, const PixelFormat& f, int out, int param, int var) override
    {
        ++opens;
        opened = {w, h, f.id, out, param, var};
        return 1;
    }
    const char* driver;
    int opens = 0;
    std::array<int, 6> opened{};
};

TEST(Console, OpenModeOnlyOpensModesOfTheSameDriver)
{
    NamedConsole console("DirectX");
    ConsoleMode mode;
    std::strcpy(mode.driver, "GDI");
    mode.width = 320;
    mode.height = 200;
    mode.format = PixelFormat(RGB565);
    mode.output = FULLSCREEN;
    mode.parameter = 75;
    mode.variant = 10;
    EXPECT_EQ(console.openMode(mode), 0);
    EXPECT_EQ(console.opens, 0);

    std::strcpy(mode.driver, "DirectX");
    EXPECT_EQ(console.openMode(mode), 1);
    EXPECT_EQ(console.opened, (std::array<int, 6>{320, 200, RGB565, FULLSCREEN, 75, 10}));
}

TEST(Console, ANameIsCutToTheRoomOfAModeRecord)
{
    NamedConsole console("AMuchTooLongDriverName");
    char out[Console::NAME_CAPACITY + 8];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(console.name(out), Console::NAME_CAPACITY);
    EXPECT_STREQ(out, "AMuchTo");
    for (std::size_t i = Console::NAME_CAPACITY; i < sizeof out; ++i) EXPECT_EQ(out[i], '#');
    // The mode record takes the same bounded name.
    EXPECT_STREQ(console.mode().driver, "AMuchTo");
}

TEST(Console, ModeOfAnUnopenedConsoleCarriesItsName)
{
    NamedConsole console("GDI");
    const ConsoleMode mode = console.mode();
    EXPECT_STREQ(mode.driver, "GDI");
    EXPECT_EQ(mode.width, 0);
    EXPECT_EQ(mode.format, PixelFormat());
    EXPECT_EQ(mode.output, WINDOWED);
    EXPECT_EQ(mode.parameter, 60);
    EXPECT_EQ(mode.variant, 10);
}

}  // namespace
}  // namespace vxr
