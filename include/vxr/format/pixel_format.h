#pragma once

/// @file
/// Pixel formats: the table format ids, the model and colour codes, and
/// PixelFormat. Pixel values are little-endian: a channel's shift counts
/// from the lowest bit of the value, whose byte comes first in memory.
///
/// Table ids run from FIRST_FORMAT_ID to LAST_FORMAT_ID. 1022..1025 are
/// reserved: they count as table ids for validity, equality and the
/// converter tables, but no format can be filled from them.

#include <cstdint>

namespace vxr {

/// The id of a format built from masks or a layout rather than the table.
inline constexpr std::int32_t CUSTOM = 0;
inline constexpr std::int32_t ARGB8888 = 1000;  ///< 32 bits, 0xAARRGGBB
inline constexpr std::int32_t ABGR8888 = 1001;  ///< 32 bits, 0xAABBGGRR
inline constexpr std::int32_t BGRA8888 = 1002;  ///< 32 bits, 0xBBGGRRAA
inline constexpr std::int32_t RGBA8888 = 1003;  ///< 32 bits, 0xRRGGBBAA
inline constexpr std::int32_t RGB888 = 1004;    ///< 24 bits in 3 bytes, 0xRRGGBB
inline constexpr std::int32_t BGR888 = 1005;    ///< 24 bits in 3 bytes, 0xBBGGRR
inline constexpr std::int32_t RGB565 = 1006;    ///< 16 bits: red 5 (top), green 6, blue 5
inline constexpr std::int32_t BGR565 = 1007;    ///< 16 bits: blue 5 (top), green 6, red 5
inline constexpr std::int32_t ARGB1555 = 1008;  ///< 16 bits: alpha 1 (top), red 5, green 5, blue 5
inline constexpr std::int32_t ABGR1555 = 1009;  ///< 16 bits: alpha 1 (top), blue 5, green 5, red 5
inline constexpr std::int32_t INDEX8 = 1010;    ///< 8-bit indices into a Palette
/// Special 18-bit format: no byte layout (bytes 0), and no other format
/// converts into it; a palette gives it tables of tagged 6-bit
/// intensities. The A, B and C forms are described alike here.
inline constexpr std::int32_t SPECIAL18A = 1011;
inline constexpr std::int32_t SPECIAL18B = 1012;  ///< Like SPECIAL18A.
inline constexpr std::int32_t SPECIAL18C = 1013;  ///< Like SPECIAL18A.
/// Special 14-bit format, like SPECIAL18A but with its own palette tables.
inline constexpr std::int32_t SPECIAL14A = 1014;
inline constexpr std::int32_t SPECIAL14B = 1015;  ///< Like SPECIAL14A.
inline constexpr std::int32_t SPECIAL14C = 1016;  ///< Like SPECIAL14A.
/// Special 12-bit format; its palette tables are SPECIAL18A's.
inline constexpr std::int32_t SPECIAL12A = 1017;
inline constexpr std::int32_t SPECIAL12B = 1018;  ///< Like SPECIAL12A.
inline constexpr std::int32_t SPECIAL12C = 1019;  ///< Like SPECIAL12A.
/// 8-bit grey levels, held like indexed pixels; a surface made in it gets
/// a grey-ramp palette.
inline constexpr std::int32_t GREY8 = 1020;
inline constexpr std::int32_t RGB332 = 1021;           ///< 8 bits: red 3 (top), green 3, blue 2
inline constexpr std::int32_t FIRST_FORMAT_ID = 1000;  ///< The first table id (ARGB8888).
/// The last id a format can be filled from (RGB332).
inline constexpr std::int32_t LAST_FILLABLE_FORMAT_ID = 1021;
/// The last table id, reserved ones included.
inline constexpr std::int32_t LAST_FORMAT_ID = 1025;
/// How many table ids there are, for tables indexed by id - FIRST_FORMAT_ID.
inline constexpr std::int32_t FORMAT_TABLE_SIZE = LAST_FORMAT_ID - FIRST_FORMAT_ID + 1;

/// Model: each pixel holds its colour channels. Also an open request for
/// the best direct display mode.
inline constexpr std::int32_t DIRECT = 1225;
/// Model: each pixel is an index into a palette. Also an open request for
/// the best indexed display mode.
inline constexpr std::int32_t INDEXED = 1226;
/// Model: a layout known only by its id (the SPECIAL formats).
inline constexpr std::int32_t SPECIAL = 1227;
inline constexpr std::int32_t RGB = 1325;   ///< Colour code: red, green and blue channels.
inline constexpr std::int32_t GREY = 1333;  ///< Colour code: grey levels.

/// One colour channel inside the little-endian pixel value. mask and adjust
/// are always derived from shift and size (computeMasks).
struct Channel {
    std::int32_t shift = 0;  ///< the position of the channel's lowest bit in the pixel value
    std::int32_t size = 0;   ///< bits in the channel; 0 where the format has none
    /// The channel's bits in the pixel value; 0 for a channel that takes no
    /// part in packing (none, wider than 8 bits, or not inside 32 bits).
    std::uint32_t mask = 0;
    std::int32_t adjust = 0;  ///< left shift from an 8-bit intensity; negative shifts right

    /// Equal when all four fields are.
    bool operator==(const Channel&) const = default;
};

/// How one pixel is laid out in memory: a table format named by id, or a
/// custom one built from channel masks.
class PixelFormat {
public:
    /// An empty format: id CUSTOM, no model, not valid.
    PixelFormat() = default;
    /// The table format formatId; an id that cannot be filled leaves the
    /// format empty.
    explicit PixelFormat(std::int32_t formatId);
    /// A format from channel masks, as setMasks() makes it.
    PixelFormat(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
                std::uint32_t alphaMask, std::int32_t colourCode, std::int32_t bitCount);

    /// Fills the format from the table; false, leaving it unchanged, for an
    /// id outside FIRST_FORMAT_ID..LAST_FILLABLE_FORMAT_ID.
    bool setId(std::int32_t formatId);
    /// setLayout() with the shift and size of each mask's lowest run of set
    /// bits (0: no such channel). Always true.
    bool setMasks(std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask,
                  std::uint32_t alphaMask, std::int32_t colourCode, std::int32_t bitCount);
    /// Fills the format from each channel's shift and size in bits. An RGB
    /// layout that matches a table format becomes that format; any other is
    /// a CUSTOM direct format of colourCode with bitCount bits per pixel
    /// (-1: the channel sizes added up) and whole bytes to hold them. A
    /// CUSTOM direct format converts, but is not isValid(). Always true.
    bool setLayout(std::int32_t redShift, std::int32_t redSize, std::int32_t greenShift,
                   std::int32_t greenSize, std::int32_t blueShift, std::int32_t blueSize,
                   std::int32_t alphaShift, std::int32_t alphaSize, std::int32_t colourCode,
                   std::int32_t bitCount);
    /// Derives every channel's mask and adjust from its shift and size.
    void computeMasks();
    /// The shift and size of the lowest run of set bits in mask, with mask
    /// kept as given; an empty channel for 0.
    static Channel analyseMask(std::uint32_t mask);

    /// Packs 8-bit intensities into one pixel at dest (bytes bytes, least
    /// significant first). False, writing nothing, when colourCode is not
    /// the format's colour or a pixel is wider than 4 bytes.
    bool pack(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t alpha,
              void* dest, std::int32_t colourCode) const;
    /// The inverse of pack(): reads the pixel at src into 8-bit intensities,
    /// each channel widened to full intensity (5-bit 31 gives 255), 0 for a
    /// channel the format lacks. False, as pack(), reading nothing.
    bool unpack(const void* src, std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue,
                std::uint8_t* alpha, std::int32_t colourCode) const;

    /// True for a table id, an indexed format with bits and bytes, or a
    /// special format with bits; a CUSTOM direct format is not valid.
    bool isValid() const;
    /// True when id lies in FIRST_FORMAT_ID..LAST_FORMAT_ID.
    bool isTableId() const { return id >= FIRST_FORMAT_ID && id <= LAST_FORMAT_ID; }

    /// Equal when both have the same table id, or the same model, colour,
    /// bits, bytes and channels.
    bool operator==(const PixelFormat& other) const;
    /// Not operator==.
    bool operator!=(const PixelFormat& other) const { return !(*this == other); }

    std::int32_t id = 0;      ///< the table id, or CUSTOM
    std::int32_t model = 0;   ///< DIRECT, INDEXED or SPECIAL; 0 for an empty format
    std::int32_t colour = 0;  ///< RGB or GREY; 0 for INDEX8 and an empty format
    std::int32_t bits = 0;    ///< bits per pixel
    std::int32_t bytes = 0;   ///< bytes a pixel takes in memory; 0 for the special formats
    Channel red;              ///< the red channel; empty for indexed and special formats
    Channel green;            ///< the green channel, like red
    Channel blue;             ///< the blue channel, like red
    Channel alpha;            ///< the alpha channel; empty where the format has none
};

}  // namespace vxr
