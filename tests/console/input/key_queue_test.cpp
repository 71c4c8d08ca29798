#include "vxr/console/input/key_queue.h"

#include <gtest/gtest.h>

namespace vxr {
namespace {

TEST(KeyQueue, ReturnsKeysInPushOrder)
{
    KeyQueue queue;
    EXPECT_EQ(queue.hasItems(), 0);
    std::int32_t key = -1;
    EXPECT_EQ(queue.pop(&key), 0);
    EXPECT_EQ(key, -1);
    for (std::int32_t value : {3, 1, 2}) ASSERT_EQ(queue.push(value), 1);
    EXPECT_EQ(queue.hasItems(), 1);
    for (std::int32_t expected : {3, 1, 2}) {
        ASSERT_EQ(queue.pop(&key), 1);
        EXPECT_EQ(key, expected);
    }
    EXPECT_EQ(queue.hasItems(), 0);
}

TEST(KeyQueue, HoldsOneLessThanItsSlotsAndDropsTheRest)
{
    KeyQueue queue;
    for (std::int32_t i = 0; i < KeyQueue::CAPACITY - 1; ++i) ASSERT_EQ(queue.push(i), 1) << i;
    EXPECT_EQ(queue.push(9999), 0);
    std::int32_t key;
    for (std::int32_t i = 0; i < KeyQueue::CAPACITY - 1; ++i) {
        ASSERT_EQ(queue.pop(&key), 1);
        ASSERT_EQ(key, i);
    }
    EXPECT_EQ(queue.pop(&key), 0);
}

TEST(KeyQueue, WrapsAroundTheRing)
{
    KeyQueue queue;
    std::int32_t key;
    for (std::int32_t round = 0; round < 3 * KeyQueue::CAPACITY; ++round) {
        ASSERT_EQ(queue.push(round), 1);
        ASSERT_EQ(queue.push(round + 1), 1);
        ASSERT_EQ(queue.pop(&key), 1);
        ASSERT_EQ(key, round);
        ASSERT_EQ(queue.pop(&key), 1);
        ASSERT_EQ(key, round + 1);
    }
    EXPECT_EQ(queue.hasItems(), 0);
}

}  // namespace
}  // namespace vxr
