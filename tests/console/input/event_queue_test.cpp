#include "vxr/console/input/event_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vxr {
namespace {

Event ofType(EventType type, std::int32_t tag = 0)
{
    Event event;
    event.type = type;
    event.width = tag;
    event.pointer.x = tag;
    return event;
}

TEST(EventQueue, KeepsOrderMergesMotionAndDropsTheNewestWhenFull)
{
    EventQueue queue;
    queue.reopen();
    queue.post(ofType(EventType::KeyDown, 1));
    for (int i = 0; i < 100000; ++i) queue.post(ofType(EventType::MouseMove, i));
    queue.post(ofType(EventType::KeyUp, 2));
    queue.post(ofType(EventType::MouseMove, 7));
    EXPECT_EQ(queue.size(), 4);

    Event event;
    ASSERT_TRUE(queue.poll(event));
    EXPECT_EQ(event.type, EventType::KeyDown);
    ASSERT_TRUE(queue.poll(event));
    EXPECT_EQ(event.type, EventType::MouseMove);
    EXPECT_EQ(event.pointer.x, 99999);  // the newest position of the run
    ASSERT_TRUE(queue.poll(event));
    EXPECT_EQ(event.type, EventType::KeyUp);
    ASSERT_TRUE(queue.poll(event));
    EXPECT_EQ(event.pointer.x, 7);
    EXPECT_FALSE(queue.poll(event));

    for (int i = 0; i < EventQueue::CAPACITY + 10; ++i) queue.post(ofType(EventType::KeyDown, i));
    EXPECT_EQ(queue.size(), EventQueue::CAPACITY);
    EXPECT_EQ(queue.droppedCount(), 10u);
    EXPECT_EQ(queue.droppedCount(), 0u);  // the count starts again
    ASSERT_TRUE(queue.poll(event));
    EXPECT_EQ(event.width, 0);  // the oldest stayed
}

TEST(EventQueue, ACloseRequestIsNeverDropped)
{
    EventQueue queue;
    queue.reopen();
    for (int i = 0; i < EventQueue::CAPACITY; ++i) queue.post(ofType(EventType::KeyDown, i));
    EXPECT_TRUE(queue.post(ofType(EventType::Close)));
    EXPECT_EQ(queue.droppedCount(), 1u);
    Event event;
    EventType last = EventType::None;
    int count = 0;
    while (queue.poll(event)) {
        last = event.type;
        ++count;
    }
    EXPECT_EQ(count, EventQueue::CAPACITY);
    EXPECT_EQ(last, EventType::Close);
}

TEST(EventQueue, AWaitEndsWithAnEventFromAnotherThreadOrWhenClosed)
{
    EventQueue queue;
    Event event;
    // Closed (no window yet): a wait without limit returns at once.
    EXPECT_FALSE(queue.wait(event, std::chrono::milliseconds(-1)));
    queue.reopen();
    EXPECT_FALSE(queue.wait(event, std::chrono::milliseconds(1)));

    std::thread poster([&] { queue.post(ofType(EventType::FocusIn)); });
    ASSERT_TRUE(queue.wait(event, std::chrono::milliseconds(-1)));
    EXPECT_EQ(event.type, EventType::FocusIn);
    poster.join();

    std::atomic<bool> got{true};
    std::thread waiter([&] {
        Event seen;
        got = queue.wait(seen, std::chrono::milliseconds(-1));
    });
    queue.close();
    waiter.join();
    EXPECT_FALSE(got.load());
}

}  // namespace
}  // namespace vxr
