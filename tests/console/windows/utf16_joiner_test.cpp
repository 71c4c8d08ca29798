#include "vxr/console/windows/utf16_joiner.h"

#include <gtest/gtest.h>

#include "vxr/console/input/utf8_text.h"

namespace vxr {
namespace {

TEST(Utf16Joiner, JoinsSurrogatePairsAndReplacesLoneHalves)
{
    Utf16Joiner joiner;
    char32_t out[2];
    EXPECT_EQ(joiner.feed(u'é', out), 1);
    EXPECT_EQ(out[0], U'é');
    EXPECT_EQ(joiner.feed(0xD83D, out), 0);
    ASSERT_EQ(joiner.feed(0xDE00, out), 1);
    EXPECT_EQ(out[0], U'\U0001F600');
    // A low half alone, then a high half followed by a plain unit.
    ASSERT_EQ(joiner.feed(0xDE00, out), 1);
    EXPECT_EQ(out[0], Utf8Text::REPLACEMENT);
    EXPECT_EQ(joiner.feed(0xD83D, out), 0);
    ASSERT_EQ(joiner.feed(u'x', out), 2);
    EXPECT_EQ(out[0], Utf8Text::REPLACEMENT);
    EXPECT_EQ(out[1], U'x');
    // Two high halves in a row: the first is lost, the second still pairs.
    EXPECT_EQ(joiner.feed(0xD83D, out), 0);
    ASSERT_EQ(joiner.feed(0xD83D, out), 1);
    EXPECT_EQ(out[0], Utf8Text::REPLACEMENT);
    ASSERT_EQ(joiner.feed(0xDE00, out), 1);
    EXPECT_EQ(out[0], U'\U0001F600');
}

}  // namespace
}  // namespace vxr
