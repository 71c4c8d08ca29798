// The web build's benchmarks: the converters that the demo and the present
// paths run, plain and with SIMD128, and the tunnel's frame. Google
// Benchmark has no WebAssembly build, so this program times itself and
// prints tables: every figure is the median of repeated runs, each run long
// enough for a browser's coarse clock. It runs under node and, unchanged,
// in a page that shows what it prints.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "bench/flying_tunnel.h"
#include "vxr/format/converter.h"
#include "vxr/format/instruction_set_control.h"
#include "vxr/format/pixel_format.h"

namespace {

using Clock = std::chrono::steady_clock;

// A browser's clock may step by 0.1 ms, so one timed run lasts at least
// 100 times that; the median of the runs passes over interruptions.
constexpr double RUN_MICROSECONDS = 10000.0;
constexpr int RUNS = 11;

// Read after every timed run, so that no work is left out as unused.
volatile std::uint32_t sink;

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// How many calls of work make one run of about RUN_MICROSECONDS.
template <class Work>
int callsPerRun(Work& work)
{
    work();  // warms caches and any lazily built tables
    const Clock::time_point start = Clock::now();
    work();
    const double once = std::max(microsecondsSince(start), 0.1);
    return std::max(1, static_cast<int>(RUN_MICROSECONDS / once));
}

template <class Work>
double timedRun(Work& work, int calls)
{
    const Clock::time_point start = Clock::now();
    for (int call = 0; call < calls; ++call) work();
    return microsecondsSince(start) / calls;
}

double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Microseconds per call of each piece of work, the median of RUNS runs.
// The pieces take turns run by run, so that a machine busy with something
// else for a while slows them alike rather than one of them.
template <class... Work>
std::array<double, sizeof...(Work)> medianMicroseconds(Work... work)
{
    const std::array<int, sizeof...(Work)> calls = {callsPerRun(work)...};
    std::array<std::vector<double>, sizeof...(Work)> perCall;
    for (int run = 0; run < RUNS; ++run) {
        std::size_t piece = 0;
        ((perCall[piece].push_back(timedRun(work, calls[piece])), ++piece), ...);
    }
    std::array<double, sizeof...(Work)> medians;
    for (std::size_t piece = 0; piece < medians.size(); ++piece)
        medians[piece] = median(perCall[piece]);
    return medians;
}

// Holds the converters to one instruction set while it lives.
class LimitedTo {
public:
    explicit LimitedTo(vxr::InstructionSet set) { vxr::limitInstructionSet(set); }
    ~LimitedTo() { vxr::limitInstructionSet(vxr::InstructionSet::AVX512); }
    LimitedTo(const LimitedTo&) = delete;
    LimitedTo& operator=(const LimitedTo&) = delete;
};

struct Pair {
    const char* use;
    std::int32_t source;
    std::int32_t destination;
};

// ARGB8888 is what the X11 and Wayland consoles present; a canvas takes the
// bytes R, G, B, A in memory, which is ABGR8888 as a little-endian value.
// The demo draws RGB565; ARGB8888 and INDEX8 are what programs draw most.
const Pair PAIRS[] = {
    {"demo frame to X11, Wayland", vxr::RGB565, vxr::ARGB8888},
    {"demo frame to canvas", vxr::RGB565, vxr::ABGR8888},
    {"demo frame to RGBA8888", vxr::RGB565, vxr::RGBA8888},
    {"ARGB8888 to canvas", vxr::ARGB8888, vxr::ABGR8888},
    {"INDEX8 to X11, Wayland", vxr::INDEX8, vxr::ARGB8888},
    {"INDEX8 to canvas", vxr::INDEX8, vxr::ABGR8888},
    {"ARGB8888 copy", vxr::ARGB8888, vxr::ARGB8888},
};

struct Size {
    int width, height;
};
constexpr Size SIZES[] = {{320, 200}, {1920, 1080}};

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::mt19937 random(seed);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// One pair at one size: source, destination, the palette table an indexed
// source reads, and the converter the library picks.
class Conversion {
public:
    Conversion(const Pair& pair, Size size)
        : size(size),
          source(vxr::PixelFormat(pair.source)),
          destination(vxr::PixelFormat(pair.destination)),
          sourcePixels(randomBytes(bytesOf(source, size), 1)),
          destinationPixels(bytesOf(destination, size)),
          table(randomBytes(256 * 4, 2)),
          converter(vxr::selectConverter(source, destination))
    {
    }

    bool run()
    {
        const vxr::Rect area{0, 0, size.width, size.height};
        const bool done = converter && converter->convertRect(
                                           sourcePixels.data(), size.width * source.bytes, area,
                                           destinationPixels.data(), size.width * destination.bytes,
                                           0, 0, table.data());
        sink = sink + destinationPixels[destinationPixels.size() / 2];
        return done;
    }

private:
    static std::size_t bytesOf(const vxr::PixelFormat& format, Size size)
    {
        return std::size_t(size.width) * std::size_t(size.height) * std::size_t(format.bytes);
    }

    Size size;
    vxr::PixelFormat source, destination;
    std::vector<std::uint8_t> sourcePixels, destinationPixels, table;
    std::unique_ptr<vxr::Converter> converter;
};

const char* formatName(std::int32_t id)
{
    switch (id) {
        case vxr::RGB565: return "RGB565";
        case vxr::ARGB8888: return "ARGB8888";
        case vxr::ABGR8888: return "ABGR8888";
        case vxr::RGBA8888: return "RGBA8888";
        case vxr::INDEX8: return "INDEX8";
        default: return "?";
    }
}

bool printConverterTable()
{
    const bool simd = vxr::isBuiltFor(vxr::InstructionSet::SIMD128);
    std::printf("## Converters, microseconds per frame (medians of %d runs)\n\n", RUNS);
    std::printf("| conversion | use | size | plain | SIMD128 | plain / SIMD128 |\n");
    std::printf("|---|---|---|---:|---:|---:|\n");
    bool allRan = true;
    for (const Pair& pair : PAIRS) {
        for (const Size size : SIZES) {
            Conversion conversion(pair, size);
            bool ran = true;
            const auto plainRun = [&] {
                const LimitedTo limit(vxr::InstructionSet::BASELINE);
                ran = conversion.run() && ran;
            };
            const auto widestRun = [&] { ran = conversion.run() && ran; };
            const auto [plain, vector] = medianMicroseconds(plainRun, widestRun);
            allRan = allRan && ran;
            std::printf("| %s → %s | %s | %dx%d | %.1f |", formatName(pair.source),
                        formatName(pair.destination), pair.use, size.width, size.height, plain);
            if (simd)
                std::printf(" %.1f | %.2f |%s\n", vector, plain / vector, ran ? "" : " failed");
            else
                std::printf(" not built | |%s\n", ran ? "" : " failed");
        }
    }
    return allRan;
}

void printTunnelTable()
{
    bench::FlyingTunnel flying;
    const vxr::PixelFormat frameFormat(vxr::RGB565), canvasFormat(vxr::ABGR8888);
    const std::unique_ptr<vxr::Converter> toCanvas(vxr::selectConverter(frameFormat, canvasFormat));
    std::vector<std::uint8_t> canvas(std::size_t(demo::Tunnel::FRAME_WIDTH) *
                                     demo::Tunnel::FRAME_HEIGHT * 4);
    const vxr::Rect frameArea{0, 0, demo::Tunnel::FRAME_WIDTH, demo::Tunnel::FRAME_HEIGHT};

    const auto castGrid = [&] {
        flying.tunnel.castGrid(bench::FlyingTunnel::FLIGHT_TIME, 1.0f, 0);
        sink = sink + std::uint32_t(flying.tunnel.grid[0].depth);
    };
    const auto fillFrame = [&] {
        flying.tunnel.fillFrame(flying.frame.data(), bench::FlyingTunnel::FRAME_PITCH,
                                flying.texels.data());
        sink = sink + flying.frame[flying.frame.size() / 2];
    };
    const auto present = [&] {
        toCanvas->convertRect(flying.frame.data(), bench::FlyingTunnel::FRAME_PITCH, frameArea,
                              canvas.data(), demo::Tunnel::FRAME_WIDTH * 4, 0, 0, nullptr);
        sink = sink + canvas[canvas.size() / 2];
    };
    const auto wholeFrame = [&] {
        castGrid();
        fillFrame();
        present();
    };
    struct Part {
        const char* name;
        double microseconds;
    };
    const auto times = medianMicroseconds(castGrid, fillFrame, present, wholeFrame);
    const Part parts[] = {
        {"cast the grid", times[0]},
        {"fill the 320x200 RGB565 frame", times[1]},
        {"convert it for the canvas (RGB565 → ABGR8888)", times[2]},
        {"the whole frame", times[3]},
    };
    std::printf("\n## Tunnel frame, microseconds (medians of %d runs)\n\n", RUNS);
    std::printf("| part | time |\n|---|---:|\n");
    for (const Part& part : parts) std::printf("| %s | %.1f |\n", part.name, part.microseconds);
}

}  // namespace

int main()
{
    std::printf("# vxr in WebAssembly: %s build\n\n",
                vxr::isBuiltFor(vxr::InstructionSet::SIMD128) ? "SIMD128" : "plain");
    const bool converted = printConverterTable();
    printTunnelTable();
    std::fflush(stdout);
    if (!converted) std::printf("\nsome conversions failed\n");
    return converted ? 0 : 1;
}
