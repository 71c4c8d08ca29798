// The pointer over the console's window, as the server shows it: read back
// through the XFixes extension's cursor image, the one request that says
// which cursor is on screen now (the core protocol cannot read a window's
// cursor back).
#include <gtest/gtest.h>
#include <sys/uio.h>
#include <xcb/xcbext.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vxr/console/x11/x11_console.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

xcb_extension_t xfixes = {"XFIXES", 0};

constexpr std::uint8_t QUERY_VERSION = 0;
constexpr std::uint8_t GET_CURSOR_IMAGE = 4;
// The cursor image reply's fixed part; its ARGB pixels follow.
constexpr std::size_t CURSOR_REPLY_BYTES = 32;

// Sends one XFixes request and waits for its reply; null on an error.
void* xfixesReply(xcb_connection_t* link, std::uint8_t minor, void* body, std::size_t length)
{
    xcb_protocol_request_t request{1, &xfixes, minor, 0};
    iovec parts[3];
    parts[2].iov_base = body;
    parts[2].iov_len = length;
    const unsigned sequence = xcb_send_request(link, XCB_REQUEST_CHECKED, parts + 2, &request);
    xcb_generic_error_t* error = nullptr;
    void* reply = xcb_wait_for_reply(link, sequence, &error);
    std::free(error);
    return reply;
}

// The cursor the server shows now, its pixels as ARGB; empty when XFixes
// does not answer.
std::vector<std::uint32_t> cursorOnScreen(xcb_connection_t* link)
{
    // The server takes a client's XFixes requests only after the version
    // has been agreed.
    std::uint32_t version[3] = {0, 4, 0};
    std::free(xfixesReply(link, QUERY_VERSION, version, sizeof version));
    std::uint32_t header = 0;
    auto* reply =
        static_cast<std::uint8_t*>(xfixesReply(link, GET_CURSOR_IMAGE, &header, sizeof header));
    if (!reply) return {};
    std::uint16_t width = 0, height = 0;
    std::memcpy(&width, reply + 12, 2);
    std::memcpy(&height, reply + 14, 2);
    std::vector<std::uint32_t> pixels(std::size_t{width} * height);
    std::memcpy(pixels.data(), reply + CURSOR_REPLY_BYTES, pixels.size() * 4);
    std::free(reply);
    return pixels;
}

bool isInvisible(const std::vector<std::uint32_t>& cursor)
{
    if (cursor.empty()) return false;
    for (std::uint32_t pixel : cursor)
        if (pixel >> 24 != 0) return false;
    return true;
}

class X11Pointer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(session.start({24, 640, 480, true})); }

    // Moves the pointer into the console's window (at the screen's corner
    // on a server without a window manager).
    void pointAtWindow()
    {
        ASSERT_TRUE(test::runXdotool(session.server.display(), {"mousemove", "30", "20"}));
    }

    X11Session session;
};

TEST_F(X11Pointer, HidesAndShowsOverAWindow)
{
    X11Console console;
    EXPECT_EQ(console.setPointerVisible(0), 0) << "no window to hide it over";
    ASSERT_EQ(console.open(100, 60, PREFER32, WINDOWED, -1, -1), 1);
    pointAtWindow();
    // Over a window the pointer shows as it does over the desktop.
    const std::vector<std::uint32_t> desktop = cursorOnScreen(session.view.link());
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(isInvisible(desktop));

    ASSERT_EQ(console.setPointerVisible(0), 1);
    EXPECT_TRUE(test::eventually([&] { return isInvisible(cursorOnScreen(session.view.link())); }));
    ASSERT_EQ(console.setPointerVisible(1), 1);
    EXPECT_TRUE(test::eventually([&] { return cursorOnScreen(session.view.link()) == desktop; }));
    EXPECT_EQ(console.setPointerVisible(2), 0);
}

TEST_F(X11Pointer, FullScreenHidesItUnlessTheProgramShowsIt)
{
    X11Console console;
    ASSERT_EQ(console.open(100, 60, PREFER32, FULLSCREEN, -1, -1), 1);
    pointAtWindow();
    EXPECT_TRUE(test::eventually([&] { return isInvisible(cursorOnScreen(session.view.link())); }));
    ASSERT_EQ(console.setPointerVisible(1), 1);
    EXPECT_TRUE(test::eventually([&] {
        const std::vector<std::uint32_t> cursor = cursorOnScreen(session.view.link());
        return !cursor.empty() && !isInvisible(cursor);
    }));
    // The choice holds for the next window too.
    ASSERT_EQ(console.open(100, 60, PREFER32, FULLSCREEN, -1, -1), 1);
    pointAtWindow();
    const std::vector<std::uint32_t> cursor = cursorOnScreen(session.view.link());
    EXPECT_FALSE(cursor.empty());
    EXPECT_FALSE(isInvisible(cursor));
}

}  // namespace
}  // namespace vxr
