#include "vxr/format/palette.h"
#include "vxr/format/immortal.h"

#include <cstring>
#include <new>

namespace vxr {
namespace {

constexpr std::int32_t LUT_ENTRIES = Palette::SIZE;

struct Rgba {
    std::int32_t red, green, blue, alpha;
};

Rgba channelsOf(std::uint32_t colour)
{
    return {static_cast<std::int32_t>(colour >> 16 & 0xFF),
            static_cast<std::int32_t>(colour >> 8 & 0xFF), static_cast<std::int32_t>(colour & 0xFF),
            static_cast<std::int32_t>(colour >> 24)};
}

void storeEntry(std::uint8_t* table, std::int32_t index, std::int32_t entrySize,
                std::uint32_t value)
{
    for (std::int32_t i = 0; i < entrySize && i < 4; ++i)
        table[index * entrySize + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Each 6-bit intensity is tagged in its top two bits: 10 blue, 01 green, 00 red.
std::uint32_t special18Entry(const Rgba& c)
{
    return (static_cast<std::uint32_t>(c.red >> 2) << 16) +
           (static_cast<std::uint32_t>((c.green >> 2) + 0x40) << 8) +
           static_cast<std::uint32_t>((c.blue >> 2) + 0x80);
}

std::uint32_t special14Entry(const Rgba& c)
{
    return (static_cast<std::uint32_t>(c.red >> 4) << 19) + 0x8000u +
           (static_cast<std::uint32_t>(c.green >> 3) << 8) + static_cast<std::uint32_t>(c.blue >> 5);
}

// The mean of the three channels, biased slightly down by a factor just below
// 1/765 (white gives 254, a grey x gives x - 1).
std::uint8_t greyEntry(const Rgba& c)
{
    const double k = __builtin_bit_cast(float, 0x3AAB5591u);
    const double sum = (c.blue * k + c.green * k) + c.red * k;
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(sum * 255.0));
}

bool isSpecial18Or12(std::int32_t id)
{
    return (id >= SPECIAL18A && id <= SPECIAL18C) || (id >= SPECIAL12A && id <= SPECIAL12C);
}

bool isSpecial14(std::int32_t id) { return id >= SPECIAL14A && id <= SPECIAL14C; }

}  // namespace

Palette::Palette() : entries(new (std::nothrow) std::uint32_t[SIZE]())
{
}

Palette::~Palette()
{
    clearLookups();
    delete[] entries;
}

std::uint32_t* Palette::lock()
{
    clearLookups();
    if (!entries) return nullptr;
    ++locks;
    return entries;
}

void Palette::unlock()
{
    if (locks > 0) --locks;
}

void Palette::copyFrom(const Palette& other)
{
    if (!isValid() || !other.isValid() || &other == this) return;
    std::memcpy(entries, other.entries, SIZE * sizeof *entries);
    clearLookups();
}

std::int32_t Palette::release()
{
    if (refCount > 0) --refCount;
    return refCount;
}

const void* Palette::lookup(const PixelFormat& format, std::int32_t entrySize)
{
    if (entrySize == -1) {
        entrySize = format.bytes;
        if (entrySize != 1 && entrySize <= 4) entrySize = 4;
    }
    // The colours already are ARGB8888 pixels.
    if (format.id == ARGB8888 && entrySize == 4) return entries;
    for (const PaletteLookup* record = oldest; record; record = record->next) {
        if (record->format == format && record->entrySize == entrySize) return record->table;
    }
    return buildLookup(format, entrySize);
}

const void* Palette::buildLookup(const PixelFormat& format, std::int32_t entrySize)
{
    // A 32-bit entry is the widest any conversion reads.
    if (!isValid() || entrySize < format.bytes || entrySize < 1 || entrySize > 4) return nullptr;
    auto* record = new (std::nothrow) PaletteLookup;
    auto* table = new (std::nothrow) std::uint8_t[LUT_ENTRIES * entrySize]();
    if (!record || !table || !fillTable(format, entrySize, table)) {
        delete record;
        delete[] table;
        return nullptr;
    }
    record->format = format;
    record->entrySize = entrySize;
    record->table = table;
    record->previous = newest;
    (newest ? newest->next : oldest) = record;
    newest = record;
    return table;
}

bool Palette::fillTable(const PixelFormat& format, std::int32_t entrySize,
                        std::uint8_t* table) const
{
    const bool special = isSpecial18Or12(format.id) || isSpecial14(format.id);
    if (special && entrySize != 4) return false;
    for (std::int32_t i = 0; i < LUT_ENTRIES; ++i) {
        const Rgba c = channelsOf(entries[i]);
        if (format.model == DIRECT) {
            if (format.colour == RGB)
                format.pack(c.red, c.green, c.blue, c.alpha, table + i * entrySize, RGB);
        } else if (isSpecial18Or12(format.id)) {
            storeEntry(table, i, entrySize, special18Entry(c));
        } else if (isSpecial14(format.id)) {
            storeEntry(table, i, entrySize, special14Entry(c));
        } else if (format.id == GREY8) {
            table[i * entrySize] = greyEntry(c);
        }
    }
    return true;
}

void Palette::clearLookups()
{
    while (oldest) {
        PaletteLookup* next = oldest->next;
        delete[] oldest->table;
        delete oldest;
        oldest = next;
    }
    newest = nullptr;
}

Palette& emptyPalette()
{
    // Built on first use so that it exists before any static object needs it.
    static Immortal<Palette> instance;
    return instance.get();
}

}  // namespace vxr
