#pragma once

#include <cstddef>
#include <cstdint>

namespace vxr {

// UTF-8 as the events carry it: text from a platform is checked before it
// reaches a program, and whatever is not well-formed (stray continuation
// bytes, overlong forms, surrogates, values past U+10FFFF, a cut sequence)
// becomes U+FFFD, one replacement for each maximal ill-formed part.
class Utf8Text {
public:
    static constexpr char32_t REPLACEMENT = 0xFFFD;

    // Writes one code point (a surrogate or a value past U+10FFFF becomes
    // U+FFFD) into out, which has room for 4 bytes; returns the byte count.
    static int encode(char32_t codePoint, char* out);
    // Decodes the code point at text[0..length); sets consumed to the bytes
    // taken (at least 1 when length > 0) and returns U+FFFD for an ill-formed
    // sequence.
    static char32_t decode(const char* text, std::size_t length, std::size_t& consumed);
};

}  // namespace vxr
