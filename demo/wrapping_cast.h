#pragma once

#include <cmath>
#include <cstdint>

namespace demo {

// Truncates toward zero and wraps modulo 2^32 into a 32-bit signed value,
// for every input: texture coordinates must keep repeating long after they
// leave the 32-bit range. Infinities and NaN give 0.
inline int32_t wrapToInt32(double value)
{
    constexpr double INT64_LIMIT = 9223372036854775808.0;  // 2^63
    constexpr double PERIOD = 4294967296.0;                // 2^32
    double whole = value;
    if (!(value > -INT64_LIMIT && value < INT64_LIMIT)) {
        if (!std::isfinite(value)) {
            return 0;
        }
        // Doubles this large are whole numbers, so the remainder is exact.
        whole = std::fmod(value, PERIOD);
    }
    return int32_t(uint32_t(uint64_t(int64_t(whole))));
}

}  // namespace demo
