#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vxr::detail {

// Pixels are little-endian values; on a little-endian host the value's own
// low bytes are the pixel's bytes, so memcpy moves them in the right order.
// memcpy also makes every access legal at any address and for any type.
static_assert(std::endian::native == std::endian::little,
              "pixel values are stored least significant byte first");

template <int Bytes>
inline std::uint32_t loadPixel(const std::uint8_t* at)
{
    static_assert(Bytes >= 1 && Bytes <= 4);
    std::uint32_t value = 0;
    std::memcpy(&value, at, Bytes);
    return value;
}

// Only the low Bytes bytes of value are written: narrowing is truncation.
template <int Bytes>
inline void storePixel(std::uint8_t* at, std::uint32_t value)
{
    static_assert(Bytes >= 1 && Bytes <= 4);
    std::memcpy(at, &value, Bytes);
}

template <class Word>
inline Word loadWord(const std::uint8_t* at)
{
    Word value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

template <class Word>
inline void storeWord(std::uint8_t* at, Word value)
{
    std::memcpy(at, &value, sizeof value);
}

inline bool isWordAligned(const void* at)
{
    return (reinterpret_cast<std::uintptr_t>(at) & 3u) == 0;
}

// Pixel counts times pixel sizes, kept in the address width so that a long
// run cannot overflow a 32-bit product.
inline std::ptrdiff_t byteCount(std::int32_t pixels, int bytesPerPixel)
{
    return static_cast<std::ptrdiff_t>(pixels) * bytesPerPixel;
}

}  // namespace vxr::detail
