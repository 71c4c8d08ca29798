#include "vxr/console/input/utf8_text.h"

namespace vxr {
namespace {

bool isSurrogate(char32_t value) { return value >= 0xD800 && value <= 0xDFFF; }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Of a lead byte: the sequence's length and the bounds its second byte
// must keep so that the form is neither overlong, a surrogate nor past
// U+10FFFF; length 0 for a byte that starts nothing.
struct Lead {
    int length;
    unsigned char low;
    unsigned char high;
};

Lead leadOf(unsigned char byte)
{
    if (byte < 0x80) return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
    if (byte == 0xE0) return {3, 0xA0, 0xBF};
    if (byte == 0xED) return {3, 0x80, 0x9F};
    if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
    if (byte == 0xF0) return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
    if (byte == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

int Utf8Text::encode(char32_t codePoint, char* out)
{
    if (isSurrogate(codePoint) || codePoint > 0x10FFFF) codePoint = REPLACEMENT;
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

char32_t Utf8Text::decode(const char* text, std::size_t length, std::size_t& consumed)
{
    consumed = 0;
    if (length == 0) return REPLACEMENT;
    const auto byteAt = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const Lead lead = leadOf(byteAt(0));
    consumed = 1;
    if (lead.length == 1) return byteAt(0);
    if (lead.length == 0) return REPLACEMENT;
    char32_t value = byteAt(0) & (0xFF >> (lead.length + 1));
    for (int i = 1; i < lead.length; ++i) {
        if (static_cast<std::size_t>(i) >= length) return REPLACEMENT;
        const unsigned char byte = byteAt(static_cast<std::size_t>(i));
        const bool fits = i == 1 ? byte >= lead.low && byte <= lead.high : isContinuation(byte);
        // The ill-formed part ends before the byte that does not fit.
        if (!fits) return REPLACEMENT;
        value = (value << 6) | (byte & 0x3F);
        consumed = static_cast<std::size_t>(i) + 1;
    }
    return value;
}

}  // namespace vxr
