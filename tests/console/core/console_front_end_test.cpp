#include "vxr/console/console_front_end.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "vxr/console/core/null_console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

// What each kind does in a scripted run, and what happened to it.
struct Script {
    int okKinds = 0;    // bit k: kind k is ok
    int openKinds = 0;  // bit k: kind k opens
    int kinds = 5;
    std::vector<std::string> log;
    std::vector<int> openArguments;
};
Script* script = nullptr;

class ScriptedConsole : public Console {
public:
    explicit ScriptedConsole(int consoleKind) : kind(consoleKind)
    {
        script->log.push_back("make " + std::to_string(kind));
    }
    ~ScriptedConsole() override { script->log.push_back("destroy " + std::to_string(kind)); }
    int ok() override { return script->okKinds >> kind & 1; }
    int open(int width, int height, int request, int output, int parameter, int variant) override
    {
        script->openArguments = {width, height, request, output, parameter, variant};
        script->log.push_back("open " + std::to_string(kind));
        return script->openKinds >> kind & 1;
    }

    int kind;
};

Console* makeScripted(int kind)
{
    return kind < script->kinds ? new ScriptedConsole(kind) : nullptr;
}

class ConsoleFrontEndTest : public ::testing::Test {
protected:
    void SetUp() override { script = &run; }
    void TearDown() override { script = nullptr; }
    Script run;
};

TEST_F(ConsoleFrontEndTest, TheFirstKindThatOpensIsKeptAndLaterKindsAreNeverMade)
{
    run.okKinds = run.openKinds = 0b11;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    EXPECT_TRUE(frontEnd.isOpen());
    EXPECT_EQ(static_cast<ScriptedConsole*>(frontEnd.current())->kind, 0);
    EXPECT_EQ(run.log, (std::vector<std::string>{"make 0", "open 0"}));
    EXPECT_EQ(run.openArguments, (std::vector<int>{320, 200, PREFER16, -1, -1, -1}));
}

TEST_F(ConsoleFrontEndTest, AKindThatIsNotOkIsDestroyedAndTheNextTried)
{
    run.okKinds = 0b10;
    run.openKinds = 0b11;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    EXPECT_EQ(static_cast<ScriptedConsole*>(frontEnd.current())->kind, 1);
    EXPECT_EQ(run.log, (std::vector<std::string>{"make 0", "destroy 0", "make 1", "open 1"}));
}

TEST_F(ConsoleFrontEndTest, WhenNothingOpensEveryKindIsMadeOnceAndTheNullConsoleStays)
{
    run.okKinds = 0b11111;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    EXPECT_FALSE(frontEnd.isOpen());
    EXPECT_EQ(frontEnd.current(), &NullConsole::forFrontEnds());
    EXPECT_EQ(run.log.size(), 15u);
    EXPECT_EQ(run.log.back(), "destroy 4");
    EXPECT_EQ(frontEnd.current()->ok(), 0);
}

TEST_F(ConsoleFrontEndTest, CloseIsIdempotentAndReopenReplacesTheConsole)
{
    run.okKinds = run.openKinds = 0b1;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    frontEnd.close();
    frontEnd.close();
    EXPECT_EQ(frontEnd.current(), &NullConsole::forFrontEnds());
    EXPECT_EQ(run.log, (std::vector<std::string>{"make 0", "open 0", "destroy 0"}));
    EXPECT_EQ(frontEnd.open(640, 480, PREFER32, -1, -1, -1), 1);
    EXPECT_EQ(frontEnd.open(640, 480, PREFER32, -1, -1, -1), 1);
    EXPECT_EQ(run.log.size(), 8u);
    EXPECT_EQ(run.log[5], "destroy 0");
}

TEST_F(ConsoleFrontEndTest, SurfacesMadeOnItLiveOnItsConsoleOrFail)
{
    run.okKinds = run.openKinds = 0b1;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    Surface frame(frontEnd, 320, 200, PixelFormat(RGB565), MEMORY_SYSTEM, -1, -1, -1);
    EXPECT_TRUE(frame.isValid());
    EXPECT_EQ(frame.console(), frontEnd.current());
    // Closing the display empties the frame and links it to the null console.
    frontEnd.close();
    EXPECT_FALSE(frame.isValid());
    EXPECT_EQ(frame.console(), &NullConsole::forSurfaces());

    Surface orphan(frontEnd, 320, 200, PixelFormat(RGB565), MEMORY_SYSTEM, -1, -1, -1);
    EXPECT_FALSE(orphan.isValid());
}

#ifndef _WIN32
TEST_F(ConsoleFrontEndTest, ShowErrorTakesTheDisplayDownFirst)
{
    run.okKinds = run.openKinds = 0b1;
    ConsoleFrontEnd frontEnd(320, 200, PREFER16, -1, -1, -1, makeScripted);
    testing::internal::CaptureStderr();
    frontEnd.showError("could not initialize");
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(run.log.back(), "destroy 0");
    EXPECT_FALSE(frontEnd.isOpen());
    EXPECT_NE(shown.find("could not initialize"), std::string::npos);
}
#endif

}  // namespace
}  // namespace vxr

namespace vxr {
namespace {

struct KindExpected {
    int consoleId;
    const char* name;
};

// The search this platform really makes: which console each kind is, in
// which order, and where the kinds end.
#ifdef _WIN32
const KindExpected realKinds[] = {
    {CONSOLE_ID_DIRECTX, "DirectX"}, {CONSOLE_ID_WINDOW, "GDI"}, {0, ""}, {0, ""}, {0, ""}};
#elif defined(__APPLE__)
const KindExpected realKinds[] = {{0, ""}, {0, ""}, {0, ""}, {0, ""}, {0, ""}};
#else
const KindExpected realKinds[] = {
    {CONSOLE_ID_WAYLAND, "Wayland"}, {CONSOLE_ID_X11, "X11"}, {0, ""}, {0, ""}, {0, ""}};
#endif

TEST(ConsoleFrontEndKinds, TheRealTableNamesEachKindInOrderAndThenEnds)
{
    const int count = static_cast<int>(std::size(realKinds));
    for (int kind = 0; kind < count; ++kind) {
        std::unique_ptr<Console> console(ConsoleFrontEnd::makeConsole(kind));
        ASSERT_NE(console, nullptr) << "kind " << kind;
        char name[Console::NAME_CAPACITY] = {};
        console->name(name);
        EXPECT_EQ(console->consoleId(), realKinds[kind].consoleId) << "kind " << kind;
        EXPECT_STREQ(name, realKinds[kind].name) << "kind " << kind;
        // The placeholders keep their places but never open.
        if (realKinds[kind].consoleId == 0) {
            EXPECT_EQ(console->ok(), 0) << "kind " << kind;
            EXPECT_EQ(console->open(320, 200, PREFER16, -1, -1, -1), 0) << "kind " << kind;
        }
    }
    EXPECT_EQ(ConsoleFrontEnd::makeConsole(count), nullptr);
    EXPECT_EQ(ConsoleFrontEnd::makeConsole(-1), nullptr);
}

}  // namespace
}  // namespace vxr
