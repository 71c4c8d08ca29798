#include "vxr/console/core/windowed_console.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vxr/console/core/frame_presenter.h"
#include "vxr/last_error.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

const PixelFormat rgb565(RGB565);

// A windowed console whose window is a record of the steps taken on it, so
// that the order the shared skeleton takes them in can be checked; the
// platforms' own suites show the same skeleton on real displays.
class RecordingConsole : public WindowedConsole, public FramePresenter {
public:
    explicit RecordingConsole(std::vector<std::string>& journal) : steps(journal)
    {
        displayFormat = rgb565;
        constructedOk = 1;
    }
    ~RecordingConsole() override { closeDisplay(); }

    int present(Surface*, const Rect&, const Rect&) override
    {
        steps.push_back("present");
        return 1;
    }

    bool opens = true;
    bool lost = false;
    bool refits = false;
    // The outputs the platform refuses before the window is touched.
    int refusedOutput = 0;
    // A program's surface, checked for its pixels when the window closes.
    Surface* watched = nullptr;

protected:
    bool openWindow(int width, int height, int) override
    {
        steps.push_back("open " + std::to_string(width) + "x" + std::to_string(height) + " at " +
                        std::to_string(frameWidth) + "x" + std::to_string(frameHeight));
        windowOpen = opens;
        return opens;
    }
    void closeWindow() override
    {
        std::string step = windowOpen ? "close" : "close (none open)";
        if (watched) step += watched->lock(0) ? " with pixels" : " without pixels";
        if (watched) watched->unlock();
        steps.push_back(step);
        windowOpen = false;
    }
    bool refitWindow(int width, int height, int) override
    {
        if (!refits) return false;
        steps.push_back("refit to " + std::to_string(width) + "x" + std::to_string(height));
        frameWidth = width;
        frameHeight = height;
        return true;
    }
    bool canOpenWindow(int output) override
    {
        if (output != refusedOutput) return true;
        setLastError("this platform opens no such output");
        return false;
    }
    bool hasWindow() override { return windowOpen; }
    FramePresenter* framePresenter() override { return this; }
    bool displayGone() override { return lost; }
    bool showTitle(const char* text) override
    {
        steps.push_back(std::string("title ") + text);
        return windowOpen;
    }
    bool hasTerminal() override { return false; }

private:
    std::vector<std::string>& steps;
    bool windowOpen = false;
};

TEST(WindowedConsole, OpeningClosesTheOpenWindowFirstAndLeavesNoneWhereAStepFails)
{
    std::vector<std::string> steps;
    RecordingConsole console(steps);
    ASSERT_EQ(console.open(32, 16, PREFER16, -1, -1, -1), 1);
    ASSERT_EQ(console.openFormat(8, 4, rgb565, WINDOWED, 0, 10), 1);
    EXPECT_EQ(steps, (std::vector<std::string>{"close (none open)", "open 32x16 at 32x16",
                                               "close", "open 8x4 at 8x4"}));
    ASSERT_NE(console.primary(), nullptr);
    EXPECT_EQ(console.primary()->width(), 8);
    EXPECT_EQ(console.width(), 8);
    EXPECT_EQ(console.output(), WINDOWED);

    // A request no window can take touches nothing.
    steps.clear();
    EXPECT_EQ(console.open(0, 16, PREFER16, -1, -1, -1), 0);
    EXPECT_EQ(console.open(32, 16, PREFER16, 3, -1, -1), 0);
    EXPECT_TRUE(steps.empty());

    // A window that cannot be opened is closed again.
    console.opens = false;
    EXPECT_EQ(console.open(32, 16, PREFER16, -1, -1, -1), 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"close", "open 32x16 at 32x16",
                                               "close (none open)"}));

    // Nothing opens on a display that is gone.
    console.opens = true;
    console.lost = true;
    steps.clear();
    EXPECT_EQ(console.open(32, 16, PREFER16, -1, -1, -1), 0);
    EXPECT_TRUE(steps.empty());
}

TEST(WindowedConsole, AWindowThatFitsTheNewFrameStaysAndARefusedOutputTouchesNothing)
{
    std::vector<std::string> steps;
    RecordingConsole console(steps);
    console.refits = true;
    console.refusedOutput = FULLSCREEN;
    // With no window open there is none to refit.
    ASSERT_EQ(console.open(32, 16, PREFER16, -1, -1, -1), 1);
    ASSERT_EQ(console.open(64, 40, PREFER16, WINDOWED, -1, -1), 1);
    EXPECT_EQ(steps, (std::vector<std::string>{"close (none open)", "open 32x16 at 32x16",
                                               "refit to 64x40"}));
    ASSERT_NE(console.primary(), nullptr);
    EXPECT_EQ(console.primary()->width(), 64);
    EXPECT_EQ(console.height(), 40);

    steps.clear();
    EXPECT_EQ(console.open(32, 16, PREFER16, FULLSCREEN, -1, -1), 0);
    EXPECT_TRUE(steps.empty());
    EXPECT_STREQ(lastError(), "this platform opens no such output");
    EXPECT_EQ(console.primary()->width(), 64);
}

TEST(WindowedConsole, OnlyTheScreenSurfacePresentsThroughTheConsole)
{
    std::vector<std::string> steps;
    RecordingConsole console(steps);
    ASSERT_EQ(console.open(8, 4, PREFER16, -1, -1, -1), 1);
    steps.clear();

    Surface frame(&console, 8, 4, rgb565, -1, -1, -1, -1);
    ASSERT_EQ(frame.isValid(), 1);
    EXPECT_NE(frame.lock(0), nullptr);
    frame.unlock();
    EXPECT_EQ(frame.copy(console.primary(), 0), 1);
    EXPECT_EQ(steps, (std::vector<std::string>{"present"}));

    // A program's surface that asks for display memory gets no store of the
    // display: the screen is the console's alone.
    Surface claimant(&console, 8, 4, rgb565, MEMORY_DISPLAY, -1, -1, -1);
    EXPECT_EQ(claimant.isValid(), 0);
}

TEST(WindowedConsole, TeardownClosesTheWindowBeforeEmptyingTheProgramsSurfaces)
{
    std::vector<std::string> steps;
    auto console = std::make_unique<RecordingConsole>(steps);
    ASSERT_EQ(console->open(8, 4, PREFER16, -1, -1, -1), 1);
    Surface frame(console.get(), 8, 4, rgb565, -1, -1, -1, -1);
    ASSERT_EQ(frame.isValid(), 1);
    console->watched = &frame;
    steps.clear();

    console.reset();
    EXPECT_EQ(steps, (std::vector<std::string>{"close with pixels"}));
    EXPECT_EQ(frame.isValid(), 0);
}

TEST(WindowedConsole, TitleOutlivesWindowsAndKeysWaitOnlyOnAnOpenWindow)
{
    std::vector<std::string> steps;
    RecordingConsole console(steps);
    char shown[Console::TITLE_CAPACITY] = {};
    // No window shows it yet, but it is kept for the next.
    EXPECT_EQ(console.setTitle("first"), 0);
    EXPECT_EQ(console.title(shown), 1);
    EXPECT_STREQ(shown, "first");
    EXPECT_EQ(console.setTitle(nullptr), 0);
    EXPECT_STREQ(lastError(), "the title is null");
    EXPECT_EQ(console.title(nullptr), 0);
    EXPECT_EQ(console.title(shown), 1);
    EXPECT_STREQ(shown, "first");
    // Without a window, and with no terminal, no key is coming.
    EXPECT_EQ(console.readKey(), 0);
    EXPECT_EQ(console.keyPressed(), 0);

    ASSERT_EQ(console.open(8, 4, PREFER16, -1, -1, -1), 1);
    EXPECT_EQ(console.setTitle("second"), 1);
    EXPECT_EQ(steps.back(), "title second");

    console.lost = true;
    steps.clear();
    EXPECT_EQ(console.setTitle("third"), 0);
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(console.title(shown), 1);
    EXPECT_STREQ(shown, "third");
    // A window is open, but no key comes from a display that is gone.
    EXPECT_EQ(console.readKey(), 0);
    EXPECT_EQ(console.keyPressed(), 0);
}

}  // namespace
}  // namespace vxr
