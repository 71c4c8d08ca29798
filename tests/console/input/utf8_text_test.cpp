#include "vxr/console/input/utf8_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxr {
namespace {

std::vector<char32_t> decodeAll(const std::string& bytes)
{
    std::vector<char32_t> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t used = 0;
        out.push_back(Utf8Text::decode(bytes.data() + at, bytes.size() - at, used));
        EXPECT_GE(used, 1u);
        at += used;
    }
    return out;
}

std::string encodeOne(char32_t codePoint)
{
    char out[4];
    return std::string(out, static_cast<std::size_t>(Utf8Text::encode(codePoint, out)));
}

TEST(Utf8Text, EncodesEveryLengthAndReplacesWhatIsNoCharacter)
{
    EXPECT_EQ(encodeOne(U'A'), "A");
    EXPECT_EQ(encodeOne(U'é'), "\xC3\xA9");
    EXPECT_EQ(encodeOne(U'€'), "\xE2\x82\xAC");
    EXPECT_EQ(encodeOne(U'\U0001F600'), "\xF0\x9F\x98\x80");
    EXPECT_EQ(encodeOne(0xD800), "\xEF\xBF\xBD");
    EXPECT_EQ(encodeOne(0x110000), "\xEF\xBF\xBD");
}

TEST(Utf8Text, DecodesWellFormedTextAndOneReplacementPerIllFormedPart)
{
    EXPECT_EQ(decodeAll("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::vector<char32_t>{U'a', U'é', U'€', U'\U0001F600'}));
    const char32_t bad = Utf8Text::REPLACEMENT;
    // A stray continuation byte, an overlong form, a surrogate, a value past
    // U+10FFFF, a lead byte that starts nothing.
    EXPECT_EQ(decodeAll("\x80"), (std::vector<char32_t>{bad}));
    EXPECT_EQ(decodeAll("\xC0\xAF"), (std::vector<char32_t>{bad, bad}));
    EXPECT_EQ(decodeAll("\xED\xA0\x80"), (std::vector<char32_t>{bad, bad, bad}));
    EXPECT_EQ(decodeAll("\xF4\x90\x80\x80"), (std::vector<char32_t>{bad, bad, bad, bad}));
    EXPECT_EQ(decodeAll("\xFF" "b"), (std::vector<char32_t>{bad, U'b'}));
    // A cut sequence is one replacement, and what follows it is kept.
    EXPECT_EQ(decodeAll("\xE2\x82" "c"), (std::vector<char32_t>{bad, U'c'}));
    EXPECT_EQ(decodeAll("\xF0\x9F\x98"), (std::vector<char32_t>{bad}));
}

}  // namespace
}  // namespace vxr
