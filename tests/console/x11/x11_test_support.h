#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vxr/non_copyable.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {
class Console;
class Surface;
class Window;
}

namespace vxr::test {

using Clock = std::chrono::steady_clock;
// Generous bounds for anything that waits on the server or a child process:
// a loaded machine is slow, never this slow.
inline constexpr auto PATIENCE = std::chrono::seconds(20);

// Polls until the condition holds or the time is up; the result is the
// condition's last answer, so a test asserts on it.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit =
                    std::chrono::duration_cast<std::chrono::milliseconds>(PATIENCE));

// A private X server for one test, on a display number it picks itself,
// named by DISPLAY while it runs.
class XvfbServer : public NonCopyable {
public:
    struct Options {
        int depth = 24;
        int width = 640;
        int height = 480;
        bool sharedMemory = true;
        // The root visual's class (XCB_VISUAL_CLASS_...); -1 for the
        // server's own choice at the depth.
        int visualClass = -1;
    };

    ~XvfbServer();

    // Starts the server and sets DISPLAY to it.
    bool start(const Options& options);
    // Ends the server at once, as a crash or a lost network would.
    void kill();
    void stop();
    const std::string& display() const { return name; }

private:
    bool startOn(int candidate, const Options& options);
    bool isAsAskedFor(const Options& options) const;
    void removeLeftovers() const;

    pid_t process = -1;
    int number = -1;
    std::string name;
};

// The test's own connection to the server, to look at windows from outside.
class ServerView : public NonCopyable {
public:
    ~ServerView();

    bool connect(const std::string& display);
    xcb_connection_t* link() const { return connection; }
    xcb_window_t root() const { return rootWindow; }
    int bitsPerPixel() const { return pixelBits; }

    // Top-level windows that a VXR console made (WM_CLASS "vxr").
    std::vector<xcb_window_t> consoleWindows();
    bool geometry(xcb_window_t window, int& width, int& height);
    // The window's pixels in the server's layout, lines padded to 32 bits.
    std::vector<std::uint8_t> image(xcb_window_t window, int width, int height);
    std::string property(xcb_window_t window, const char* name);
    std::vector<std::uint32_t> cardinals(xcb_window_t window, const char* name);
    bool overrideRedirect(xcb_window_t window);
    // The colours of the window's colormap, laid out like ARGB8888.
    std::vector<std::uint32_t> colormapColours(xcb_window_t window);
    xcb_window_t focus();

    // The window's size and pixels with the server grabbed, so that both are
    // of one moment: no other client's request comes between them.
    bool snapshot(xcb_window_t window, int& width, int& height, std::vector<std::uint8_t>& pixels);

    void resize(xcb_window_t window, int width, int height);
    // A black window of the test's own over an area of the screen, which no
    // window manager moves; mapping and unmapping it covers and uncovers
    // what lies under it, as another program's window would.
    xcb_window_t makeCover(int x, int y, int width, int height);
    void showCover(xcb_window_t cover, bool shown);
    // Paints the window white from outside and sends it an Expose, as a
    // window that was covered and shown again gets.
    void coverAndExpose(xcb_window_t window, int width, int height);
    void sendDelete(xcb_window_t window);
    xcb_atom_t atom(const char* name);

private:
    xcb_connection_t* connection = nullptr;
    xcb_window_t rootWindow = 0;
    int pixelBits = 0;
};

// A program run as a user runs it, its output collected.
class ChildProcess : public NonCopyable {
public:
    ~ChildProcess();

    // display: the DISPLAY it sees, empty for none.
    bool start(const std::vector<std::string>& arguments, const std::string& directory,
               const std::string& display);
    // Reads what is there, waiting up to the given time for more.
    void pump(std::chrono::milliseconds wait);
    // The exit code, or -1 when it does not end in time (it is then killed).
    int waitForExit(std::chrono::milliseconds limit =
                        std::chrono::duration_cast<std::chrono::milliseconds>(PATIENCE));
    bool hasExited();
    const std::string& output() const { return standardOutput; }
    const std::string& errors() const { return standardError; }

private:
    pid_t process = -1;
    int outputPipe = -1;
    int errorPipe = -1;
    int status = -1;
    bool exited = false;
    std::string standardOutput;
    std::string standardError;
};

// Runs xdotool on a display and waits for it.
bool runXdotool(const std::string& display, const std::vector<std::string>& arguments);

// Reads every key press the console holds: how many there were, or -1 when
// a read that keyPressed() promised did not succeed.
int readAllKeys(Console& console);

// Reads the window's events until a close request arrives; false when none
// comes within the patience of one wait.
bool waitForClose(Window& window);

// Counts of what a process holds, for leak checks.
int openDescriptors();
int runningThreads();
int sharedMemorySegments();

// Frames with every pixel drawn from a seeded generator, so that any pixel
// in the wrong place shows.
void fillRandom(Surface& frame, unsigned seed);
void randomPalette(Palette& palette, unsigned seed);

// What the window must show: the frame converted to the shown format by the
// library's converters, then scaled the plain way onto the letterbox of a
// client area, the rest bar pixels. Lines padded to 32 bits like the
// server's images.
std::vector<std::uint8_t> expectedWindow(Surface& frame, const PixelFormat& shown, int clientWidth,
                                         int clientHeight, std::uint32_t barPixel);
// The same with the frame scaled onto the given area of the client instead,
// in whatever size and place a way of scaling gives it.
std::vector<std::uint8_t> expectedWindowAt(Surface& frame, const PixelFormat& shown,
                                           int clientWidth, int clientHeight, const Rect& area,
                                           std::uint32_t barPixel);
// The number of pixels that differ, with the first one's place noted.
int differences(const std::vector<std::uint8_t>& seen, const std::vector<std::uint8_t>& expected,
                int width, int bytesPerPixel, std::string* first = nullptr);

}  // namespace vxr::test
