#pragma once

#include <cstdint>

namespace vxr {

/// Table ids. 1022..1025 are reserved: they count as table ids for validity,
/// equality and the converter tables, but no format can be filled from them.
inline constexpr std::int32_t CUSTOM = 0;
inline constexpr std::int32_t ARGB8888 = 1000;
inline constexpr std::int32_t ABGR8888 = 1001;
inline constexpr std::int32_t BGRA8888 = 1002;
inline constexpr std::int32_t RGBA8888 = 1003;
inline constexpr std::int32_t RGB888 = 1004;
inline constexpr std::int32_t BGR888 = 1005;
inline constexpr std::int32_t RGB565 = 1006;
inline constexpr std::int32_t BGR565 = 1007;
inline constexpr std::int32_t ARGB1555 = 1008;
inline constexpr std::int32_t ABGR1555 = 1009;
inline constexpr std::int32_t INDEX8 = 1010;
inline constexpr std::int32_t SPECIAL18A = 1011;
inline constexpr std::int32_t SPECIAL18B = 1012;
inline constexpr std::int32_t SPECIAL18C = 1013;
inline constexpr std::int32_t SPECIAL14A = 1014;
inline constexpr std::int32_t SPECIAL14B = 1015;
inline constexpr std::int32_t SPECIAL14C = 1016;
inline constexpr std::int32_t SPECIAL12A = 1017;
inline constexpr std::int32_t SPECIAL12B = 1018;
inline constexpr std::int32_t SPECIAL12C = 1019;
inline constexpr std::int32_t GREY8 = 1020;
inline constexpr std::int32_t RGB332 = 1021;
inline constexpr std::int32_t FIRST_FORMAT_ID = 1000;
inline constexpr std::int32_t LAST_FILLABLE_FORMAT_ID = 1021;
inline constexpr std::int32_t LAST_FORMAT_ID = 1025;
inline constexpr std::int32_t FORMAT_TABLE_SIZE = LAST_FORMAT_ID - FIRST_FORMAT_ID + 1;

/// Models and colour codes.
inline constexpr std::int32_t DIRECT = 1225;
inline constexpr std::int32_t INDEXED = 1226;
inline constexpr std::int32_t SPECIAL = 1227;
inline constexpr std::int32_t RGB = 1325;
inline constexpr std::int32_t GREY = 1333;

/// One colour channel inside the little-endian pixel value. mask and adjust
/// are always derived from shift and size (computeMasks).
struct Channel {
    std::int32_t shift = 0;
    std::int32_t size = 0;
    std::uint32_t mask = 0;
    std::int32_t adjust = 0;  ///< left shift from an 8-bit intensity; negative shifts right

    bool operator==(const Channel&) const = default;
};

/// How one pixel is laid out in memory: a table format named by id, or a
/// custom one built from channel masks.
class PixelFormat {
public:
    PixelFormat() = default;
    explicit PixelFormat(std::int32_t formatId);
    PixelFormat(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
                std::uint32_t alphaMask, std::int32_t colourCode, std::int32_t bitCount);

    bool setId(std::int32_t formatId);
    bool setMasks(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
                  std::uint32_t alphaMask, std::int32_t colourCode, std::int32_t bitCount);
    bool setLayout(std::int32_t redShift, std::int32_t redSize, std::int32_t greenShift,
                   std::int32_t greenSize, std::int32_t blueShift, std::int32_t blueSize,
                   std::int32_t alphaShift, std::int32_t alphaSize, std::int32_t colourCode,
                   std::int32_t bitCount);
    void computeMasks();
    static Channel analyseMask(std::uint32_t mask);

    /// Pack 8-bit intensities into one pixel at dest (bytes bytes, least
    /// significant first); unpack is its inverse, widened to full intensity.
    bool pack(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t alpha,
              void* dest, std::int32_t colourCode) const;
    bool unpack(const void* src, std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue,
                std::uint8_t* alpha, std::int32_t colourCode) const;

    bool isValid() const;
    bool isTableId() const { return id >= FIRST_FORMAT_ID && id <= LAST_FORMAT_ID; }

    bool operator==(const PixelFormat& other) const;
    bool operator!=(const PixelFormat& other) const { return !(*this == other); }

    std::int32_t id = 0;
    std::int32_t model = 0;
    std::int32_t colour = 0;
    std::int32_t bits = 0;
    std::int32_t bytes = 0;
    Channel red;
    Channel green;
    Channel blue;
    Channel alpha;
};

}  // namespace vxr
