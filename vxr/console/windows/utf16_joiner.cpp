#include "vxr/console/windows/utf16_joiner.h"

#include "vxr/console/input/utf8_text.h"

namespace vxr {

int Utf16Joiner::feed(std::uint16_t unit, char32_t out[2])
{
    int count = 0;
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (pendingHigh && low) {
        out[count++] = 0x10000 + ((char32_t{pendingHigh} - 0xD800) << 10) + (unit - 0xDC00u);
        pendingHigh = 0;
        return count;
    }
    if (pendingHigh) out[count++] = Utf8Text::REPLACEMENT;
    pendingHigh = 0;
    if (high)
        pendingHigh = unit;
    else
        out[count++] = low ? Utf8Text::REPLACEMENT : char32_t{unit};
    return count;
}

}  // namespace vxr
