#pragma once

#include <cstdint>

#include "vxr/console/core/display_console.h"
#include "vxr/console/core/presentation_record.h"
#include "vxr/console/desktop/window_title.h"
#include "vxr/console/input/window_input.h"

namespace vxr {

class FramePresenter;

// A display console that shows its frames itself in one window at a time:
// a desktop window, or the page's canvas. What every such console does the
// same way is written here; each platform supplies only its own steps.
//
// Opening a format settles the request, closes the open window, opens one
// for the frame's size and makes the screen surface for it; a failure on
// the way leaves no window open. The title outlives the windows that show
// it. Keys come from the window's input while a window is open, and from
// the terminal, where there is one, while none is.
//
// A console that shows its frames itself names its FramePresenter, and its
// screen surface hands every copy into it to be presented; one whose screen
// is the display's own memory makes its screen store itself.
//
// The platform's window thread, if it has one, reports into input; the
// platform's header names its locks and their order.
class WindowedConsole : public DisplayConsole {
public:
    int ok() override { return constructedOk; }
    int readKey() override;
    int keyPressed() override;
    int setTitle(const char* text) override;
    int title(char* out) override;
    int width() override { return frameWidth; }
    int height() override { return frameHeight; }
    // SCALING_SHARP, SCALING_INTEGER and SCALING_STRETCH, and
    // SCALING_COMPOSITOR where the platform offers it, for the open window
    // and the windows to come; 0 with the reason for any other code.
    int setScaling(int scaling) override;
    // What the platform last reported shown, recorded in presentations.
    int lastPresentation(Presentation* out) override;
    // Kept for the windows to come; applyResizing() gives it to the open
    // window.
    int setResizable(int resizable) override;

protected:
    // countPresses: whether the input's key queue counts every press, as
    // readKey and keyPressed answer from it.
    explicit WindowedConsole(bool countPresses = true) : input(countPresses) {}

    WindowInput* windowInput() override { return &input; }
    // Copies into the screen surface are presented by framePresenter().
    SurfaceStore* makeScreenStore(StoreRequest& request) override;
    virtual FramePresenter* framePresenter() { return nullptr; }

    // The platform's steps. openWindow opens a window for a frame of the
    // given size, with frameWidth and frameHeight set already; closeWindow
    // stops its thread and lets go of it, and is harmless when none is open.
    virtual bool openWindow(int width, int height, int output) = 0;
    virtual void closeWindow() = 0;
    // A platform that can give its open window to a frame of a new size
    // does so here, before the window would be closed; true when it did.
    // It sets frameWidth and frameHeight itself, under the lock its window
    // thread reads them with, since that thread runs meanwhile.
    virtual bool refitWindow(int /*width*/, int /*height*/, int /*output*/) { return false; }
    virtual bool hasWindow() = 0;
    // Whether a window with the (settled) output may be opened now; false,
    // with the reason kept, where the platform cannot open one. Asked before
    // the open window is touched.
    virtual bool canOpenWindow(int /*output*/) { return true; }
    // True, with the reason kept, once the display is gone for good.
    virtual bool displayGone() { return false; }
    // Shows the title on the open window; false where none shows it.
    virtual bool showTitle(const char* text) = 0;
    // Waits for the open window's next key; 0 once no key is coming.
    virtual int waitForKey() { return input.readKey(); }
    // Whether a program without a window reads its keys from the terminal.
    virtual bool hasTerminal() { return true; }
    // setScaling's step: the open window's frame is placed for scaling from
    // now on (in the next present, every repaint and the pointer's
    // positions), and so is every later window's. False, with the reason
    // kept, for a way the platform does not scale; one without a step of
    // its own places its frames the sharp way alone.
    virtual bool placeFrameFor(int scaling);
    // setResizable's step: the open window, if any, is made resizable or
    // fixed as resizableWindows says; later windows open that way. False,
    // with the reason kept, where the platform cannot.
    virtual bool applyResizing();

    // The order of teardown, for the destructor of every windowed console,
    // while all its members still exist: the window's thread stops, so that
    // nothing reports into what goes next; the screen surface goes; then the
    // program's surfaces are emptied, while the connection they were made
    // on is still open.
    void closeDisplay();

    WindowInput input;
    WindowTitle windowTitle;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    // The program's last choice of scaling that the platform took.
    std::int32_t chosenScaling = SCALING_SHARP;
    // Whether the user may resize the windows: read where a window opens,
    // on the program's thread.
    bool resizableWindows = true;
    // When the frames reached the screen, as the platform's thread heard.
    PresentationRecord presentations;
    // Whether the console found the display it shows frames on.
    std::int32_t constructedOk = 0;

    // Opens a frame in the display's format: settles the request, refits or
    // replaces the window, and makes the screen surface.
    int openDisplayFormat(int width, int height, int output, int parameter, int variant) final;
};

}  // namespace vxr
