#include "vxr/format/conversion_routines.h"
#include "vxr/format/lane_conversion.h"

// Every formula reads an ARGB8888 pixel: blue in bits 0-7, green 8-15, red
// 16-23, alpha 24-31. Only the three 32-bit reorderings keep alpha.
namespace vxr {
namespace {

using detail::SameSizeConversion;
using detail::SplitConversion;
using detail::TripleConversion;
namespace simd = detail::simd;

struct SwapRedBlue {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& x)
    {
        x = (x & 0xFF00FF00u) | ((x >> 16) & 0xFFu) | ((x & 0xFFu) << 16);
    }
};

struct RotateLeftByte {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& x)
    {
        x = (x << 8) | (x >> 24);
    }
};

struct ReverseBytes {
    // Byte i of every group of four comes from byte 3 - i.
    struct Pattern {
        static constexpr std::size_t from(std::size_t lane) { return lane ^ 3u; }
    };

    template <class T>
    VXR_SIMD_INLINE static void apply(T& x)
    {
        if constexpr (sizeof(T) >= simd::byteShuffleWidth) {
            // One byte shuffle at widths that have it.
            using Bytes = simd::U8<sizeof(T)>;
            Bytes reversed;
            simd::rearrange<Pattern>((Bytes)x, reversed);
            x = (T)reversed;
        } else {
            x = (x << 24) | ((x << 8) & 0xFF0000u) | ((x >> 8) & 0xFF00u) | (x >> 24);
        }
    }
};

// RGB888 keeps the low three bytes as they are.
struct KeepBytes {
    template <class T>
    VXR_SIMD_INLINE static void apply(T&)
    {
    }
};

// The 16-bit and 8-bit destinations read the pixel as two 16-bit halves:
// gb holds green and blue (G << 8 | B), ar alpha and red (A << 8 | R).

// RGB565, ARGB1555 and their BGR orders: five bits of one outer channel at
// the top, GreenBits of green, five bits of the other outer channel at the
// bottom. Red comes from ar's low byte and blue from gb's, the other way
// round when BlueOnTop; the alpha bit stays 0, whatever the source alpha.
template <int GreenBits, bool BlueOnTop>
struct To16Bit {
    static constexpr unsigned topShift = GreenBits + 2;
    static constexpr unsigned topMask = 0x1Fu << (GreenBits + 5);
    static constexpr unsigned greenShift = 11 - GreenBits;
    static constexpr unsigned greenMask = ((1u << GreenBits) - 1) << 5;

    template <class T>
    VXR_SIMD_INLINE static void apply(T& out, const T& gb, const T& ar)
    {
        const T& top = BlueOnTop ? gb : ar;
        const T& bottom = BlueOnTop ? ar : gb;
        out = ((top << topShift) & topMask) | ((gb >> greenShift) & greenMask) |
              ((bottom >> 3) & 0x1Fu);
    }
};

using ToRgb565 = To16Bit<6, false>;
using ToBgr565 = To16Bit<6, true>;
using ToArgb1555 = To16Bit<5, false>;
using ToAbgr1555 = To16Bit<5, true>;

// A quarter of blue and red and half of green: at most 253.
struct ToGrey8 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& out, const T& gb, const T& ar)
    {
        out = ((gb & 0xFFu) >> 2) + (gb >> 9) + ((ar & 0xFFu) >> 2);
    }
};

struct ToRgb332 {
    template <class T>
    VXR_SIMD_INLINE static void apply(T& out, const T& gb, const T& ar)
    {
        out = (ar & 0xE0u) | ((gb >> 11) & 0x1Cu) | ((gb >> 6) & 0x3u);
    }
};

using ToAbgr8888Conversion = SameSizeConversion<SwapRedBlue, 4, 32>;
using ToRgba8888Conversion = SameSizeConversion<RotateLeftByte, 4, 32>;
using ToBgra8888Conversion = SameSizeConversion<ReverseBytes, 4, 32>;
using ToRgb888Conversion = TripleConversion<KeepBytes, 32>;
using ToBgr888Conversion = TripleConversion<SwapRedBlue, 32>;
using ToRgb565Conversion = SplitConversion<ToRgb565, 2, 16>;
using ToBgr565Conversion = SplitConversion<ToBgr565, 2, 16>;
using ToArgb1555Conversion = SplitConversion<ToArgb1555, 2, 16>;
using ToAbgr1555Conversion = SplitConversion<ToAbgr1555, 2, 16>;
using ToGrey8Conversion = SplitConversion<ToGrey8, 1, 32>;
using ToRgb332Conversion = SplitConversion<ToRgb332, 1, 32>;

}  // namespace

VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToABGR8888, ToAbgr8888Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToRGBA8888, ToRgba8888Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToBGRA8888, ToBgra8888Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToRGB888, ToRgb888Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToBGR888, ToBgr888Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToRGB565, ToRgb565Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToBGR565, ToBgr565Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToARGB1555, ToArgb1555Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToABGR1555, ToAbgr1555Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToGREY8, ToGrey8Conversion)
VXR_DEFINE_CONVERSION_ROUTINE(argb8888ToRGB332, ToRgb332Conversion)

}  // namespace vxr
