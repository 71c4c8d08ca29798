#pragma once

#include <cstdint>
#include <memory>

namespace demo {

// The texture's 256 palette colours at 256 light levels, as RGB565: entry
// colour * 256 + level is the colour scaled by level / 256. Folding palette
// and lighting into one table leaves one lookup per pixel for both.
//
// The same entries are kept a second time ordered by level: light changes
// slowly across the screen while texels change from pixel to pixel, so the
// frame fill reads a few 512-byte level rows at a time instead of touching
// every colour's row, and stays in the first-level cache.
class ShadeTable {
public:
    static constexpr int32_t COLOURS = 256;
    static constexpr int32_t LEVELS = 256;
    static constexpr int32_t ENTRIES = COLOURS * LEVELS;
    // Vector gathers read 32 bits at a 16-bit entry, so the last entry of the
    // level-ordered copy is followed by one spare.
    static constexpr int32_t SPARE_ENTRIES = 1;

    // Builds the table from 256 colours laid out 0x00RRGGBB (the top byte is
    // ignored). Returns 0 when colours is null or memory runs out.
    int32_t build(const uint32_t* colours);
    void release();

    int32_t isBuilt() const { return table != nullptr; }
    // Colour-ordered entries (colour * 256 + level); null until built.
    const uint16_t* entries() const { return table.get(); }
    // Level-ordered entries (level * 256 + colour), one spare entry after
    // them; null until built.
    const uint16_t* levelRows() const { return table ? table.get() + ENTRIES : nullptr; }
    uint16_t entry(int32_t colour, int32_t level) const
    {
        return table[size_t(colour) * LEVELS + size_t(level)];
    }

private:
    std::unique_ptr<uint16_t[]> table;
};

}  // namespace demo
