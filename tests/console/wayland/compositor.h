#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vxr/non_copyable.h"

struct wl_display;
struct wl_proxy;

namespace vxr::test {

// A screenshot, three bytes a pixel, red first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// A private compositor for one test, on an output of its own size, in a
// runtime folder of its own, named by WAYLAND_DISPLAY and XDG_RUNTIME_DIR
// while it runs. Weston's headless backend runs as root but has no
// keyboard; sway runs as a plain user made for the tests and takes keys
// and commands from outside.
class Compositor : public NonCopyable {
public:
    // WESTON_IN_X11: weston in a window of the X server that DISPLAY names,
    // taking its pointer from there, so that xdotool can click in it.
    // KWIN: KDE's compositor on a virtual output, drawn with software
    // OpenGL, as root, with a D-Bus session of its own for screenshots; the
    // one here that tells windows fractional scales.
    // SWAY_IN_WESTON: sway in a window of a private headless weston, which
    // tells sway when each frame was shown; headless sway tells none. Every
    // sway-only call below serves it too.
    enum class Kind { WESTON, SWAY, WESTON_IN_X11, KWIN, SWAY_IN_WESTON };

    ~Compositor();

    // scale: sway's or kwin's output scale, so that windows are measured in
    // units of that many pixels. kwin's output is width x height units.
    bool start(Kind kind, int width = 640, int height = 480, double scale = 1);
    // Ends the compositor at once, as a crash would.
    void kill();

    // The whole output. Weston's screenshots keep a pixel's padding byte as
    // its alpha, so frames shown there for reading back are opaque; weston
    // in X11 is read from the X screen instead, with weston's pointer.
    bool screenshot(Screenshot& shot);
    // sway only: the output with the pointer's picture drawn in.
    bool screenshotWithPointer(Screenshot& shot);
    // sway only: presses the keys of text on a virtual keyboard.
    bool type(const std::string& text);
    // sway only: keeps a virtual keyboard on the seat, so that the seat's
    // keyboard does not come and go with each type() (a keyboard that
    // appears with a press misses that press).
    bool holdKeyboard();
    // sway only: wtype with the arguments given, as a shell would split them.
    bool typeWith(const std::string& arguments);
    // sway only: keeps a virtual pointer on the seat, as holdKeyboard keeps
    // a keyboard: each pointer() call's device lives for one event only.
    // True at once when one is held.
    bool holdPointer();
    // sway only: one event of wlroots' virtual pointer example
    // ("absolute X Y WIDTH HEIGHT", "motion DX DY").
    bool pointer(const std::string& arguments);
    // sway only, after holdPointer: the held pointer goes to (x, y) of a
    // width x height grid laid over the screen.
    bool placePointer(int x, int y, int width, int height);
    // sway only, after holdPointer: the held pointer moves by (dx, dy)
    // without waiting for the compositor, so that a loop can stream moves.
    bool nudgePointer(double dx, double dy);
    // sway only, after holdPointer: the held pointer's button (a Linux
    // input event code) goes down or up.
    bool click(int code, bool pressed);
    // sway only, after holdPointer: the held pointer's wheel turns on axis
    // (0 vertical, 1 horizontal) by value, in notches where not 0.
    bool scroll(int axis, double value, int notches);
    // sway only: runs a command through its IPC, output kept when asked.
    bool command(const std::string& text, std::string* output = nullptr);
    // sway or kwin: the output's scale from now on, while windows are
    // open; kwin's through KScreen (kscreen-doctor).
    bool scaleOutput(double scale);
    // sway only: where the first window whose title is given (any title
    // when empty) lies on the screen, in layout units.
    bool windowPlace(const std::string& title, int& left, int& top, int& width, int& height);

    // The refresh rate of the output's current mode, in millihertz, as
    // wl_output tells any client; 0 when it says none or cannot be asked.
    int outputRefresh() const;
    // The same of the weston that sway runs in (SWAY_IN_WESTON); 0 elsewhere.
    int hostOutputRefresh() const;
    // sway's name for its output, for commands.
    const char* outputName() const;

    // The CPU time the compositor has used so far, all its threads; -1
    // when it cannot be read.
    double cpuSeconds() const;

    const std::string& socket() const { return socketName; }
    const std::string& runtimeFolder() const { return folder; }

private:
    bool isSway() const { return kind == Kind::SWAY || kind == Kind::SWAY_IN_WESTON; }
    // As the test user, in the folder: sway on the backend WLR_BACKENDS
    // names, with environment given beside it.
    bool startSway(const std::string& backendEnvironment, const std::string& log, double scale);
    // The weston that SWAY_IN_WESTON's sway runs in.
    bool startHostWeston(int width, int height);
    bool waitForSocket();
    // A shell command as the compositor's user, in its session.
    std::string asUser(const std::string& text) const;
    bool readScreenshot(const std::string& path, Screenshot& shot);
    bool startKwin(int width, int height, double scale, const std::string& log);

    Kind kind = Kind::WESTON;
    pid_t process = -1;
    // SWAY_IN_WESTON's weston.
    pid_t hostProcess = -1;
    pid_t keyboardHolder = -1;
    // A connection of this process's own, which sway serves as any other,
    // and its registry, virtual pointer manager and virtual pointer.
    wl_display* pointerHolder = nullptr;
    wl_proxy* holderObjects[3] = {};
    std::string folder;
    std::string socketName;
    std::string outputSize;
};

// Where the frame's window lies in the screenshot: the place whose pixels
// equal the expected window (32-bit pixels, red in bits 16-23) exactly.
bool findWindow(const Screenshot& shot, const std::vector<std::uint32_t>& expected, int width,
                int height, int& left, int& top);
// Pixels of the screenshot's area that differ from the expected window.
// With steadyOnly, only pixels whose eight neighbours expect their colour
// too are compared: a filtering compositor blends the others; compared
// then counts the pixels that were.
int differingPixels(const Screenshot& shot, const std::vector<std::uint32_t>& expected, int width,
                    int height, int left, int top, bool steadyOnly = false,
                    int* compared = nullptr);

}  // namespace vxr::test
