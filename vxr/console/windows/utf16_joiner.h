#pragma once

#include <cstdint>

namespace vxr {

// Joins the UTF-16 units that Windows' character messages bring one at a
// time: a high surrogate waits for its low half; a half without its partner
// becomes U+FFFD.
class Utf16Joiner {
public:
    // The code points completed by this unit, at most two (a pending high
    // surrogate that did not get its low half, then this unit), written to
    // out; returns how many.
    int feed(std::uint16_t unit, char32_t out[2]);

private:
    std::uint16_t pendingHigh = 0;
};

}  // namespace vxr
