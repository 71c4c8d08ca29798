#include "vxr/console/input/window_input.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "vxr/console/core/library_thread.h"

namespace vxr {
namespace {

std::vector<Event> drain(WindowInput& input)
{
    std::vector<Event> events;
    Event event;
    while (input.poll(event)) events.push_back(event);
    return events;
}

TEST(WindowInput, KeysAreEventsStateAndOneCountedPressEach)
{
    WindowInput input;
    input.windowOpened();
    input.keyDown(Key::A, 38, U'a', MODIFIER_SHIFT, false);
    input.keyDown(Key::A, 38, U'a', MODIFIER_SHIFT, true);
    EXPECT_TRUE(input.isKeyDown(Key::A));
    EXPECT_EQ(input.modifiers(), MODIFIER_SHIFT);
    input.keyUp(Key::A, 38, U'a', 0);
    EXPECT_FALSE(input.isKeyDown(Key::A));
    input.keyDown(Key::Unknown, 999, 0, 0, false);
    EXPECT_FALSE(input.isKeyDown(Key::Unknown));

    const std::vector<Event> events = drain(input);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].type, EventType::KeyDown);
    EXPECT_FALSE(events[0].repeat);
    EXPECT_TRUE(events[1].repeat);
    EXPECT_EQ(events[2].type, EventType::KeyUp);
    EXPECT_EQ(events[3].nativeCode, 999u);
    // Every down, repeats included, is one entry of value 1 for readKey.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(input.readKey(), 1);
    EXPECT_EQ(input.hasKeys(), 0);

    WindowInput uncounted(false);
    uncounted.windowOpened();
    uncounted.keyDown(Key::B, 56, U'b', 0, false);
    EXPECT_EQ(uncounted.hasKeys(), 0);
    EXPECT_TRUE(uncounted.isKeyDown(Key::B));
}

TEST(WindowInput, TextIsCheckedSplitAndFreeOfControlCharacters)
{
    WindowInput input;
    input.windowOpened();
    input.text("\xC3\xA9\r\x1B\x7F" "a\xFF", 7);
    input.textCodePoint(0xD800);
    const std::string long40(40, 'x');
    input.text(long40.data(), long40.size());
    input.text("\xE2\x82\xAC", 2);  // cut short

    const std::vector<Event> events = drain(input);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_STREQ(events[0].text, "\xC3\xA9" "a\xEF\xBF\xBD");
    EXPECT_STREQ(events[1].text, "\xEF\xBF\xBD");
    EXPECT_EQ(std::string(events[2].text) + events[3].text, long40);
    EXPECT_LT(std::string(events[2].text).size(), static_cast<std::size_t>(Event::TEXT_CAPACITY));
    EXPECT_STREQ(events[4].text, "\xEF\xBF\xBD");
}

TEST(WindowInput, PointerPositionsAreFramePixelsAndButtonsAreHeldState)
{
    WindowInput input;
    input.windowOpened();
    input.showFrame(320, 200, Rect{80, 0, 720, 400});
    input.pointerEntered(80, 0);
    input.pointerMoved(719, 399);
    input.pointerButton(BUTTON_RIGHT, true);
    MouseState state = input.mouse();
    EXPECT_EQ(state.buttons, 1u << (BUTTON_RIGHT - 1));
    EXPECT_TRUE(state.overWindow);
    EXPECT_EQ(state.position.x, 319);
    input.pointerMoved(10, 10);
    input.wheel(0, 1);
    input.pointerButton(BUTTON_RIGHT, false);
    input.pointerLeft();
    EXPECT_FALSE(input.mouse().overWindow);
    EXPECT_EQ(input.mouse().buttons, 0u);

    const std::vector<Event> events = drain(input);
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].type, EventType::MouseEnter);
    EXPECT_EQ(events[0].pointer.x, 0);
    EXPECT_TRUE(events[0].pointer.inside);
    EXPECT_EQ(events[1].pointer.x, 319);
    EXPECT_EQ(events[1].pointer.y, 199);
    EXPECT_EQ(events[2].type, EventType::MouseDown);
    EXPECT_EQ(events[2].button, BUTTON_RIGHT);
    EXPECT_EQ(events[2].pointer.windowX, 719);
    EXPECT_FALSE(events[3].pointer.inside);
    EXPECT_EQ(events[4].type, EventType::Wheel);
    EXPECT_EQ(events[4].wheelY, 1.0f);
    EXPECT_EQ(events[5].type, EventType::MouseUp);
    EXPECT_EQ(events[6].type, EventType::MouseLeave);
}

TEST(WindowInput, LosingFocusReleasesHeldKeysWithKeyUps)
{
    WindowInput input;
    input.windowOpened();
    input.keyDown(Key::LeftShift, 50, 0, MODIFIER_SHIFT, false);
    input.keyDown(Key::Left, 113, 0, MODIFIER_SHIFT, false);
    drain(input);
    input.focusChanged(false);
    EXPECT_FALSE(input.isKeyDown(Key::Left));
    EXPECT_FALSE(input.isKeyDown(Key::LeftShift));
    const std::vector<Event> events = drain(input);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EventType::KeyUp);
    EXPECT_EQ(events[1].type, EventType::KeyUp);
    EXPECT_EQ(events[0].key == Key::Left ? events[0].nativeCode : events[1].nativeCode, 113u);
    EXPECT_EQ(events[2].type, EventType::FocusOut);
}

TEST(WindowInput, ACloseIsAnEventOnlyWhenTheProgramAskedForIt)
{
    WindowInput input;
    input.windowOpened();
    input.setCloseAsEvent(true);
    input.closeRequested();
    Event event;
    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.type, EventType::Close);
    EXPECT_FALSE(input.isEndAsked());
    input.setCloseAsEvent(false);
    input.closeRequested();
    EXPECT_TRUE(input.isEndAsked());
    EXPECT_EXIT(input.poll(event), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(input.hasKeys(), ::testing::ExitedWithCode(0), "");
}

// What the window thread does when a close or a loss ends the program: it
// only asks, and goes on; the program's thread ends the process.
void onLibraryThread(const std::function<void()>& work)
{
    std::thread thread([&] {
        LibraryThread::markCurrent();
        work();
    });
    thread.join();
}

TEST(WindowInput, AWindowThreadNeverEndsTheProcessItself)
{
    WindowInput input;
    input.windowOpened();
    bool carriedOn = false;
    onLibraryThread([&] {
        input.closeRequested();
        input.displayLost();
        input.endIfAsked();
        carriedOn = true;
    });
    EXPECT_TRUE(carriedOn);
    // The loss outranks the close that came first.
    EXPECT_EXIT(input.endIfAsked(), ::testing::ExitedWithCode(1), "vxr error: lost the display");
}

TEST(WindowInput, AProgramWaitingForAKeyOrAnEventWakesToEnd)
{
    const auto closeSoon = [](WindowInput& input, bool lose) {
        return std::thread([&input, lose] {
            LibraryThread::markCurrent();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (lose)
                input.displayLost();
            else
                input.closeRequested();
        });
    };
    EXPECT_EXIT(
        {
            WindowInput input;
            input.windowOpened();
            // Left running: the process ends while it may still be there.
            closeSoon(input, false).detach();
            input.readKey();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            WindowInput input;
            input.windowOpened();
            closeSoon(input, true).detach();
            Event event;
            input.wait(event, std::chrono::milliseconds(-1));
            std::exit(3);
        },
        ::testing::ExitedWithCode(1), "vxr error: lost the display");
}

TEST(WindowInput, ALostDisplayIsACloseThatSaysSoOrAnExitWithCodeOne)
{
    WindowInput input;
    input.windowOpened();
    input.setCloseAsEvent(true);
    input.displayLost();
    input.displayLost();  // said once
    EXPECT_TRUE(input.isDisplayLost());
    Event event;
    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.type, EventType::Close);
    EXPECT_TRUE(event.displayLost);
    EXPECT_FALSE(input.poll(event));
    input.windowOpened();
    EXPECT_FALSE(input.isDisplayLost());
    input.setCloseAsEvent(false);
    input.displayLost();
    EXPECT_EXIT(input.readKey(), ::testing::ExitedWithCode(1), "vxr error: lost the display");
}

TEST(WindowInput, ANewWindowForgetsTheOldOnesEventsAndState)
{
    WindowInput input;
    input.windowOpened();
    input.keyDown(Key::Q, 24, U'q', 0, false);
    input.pointerButton(BUTTON_LEFT, true);
    input.windowEnded();
    Event event;
    // Posted before the end: still there to read, and a wait does not block.
    EXPECT_TRUE(input.wait(event, std::chrono::milliseconds(-1)));
    input.windowOpened();
    EXPECT_FALSE(input.poll(event));
    EXPECT_FALSE(input.isKeyDown(Key::Q));
    EXPECT_EQ(input.mouse().buttons, 0u);
}

}  // namespace
}  // namespace vxr
