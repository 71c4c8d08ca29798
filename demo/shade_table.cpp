#include "demo/shade_table.h"

#include <new>

namespace demo {

namespace {

uint16_t packRgb565(int32_t red, int32_t green, int32_t blue)
{
    return uint16_t(((red & 0xF8) << 8) | ((green & 0xFC) << 3) | (blue >> 3));
}

// Accumulating channel / 256 per level is exact in double, so entry L holds
// floor(L * channel / 256) of each channel.
void buildRow(uint32_t colour, uint16_t* row, uint16_t* levelColumn)
{
    constexpr double LEVEL_FACTOR = 0.00390625;
    const double redStep = double((colour >> 16) & 0xFF) * LEVEL_FACTOR;
    const double greenStep = double((colour >> 8) & 0xFF) * LEVEL_FACTOR;
    const double blueStep = double(colour & 0xFF) * LEVEL_FACTOR;
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    for (int32_t level = 0; level < ShadeTable::LEVELS; ++level) {
        row[level] = packRgb565(int32_t(red), int32_t(green), int32_t(blue));
        levelColumn[size_t(level) * ShadeTable::COLOURS] = row[level];
        red += redStep;
        green += greenStep;
        blue += blueStep;
    }
}

}  // namespace

int32_t ShadeTable::build(const uint32_t* colours)
{
    if (colours == nullptr) {
        return 0;
    }
    if (!table) {
        table.reset(new (std::nothrow) uint16_t[2 * ENTRIES + SPARE_ENTRIES]());
        if (!table) {
            return 0;
        }
    }
    for (int32_t colour = 0; colour < COLOURS; ++colour) {
        buildRow(colours[colour], table.get() + size_t(colour) * LEVELS,
                 table.get() + ENTRIES + colour);
    }
    return 1;
}

void ShadeTable::release()
{
    table.reset();
}

}  // namespace demo
