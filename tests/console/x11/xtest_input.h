#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "vxr/non_copyable.h"

namespace vxr::test {

// Input made on a server through its XTEST extension, from a connection of
// its own, as fast as requests can be written: for floods that a tool
// started per event could not make. The server handles it as it handles
// xdotool's input.
class XtestInput : public NonCopyable {
public:
    ~XtestInput();

    // False when the display cannot be reached or has no XTEST.
    bool connect(const std::string& display);

    // The pointer to a place on the first screen.
    void movePointer(std::int16_t x, std::int16_t y);
    // A key by its X key code (a Linux input code plus 8).
    void key(std::uint8_t keycode, bool down);
    // Sends what is buffered and waits until the server has handled it.
    bool sync();

private:
    void fakeInput(std::uint8_t type, std::uint8_t detail, std::int16_t x, std::int16_t y);

    xcb_connection_t* link = nullptr;
    xcb_window_t root = 0;
};

}  // namespace vxr::test
