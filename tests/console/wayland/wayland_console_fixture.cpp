#include "wayland_console_fixture.h"

#include <string>

#include "vxr/last_error.h"
#include "wayland_session.h"

namespace vxr::test {

::testing::AssertionResult WaylandConsoleFixture::start(Kind kind, Output output)
{
    if (!compositor.start(kind, output.width, output.height, output.scale))
        return ::testing::AssertionFailure() << "the compositor did not start";
    console.emplace();
    events.emplace(*console);
    return ::testing::AssertionSuccess();
}

bool WaylandConsoleFixture::startNestedWeston()
{
    // The screen is wider than weston's window, so that the pointer can
    // come in from outside once the window shows: weston's X11 backend
    // places its own pointer only when X says the pointer entered, and
    // follows moves as steps from there. A window mapped under the pointer
    // is entered too, but weston may not be listening yet, and its pointer
    // then stays wherever the steps take it.
    return xServer.start({24, 640 + NESTED_MARGIN, 480}) &&
           compositor.start(Kind::WESTON_IN_X11, 640, 480) &&
           runXdotool(xServer.display(),
                      {"search", "--sync", "--onlyvisible", "--class", "Weston Compositor"}) &&
           runXdotool(xServer.display(), {"mousemove", std::to_string(640 + NESTED_MARGIN / 2),
                                          "470", "mousemove", "4", "470"});
}

::testing::AssertionResult WaylandConsoleFixture::startWithKeyboard()
{
    const ::testing::AssertionResult started = start(Kind::SWAY);
    return started ? onSeat(compositor.holdKeyboard(), "keyboard") : started;
}

::testing::AssertionResult WaylandConsoleFixture::startWithPointer(Output output)
{
    const ::testing::AssertionResult started = start(Kind::SWAY, output);
    return started ? onSeat(compositor.holdPointer(), "pointer") : started;
}

::testing::AssertionResult WaylandConsoleFixture::onSeat(bool held, const char* device)
{
    if (held && seatHas(compositor, device)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no " << device << " on sway's seat";
}

::testing::AssertionResult WaylandConsoleFixture::open(Request request)
{
    if (!console) return ::testing::AssertionFailure() << "no compositor was started";
    if (request.scaling != Scaling::DEFAULT)
        console->scaleInCompositor(request.scaling == Scaling::COMPOSITOR);
    if (console->open(request.width, request.height, request.format, request.output, -1, -1) != 1)
        return ::testing::AssertionFailure() << "the window did not open: " << lastError();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult WaylandConsoleFixture::openFocused()
{
    const ::testing::AssertionResult opened = open();
    if (!opened) return opened;
    Event focus;
    if (!events->next(EventType::FocusIn, focus))
        return ::testing::AssertionFailure() << "the window never had the focus; " << events->seen();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult WaylandConsoleFixture::floatAtCorner(int width, int height)
{
    if (test::floatAtCorner(compositor, *console, width, height))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the floating window stayed " << console->clientWidth() << "x"
           << console->clientHeight() << ", not " << width << "x" << height;
}

::testing::AssertionResult WaylandConsoleFixture::shows(Surface& frame, int left, int top,
                                                        bool filtered)
{
    return showsFrame(compositor, *console, frame, left, top, filtered);
}

::testing::AssertionResult WaylandConsoleFixture::stillShows(Surface& frame, int left, int top,
                                                             bool filtered)
{
    return stillShowsFrame(compositor, *console, frame, left, top, filtered);
}

}  // namespace vxr::test
