#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "input_injection.h"
#include "vxr/console/event.h"

namespace vxr::testing {

// What the Win32 input suites start from: a console of the kind given with
// its window open, in front with the keyboard's focus, and the events of the
// open already read, so that the first event a test reads comes from the
// input it injects. Each suite says how its console opens.
template <typename WindowedConsole>
class ConsoleInputFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(openWindow());
        window = static_cast<HWND>(console.window());
        ASSERT_NE(window, nullptr);
        bringForward(window);
        settleWindow();
        drain(console);
    }

    // Opens the console's window where the suite's tests want it.
    virtual void openWindow() = 0;
    // Lets the window thread handle what the open and the focus queued for it.
    virtual void settleWindow() { SendMessageA(window, WM_NULL, 0, 0); }

    Event next(EventType type) { return nextEvent(console, type); }
    Event nextKey(EventType type, Key key) { return nextKeyEvent(console, type, key); }

    // The text of the Text events read until bytes of it have come, or none
    // comes for a while; every event read is kept in seen.
    std::string readText(std::size_t bytes, std::vector<Event>& seen)
    {
        std::string text;
        while (text.size() < bytes && waitFor(console, EventType::Text, seen))
            text += seen.back().text;
        return text;
    }

    // Reads every key press the console holds, each of which must read
    // back, and says how many there were.
    int readPresses()
    {
        int presses = 0;
        while (console.keyPressed()) {
            EXPECT_EQ(console.readKey(), 1);
            ++presses;
        }
        return presses;
    }

    WindowedConsole console{nullptr};
    HWND window = nullptr;
};

}  // namespace vxr::testing
