// Writes VXR's window icon "vxr.ico": a tunnel seen from inside, as rings
// that shrink towards a vanishing point set off the centre, lit brightest at
// the rim and fading into the distance around a small glow at the far end.
// Three images, 16, 32 and 48 pixels square, 32 bits per pixel with alpha,
// each drawn from the same shape with 4 x 4 supersampling so the small sizes
// stay smooth.
//
// Usage: make_icon [output file]   (default: vxr.ico)

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "whole_file.h"

namespace vxr {
namespace {

constexpr int SAMPLES = 4;
constexpr double RIM = 0.94;          // radius of the nearest ring, in the unit disc
constexpr double SHRINK = 0.64;       // each ring's radius against the one before
constexpr double VANISH_X = 0.22;     // where the rings converge
constexpr double VANISH_Y = -0.20;
constexpr double GLOW = 0.17;         // radius of the light at the far end

struct Colour {
    double red, green, blue, alpha;
};

Colour mix(const Colour& a, const Colour& b, double t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t,
            a.blue + (b.blue - a.blue) * t, a.alpha + (b.alpha - a.alpha) * t};
}

// Ring depth s of a point: the circle of depth s has radius RIM * SHRINK^s
// and a centre that slides from the disc's centre to the vanishing point.
// The point lies inside every circle up to its depth, so bisection finds it.
double depthOf(double x, double y)
{
    auto inside = [&](double s) {
        const double scale = std::pow(SHRINK, s);
        const double cx = VANISH_X * (1.0 - scale), cy = VANISH_Y * (1.0 - scale);
        return std::hypot(x - cx, y - cy) <= RIM * scale;
    };
    if (!inside(0.0)) return -1.0;
    double low = 0.0, high = 40.0;
    for (int i = 0; i < 40; ++i) {
        const double middle = (low + high) / 2.0;
        (inside(middle) ? low : high) = middle;
    }
    return low;
}

Colour shade(double x, double y)
{
    const double depth = depthOf(x, y);
    if (depth < 0.0) return {0, 0, 0, 0};
    const Colour nearBand{0.10, 0.80, 0.95, 1.0};  // cyan ribs
    const Colour nearGap{0.16, 0.10, 0.42, 1.0};   // violet plates
    const Colour far{0.02, 0.02, 0.08, 1.0};       // the dark distance
    const Colour light{1.0, 0.93, 0.70, 1.0};      // the far end's glow
    // Alternate ribs and plates, a rib being two fifths of each ring's depth.
    const double phase = depth - std::floor(depth);
    Colour base = phase < 0.4 ? nearBand : nearGap;
    // Light falls off with depth, as in the demo's own tunnel.
    base = mix(base, far, std::min(1.0, depth / 6.0));
    const double glowDistance = std::hypot(x - VANISH_X, y - VANISH_Y) / GLOW;
    if (glowDistance < 1.0) base = mix(base, light, (1.0 - glowDistance) * (1.0 - glowDistance));
    return base;
}

std::uint8_t toByte(double value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5);
}

// One image's bytes as an icon resource stores them: a BITMAPINFOHEADER of
// twice the height, the colour pixels bottom-up in BGRA, then the 1-bit mask.
std::vector<std::uint8_t> iconImage(int size)
{
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    const int maskStride = ((size + 31) / 32) * 4;
    put(40, 4);
    put(static_cast<std::uint32_t>(size), 4);
    put(static_cast<std::uint32_t>(size * 2), 4);
    put(1, 2);
    put(32, 2);
    put(0, 4);
    put(static_cast<std::uint32_t>(size * size * 4 + maskStride * size), 4);
    put(0, 4);
    put(0, 4);
    put(0, 4);
    put(0, 4);

    std::vector<std::uint8_t> mask(static_cast<std::size_t>(maskStride * size), 0);
    for (int row = size - 1; row >= 0; --row) {
        for (int column = 0; column < size; ++column) {
            Colour sum{0, 0, 0, 0};
            for (int sy = 0; sy < SAMPLES; ++sy)
                for (int sx = 0; sx < SAMPLES; ++sx) {
                    const double x = ((column + (sx + 0.5) / SAMPLES) / size) * 2.0 - 1.0;
                    const double y = ((row + (sy + 0.5) / SAMPLES) / size) * 2.0 - 1.0;
                    const Colour c = shade(x, y);
                    // Premultiply while averaging so edges do not darken.
                    sum.red += c.red * c.alpha;
                    sum.green += c.green * c.alpha;
                    sum.blue += c.blue * c.alpha;
                    sum.alpha += c.alpha;
                }
            const double alpha = sum.alpha / (SAMPLES * SAMPLES);
            const double divisor = sum.alpha > 0.0 ? sum.alpha : 1.0;
            bytes.push_back(toByte(sum.blue / divisor));
            bytes.push_back(toByte(sum.green / divisor));
            bytes.push_back(toByte(sum.red / divisor));
            bytes.push_back(toByte(alpha));
            // The mask marks transparent pixels for displays without alpha.
            const int maskRow = size - 1 - row;
            if (alpha < 0.5)
                mask[static_cast<std::size_t>(maskRow * maskStride + column / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (column % 8));
        }
    }
    bytes.insert(bytes.end(), mask.begin(), mask.end());
    return bytes;
}

}  // namespace
}  // namespace vxr

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "vxr.ico";
    const std::array<int, 3> sizes{16, 32, 48};
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) images.push_back(vxr::iconImage(size));

    std::vector<std::uint8_t> file;
    auto put = [&file](std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    put(0, 2);
    put(1, 2);  // an icon, not a cursor
    put(static_cast<std::uint32_t>(sizes.size()), 2);
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        put(static_cast<std::uint32_t>(sizes[i]), 1);
        put(static_cast<std::uint32_t>(sizes[i]), 1);
        put(0, 1);  // no colour count below 8 bits per pixel
        put(0, 1);
        put(1, 2);
        put(32, 2);
        put(static_cast<std::uint32_t>(images[i].size()), 4);
        put(offset, 4);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

    return writeWholeFile("make_icon", path, file) ? 0 : 1;
}
