// Writes the tunnel demo's wall texture "zor.tga": riveted metal plates
// between bronze ribs, 256 x 256 pixels, 256 colours, as an uncompressed
// colour-mapped TGA.
//
// The tunnel maps texture columns along its length and rows around it, and
// repeats the texture both ways, so every feature here is periodic over 256
// in x and y and the ribs run along columns to become rings around the
// tunnel. The palette is four ramps of 64 shades from near black upwards, one
// per material, so shading within a material is smooth and stays smooth as
// the tunnel's distance light scales it down.
//
// Usage: make_texture [output file]   (default: zor.tga)

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "whole_file.h"

namespace vxr {
namespace {

constexpr int SIZE = 256;
constexpr int SHADES = 64;

enum Material { STEEL = 0, BRONZE = 1, RUST = 2, GLOW = 3 };

// ---- deterministic randomness ------------------------------------------------

// A stateless integer hash (the finaliser of SplitMix64): the same lattice
// point always gives the same value, which is what makes the noise tileable.
std::uint64_t mix(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

double unitHash(std::uint64_t seed, int x, int y)
{
    const std::uint64_t key = mix(seed ^ mix((std::uint64_t(std::uint32_t(x)) << 32) |
                                             std::uint32_t(y)));
    return double(key >> 11) * (1.0 / 9007199254740992.0);  // [0, 1)
}

int wrap(int value, int period) { return ((value % period) + period) % period; }

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise on a lattice of cellsX x cellsY cells spread over the texture;
// the lattice wraps, so the noise repeats exactly every 256 pixels.
double latticeNoise(std::uint64_t seed, double x, double y, int cellsX, int cellsY)
{
    const double u = x * cellsX / SIZE, v = y * cellsY / SIZE;
    const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    const double fx = smooth(u - x0), fy = smooth(v - y0);
    auto at = [&](int i, int j) { return unitHash(seed, wrap(i, cellsX), wrap(j, cellsY)); };
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * fx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * fx;
    return top + (bottom - top) * fy;
}

// Octaves from cells of 64 pixels down to 4, roughly in [0, 1].
double fractalNoise(std::uint64_t seed, double x, double y)
{
    double sum = 0.0, weight = 0.5, total = 0.0;
    for (int cells = 4; cells <= 64; cells *= 2) {
        sum += weight * latticeNoise(seed + std::uint64_t(cells), x, y, cells, cells);
        total += weight;
        weight *= 0.55;
    }
    return sum / total;
}

// ---- the palette ---------------------------------------------------------------

struct Rgb {
    double red, green, blue;
};

Rgb blend(const Rgb& a, const Rgb& b, double t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t};
}

// A ramp through four key colours: shadow, body, light and highlight.
Rgb rampColour(const std::array<Rgb, 4>& keys, double t)
{
    const double scaled = std::clamp(t, 0.0, 1.0) * 3.0;
    const int segment = std::min(int(scaled), 2);
    return blend(keys[segment], keys[segment + 1], scaled - segment);
}

std::array<Rgb, SIZE> makePalette()
{
    const std::array<std::array<Rgb, 4>, 4> ramps = {{
        {{{6, 8, 12}, {52, 62, 78}, {120, 134, 152}, {222, 230, 240}}},   // steel
        {{{10, 6, 2}, {92, 58, 22}, {186, 132, 58}, {255, 228, 150}}},    // bronze
        {{{8, 3, 2}, {78, 30, 14}, {156, 72, 30}, {232, 150, 82}}},       // rust
        {{{2, 8, 10}, {10, 70, 84}, {40, 190, 210}, {220, 255, 255}}},    // glow
    }};
    std::array<Rgb, SIZE> palette{};
    for (int ramp = 0; ramp < 4; ++ramp)
        for (int shade = 0; shade < SHADES; ++shade)
            palette[ramp * SHADES + shade] =
                rampColour(ramps[ramp], std::pow(double(shade) / (SHADES - 1), 0.9));
    return palette;
}

// ---- the pattern ----------------------------------------------------------------

// A surface sample: which ramp, and how bright within it (0..1).
struct Texel {
    Material material;
    double level;
};

// Ribs run down two column bands; the plates fill the space between them.
constexpr int RIB_PERIOD = 128;
constexpr int RIB_WIDTH = 22;
constexpr int PLATE_COLUMNS = 2;  // plates across between two ribs
constexpr int PLATE_HEIGHT = 64;
constexpr int GROOVE = 2;
constexpr int BEVEL = 4;

double ribProfile(double across)  // across: 0..1 over the rib's width
{
    // A rounded bar lit from the upper left: bright shoulder, dark far edge.
    const double normal = across * 2.0 - 1.0;
    const double height = std::sqrt(std::max(0.0, 1.0 - normal * normal));
    const double diffuse = std::clamp(0.55 * height - 0.45 * normal, 0.0, 1.0);
    const double highlight = std::pow(std::max(0.0, 1.0 - std::fabs(normal + 0.35) * 3.0), 3.0);
    return 0.12 + 0.62 * diffuse + 0.35 * highlight;
}

// A domed rivet of the given radius centred at (cx, cy), or a negative level
// when (x, y) is outside it. Distances wrap, so rivets on the edges tile.
double rivet(double x, double y, double cx, double cy, double radius)
{
    auto wrapped = [](double d) { return d - SIZE * std::round(d / SIZE); };
    const double dx = wrapped(x - cx), dy = wrapped(y - cy);
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > radius + 1.0) return -1.0;
    if (r > radius) return 0.04;  // the dark ring where the head meets the plate
    const double nx = dx / radius, ny = dy / radius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));
    const double light = std::clamp(0.6 * nz - 0.45 * nx - 0.45 * ny, 0.0, 1.0);
    const double spot = std::pow(std::max(0.0, 1.0 - std::hypot(nx + 0.35, ny + 0.35) * 2.2), 2.0);
    return std::clamp(0.15 + 0.7 * light + 0.5 * spot, 0.0, 1.0);
}

Texel ribTexel(int x, int y, int ribX)
{
    const double across = (x - ribX + 0.5) / RIB_WIDTH;
    double level = ribProfile(across);
    // Rivets down the rib's centre line, and lamps set into it between them.
    const double centre = ribX + RIB_WIDTH / 2.0;
    const int lampPhase = wrap(y, 64);
    if (lampPhase >= 26 && lampPhase < 38 && std::fabs(x + 0.5 - centre) < 3.5) {
        const double glow = 1.0 - std::fabs(lampPhase - 31.5) / 7.0;
        return {GLOW, 0.45 + 0.55 * glow};
    }
    if (lampPhase >= 24 && lampPhase < 40 && std::fabs(x + 0.5 - centre) < 5.0)
        return {BRONZE, 0.05};  // the lamp's recess
    // Rivets and lamps take turns every 32 rows.
    const double rivetY = std::floor((y + 16) / 32.0) * 32;
    if (wrap(int(rivetY), 64) != 32) {
        const double head = rivet(x + 0.5, y + 0.5, centre, rivetY, 3.2);
        if (head >= 0.0) return {BRONZE, head};
    }
    // Fine scratches along the rib.
    level += 0.10 * (latticeNoise(71, x, y, 64, 8) - 0.5);
    return {BRONZE, level};
}

Texel plateTexel(int x, int y, int left, int plateWidth)
{
    const int column = (x - left) / plateWidth;
    const int plateX0 = left + column * plateWidth;
    // Alternate columns are shifted by half a plate, like courses of bricks.
    const int shift = (column % 2) * (PLATE_HEIGHT / 2);
    const int row = (y + SIZE - shift) / PLATE_HEIGHT;
    const int plateY0 = row * PLATE_HEIGHT + shift - SIZE;
    const int localX = x - plateX0, localY = wrap(y - plateY0, SIZE);

    // The groove between plates.
    if (localX < GROOVE || localY < GROOVE) return {STEEL, 0.02};

    const int inX = localX - GROOVE, inY = localY - GROOVE;
    const int innerW = plateWidth - GROOVE, innerH = PLATE_HEIGHT - GROOVE;
    const std::uint64_t plateId = std::uint64_t(wrap(plateX0, SIZE)) * 977 +
                                  std::uint64_t(wrap(plateY0, SIZE));
    const double plateTone = 0.42 + 0.16 * unitHash(3, int(plateId), 0);

    // Bevelled rim: faces turned to the upper left catch the light.
    double level = plateTone;
    const int fromLeft = inX, fromTop = inY;
    const int fromRight = innerW - 1 - inX, fromBottom = innerH - 1 - inY;
    const int nearest = std::min({fromLeft, fromTop, fromRight, fromBottom});
    if (nearest < BEVEL) {
        if (nearest == fromLeft || nearest == fromTop) level = plateTone + 0.30;
        else level = plateTone - 0.26;
    }

    // Rivets in the plate's corners.
    const double inset = 6.5;
    for (double cx : {plateX0 + GROOVE + inset, plateX0 + plateWidth - inset})
        for (double cy : {plateY0 + GROOVE + inset, plateY0 + PLATE_HEIGHT - inset}) {
            const double head = rivet(x + 0.5, y + 0.5, cx, cy, 2.6);
            if (head >= 0.0) return {STEEL, head};
        }

    // Some plates carry a grille of slots glowing from behind.
    const bool grille = unitHash(5, int(plateId), 1) < 0.3;
    if (grille && nearest >= BEVEL + 6) {
        const int slot = wrap(inY - (BEVEL + 6), 8);
        const bool inSlot = slot >= 2 && slot < 5 && inY < innerH - BEVEL - 6;
        if (inSlot) return {GLOW, 0.25 + 0.35 * (1.0 - std::fabs(slot - 3.0) / 2.0)};
        if (slot == 1) return {STEEL, level - 0.18};  // the slot's shadowed lip
        if (slot == 5) return {STEEL, level + 0.14};
    }

    // Brushed metal: streaks along the plate, plus broad blotches.
    level += 0.09 * (latticeNoise(11, x, y, 8, 128) - 0.5);
    level += 0.12 * (fractalNoise(13, x, y) - 0.5);

    // Rust creeping out of the grooves, where the stain noise is high.
    const double edgeDamp = std::exp(-nearest / 7.0);
    const double stain = fractalNoise(29, x, y) + 0.35 * edgeDamp;
    const double grain = unitHash(31, x, y) * 0.08;
    if (stain + grain > 0.86) {
        const double flake = latticeNoise(37, x, y, 64, 64);
        return {RUST, std::clamp(0.30 + 0.35 * flake + 0.4 * (level - plateTone), 0.0, 1.0)};
    }
    return {STEEL, std::clamp(level, 0.0, 1.0)};
}

// A conduit filling rows [PIPE_TOP, PIPE_TOP + PIPE_HEIGHT). A row is one
// angle around the tunnel, so the conduit runs along the tunnel, passing
// under the ribs.
constexpr int PIPE_TOP = 122;
constexpr int PIPE_HEIGHT = 12;
constexpr int CLAMP_PERIOD = 32;

bool pipeTexel(int x, int y, int fromRib, Texel& out)
{
    const int inPipe = y - PIPE_TOP;
    if (inPipe >= PIPE_HEIGHT + 3 || inPipe < 0) return false;
    if (inPipe >= PIPE_HEIGHT) {  // its shadow on the plates below
        out = {STEEL, 0.06 + 0.08 * (inPipe - PIPE_HEIGHT)};
        return true;
    }
    const double across = (inPipe + 0.5) / PIPE_HEIGHT;
    const double level = ribProfile(across);
    const int clampPhase = wrap(fromRib - CLAMP_PERIOD / 2, CLAMP_PERIOD);
    if (clampPhase < 5) {  // a bronze clamp, its edges in shadow
        const double edge = clampPhase == 0 || clampPhase == 4 ? 0.55 : 1.1;
        out = {BRONZE, std::clamp(level * edge, 0.0, 1.0)};
        return true;
    }
    out = {STEEL, std::clamp(0.1 + 0.9 * level + 0.06 * (latticeNoise(43, x, y, 128, 4) - 0.5),
                             0.0, 1.0)};
    return true;
}

Texel texel(int x, int y)
{
    const int ribX = x / RIB_PERIOD * RIB_PERIOD;
    if (x - ribX < RIB_WIDTH) return ribTexel(x, y, ribX);
    const int fromRib = x - ribX - RIB_WIDTH;
    Texel pipe;
    if (pipeTexel(x, y, fromRib, pipe)) {
        if (fromRib < 6) pipe.level *= 0.45 + 0.55 * fromRib / 6.0;
        return pipe;
    }
    const int plateWidth = (RIB_PERIOD - RIB_WIDTH) / PLATE_COLUMNS;
    Texel plate = plateTexel(x, y, ribX + RIB_WIDTH, plateWidth);
    // The ribs cast a short shadow onto the plates on their right.
    if (fromRib < 6 && plate.material != GLOW) plate.level *= 0.45 + 0.55 * fromRib / 6.0;
    return plate;
}

std::uint8_t paletteIndex(const Texel& t, int x, int y)
{
    // A little ordered dither keeps the 64 steps from showing as bands.
    static constexpr double BAYER[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double dither = (BAYER[y & 3][x & 3] + 0.5) / 16.0 - 0.5;
    const double shade = std::clamp(t.level, 0.0, 1.0) * (SHADES - 1) + dither;
    const int step = std::clamp(int(std::lround(shade)), 0, SHADES - 1);
    return std::uint8_t(t.material * SHADES + step);
}

// ---- the file --------------------------------------------------------------------

void put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t(value >> 8 & 0xFF));
}

std::vector<std::uint8_t> tgaImage()
{
    std::vector<std::uint8_t> out;
    out.push_back(0);   // no image ID
    out.push_back(1);   // has a colour map
    out.push_back(1);   // uncompressed, colour-mapped
    put16(out, 0);      // first map entry
    put16(out, SIZE);   // map entries
    out.push_back(24);  // bits per map entry
    put16(out, 0);      // x origin
    put16(out, 0);      // y origin
    put16(out, SIZE);
    put16(out, SIZE);
    out.push_back(8);     // bits per pixel
    out.push_back(0x20);  // rows stored top line first

    for (const Rgb& c : makePalette()) {
        auto byte = [](double v) { return std::uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
        out.push_back(byte(c.blue));
        out.push_back(byte(c.green));
        out.push_back(byte(c.red));
    }
    for (int y = 0; y < SIZE; ++y)
        for (int x = 0; x < SIZE; ++x) out.push_back(paletteIndex(texel(x, y), x, y));
    return out;
}

}  // namespace
}  // namespace vxr

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_texture [output file]\n");
        return 2;
    }
    const char* path = argc == 2 ? argv[1] : "zor.tga";
    const std::vector<std::uint8_t> image = vxr::tgaImage();
    return writeWholeFile("make_texture", path, image) ? 0 : 1;
}
