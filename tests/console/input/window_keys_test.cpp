#include "vxr/console/input/window_keys.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "vxr/console/desktop/window_title.h"

namespace vxr {
namespace {

TEST(WindowKeys, EachPressIsOneEntryAndAFullQueueDropsTheRest)
{
    WindowKeys keys;
    keys.windowOpened();
    EXPECT_EQ(keys.hasKeys(), 0);
    for (int i = 0; i < KeyQueue::CAPACITY + 5; ++i) keys.press();
    int read = 0;
    while (keys.hasKeys()) {
        ASSERT_EQ(keys.read(), 1);
        ++read;
    }
    EXPECT_EQ(read, KeyQueue::CAPACITY - 1);
}

// What a read on another thread of an open window's keys returns once the
// window thread has done what it does.
int readOnAnotherThreadWhile(WindowKeys& keys, void (WindowKeys::*windowThreadDoes)())
{
    keys.windowOpened();
    std::atomic<int> key{-1};
    std::thread reader([&] { key = keys.read(); });
    (keys.*windowThreadDoes)();
    reader.join();
    return key.load();
}

TEST(WindowKeys, AReaderWaitsForAPressFromAnotherThread)
{
    WindowKeys keys;
    EXPECT_EQ(readOnAnotherThreadWhile(keys, &WindowKeys::press), 1);
}

TEST(WindowKeys, AWindowThatEndsReleasesItsReadersWithNoKey)
{
    WindowKeys keys;
    EXPECT_EQ(readOnAnotherThreadWhile(keys, &WindowKeys::windowEnded), 0);
    // Keys pressed before the end are still there to read.
    keys.windowOpened();
    keys.press();
    keys.windowEnded();
    EXPECT_EQ(keys.read(), 1);
    EXPECT_EQ(keys.read(), 0);
}

TEST(WindowTitle, KeepsWhatFitsACallersBufferAndRefusesNull)
{
    WindowTitle title;
    char out[Console::TITLE_CAPACITY];
    ASSERT_TRUE(title.copyTo(out));
    EXPECT_STREQ(out, "");
    EXPECT_TRUE(title.set("tunnel"));
    EXPECT_FALSE(title.set(nullptr));
    EXPECT_STREQ(title.text(), "tunnel");
    const std::string longer(Console::TITLE_CAPACITY + 40, 'x');
    EXPECT_TRUE(title.set(longer.c_str()));
    ASSERT_TRUE(title.copyTo(out));
    EXPECT_EQ(std::string(out), longer.substr(0, Console::TITLE_CAPACITY - 1));
    EXPECT_FALSE(title.copyTo(nullptr));
}

}  // namespace
}  // namespace vxr
