#include "xtest_input.h"

#include <sys/uio.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>

namespace vxr::test {
namespace {

// The extension as libxcb knows it; its generated binding is not needed
// for one request.
xcb_extension_t xtestExtension = {"XTEST", 0};

// XTestFakeInput: minor opcode 2, nine 4-byte units.
constexpr std::uint8_t FAKE_INPUT = 2;
constexpr std::size_t FAKE_INPUT_BYTES = 36;

}  // namespace

XtestInput::~XtestInput()
{
    if (link) xcb_disconnect(link);
}

bool XtestInput::connect(const std::string& display)
{
    link = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(link)) return false;
    root = xcb_setup_roots_iterator(xcb_get_setup(link)).data->root;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(link, &xtestExtension);
    return extension && extension->present;
}

void XtestInput::fakeInput(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y)
{
    std::uint8_t request[FAKE_INPUT_BYTES] = {};
    // Bytes 0 to 3 (opcodes and length) are filled in by libxcb.
    request[4] = type;
    request[5] = detail;
    // time 0 (now) at 8, root at 12, the position at 24.
    std::memcpy(request + 12, &root, 4);
    std::memcpy(request + 24, &x, 2);
    std::memcpy(request + 26, &y, 2);
    // libxcb writes the header into two vectors ahead of the request's own.
    iovec parts[3] = {};
    parts[2].iov_base = request;
    parts[2].iov_len = sizeof request;
    const xcb_protocol_request_t description = {1, &xtestExtension, FAKE_INPUT, 1};
    xcb_send_request(link, 0, parts + 2, &description);
}

void XtestInput::movePointer(std::int16_t x, std::int16_t y)
{
    fakeInput(XCB_MOTION_NOTIFY, 0, x, y);  // detail 0: an absolute place
}

void XtestInput::key(std::uint8_t keycode, bool down)
{
    fakeInput(down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, 0, 0);
}

bool XtestInput::sync()
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(link, xcb_get_input_focus(link), nullptr);
    const bool answered = reply != nullptr;
    std::free(reply);
    return answered && !xcb_connection_has_error(link);
}

}  // namespace vxr::test
