#include "vxr/format/conversion_routines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vxr/format/instruction_set_control.h"

namespace vxr {
namespace {

// ---- Expected pixels, written from the pixel layouts alone ----------------

struct Channels {
    std::uint32_t red, green, blue, alpha;
};

Channels ofArgb8888(std::uint32_t x)
{
    return {(x >> 16) & 0xFF, (x >> 8) & 0xFF, x & 0xFF, x >> 24};
}

Channels ofRgb565(std::uint32_t p)
{
    return {p >> 11, (p >> 5) & 0x3F, p & 0x1F, 0};
}

// RGB565's channels with green's lowest bit dropped, as ARGB1555 keeps it.
Channels withGreenOf5Bits(Channels c)
{
    c.green >>= 1;
    return c;
}

// trunc(value x the float with these bits), the product taken exactly.
std::uint32_t truncatedProduct(std::uint32_t value, std::uint32_t floatBits)
{
    const float factor = __builtin_bit_cast(float, floatBits);
    return static_cast<std::uint32_t>(value * static_cast<double>(factor));
}

// The 8-bit channels that an RGB565 pixel widens to.
Channels widened(std::uint32_t p)
{
    const Channels c = ofRgb565(p);
    return {
        truncatedProduct(c.red, 0x41039CE7),
        truncatedProduct(c.green & 7, 0x40818618) + truncatedProduct(c.green & 0x38, 0x40818618),
        truncatedProduct(c.blue, 0x41039CE7), 0};
}

// The top bits of each 8-bit channel, as a narrower format keeps them; no
// alpha.
Channels topBits(const Channels& c, int redBits, int greenBits, int blueBits)
{
    return {c.red >> (8 - redBits), c.green >> (8 - greenBits), c.blue >> (8 - blueBits), 0};
}

std::uint32_t place(const Channels& c, int redAt, int greenAt, int blueAt, int alphaAt)
{
    return c.red << redAt | c.green << greenAt | c.blue << blueAt | c.alpha << alphaAt;
}

const std::array<std::uint32_t, 256> palette32 = [] {
    std::array<std::uint32_t, 256> entries{};
    std::mt19937 random(256);
    for (auto& entry : entries) entry = random();
    return entries;
}();
const std::array<std::uint8_t, 256> palette8 = [] {
    std::array<std::uint8_t, 256> entries{};
    std::mt19937 random(8);
    for (auto& entry : entries) entry = static_cast<std::uint8_t>(random());
    return entries;
}();

enum class Source { BYTES, INDEX8, RGB565, ARGB8888 };

struct Routine {
    const char* name;
    RowRoutine row;
    AreaRoutine area;
    Source source;
    int sourceBytes;
    int destinationBytes;
    std::uint32_t (*expected)(std::uint32_t);  // low destinationBytes bytes are compared
    const void* lookup;
};

#define VXR_ROUTINE(name) #name, name##Row, name##Block
const Routine routines[] = {
    {VXR_ROUTINE(copy), Source::BYTES, 1, 1, [](std::uint32_t v) { return v; }, nullptr},
    {VXR_ROUTINE(indexedTo32), Source::INDEX8, 1, 4, [](std::uint32_t i) { return palette32[i]; },
     palette32.data()},
    {VXR_ROUTINE(indexedTo24), Source::INDEX8, 1, 3, [](std::uint32_t i) { return palette32[i]; },
     palette32.data()},
    {VXR_ROUTINE(indexedTo16), Source::INDEX8, 1, 2, [](std::uint32_t i) { return palette32[i]; },
     palette32.data()},
    {VXR_ROUTINE(indexedTo8), Source::INDEX8, 1, 1,
     [](std::uint32_t i) -> std::uint32_t { return palette8[i]; }, palette8.data()},
    {VXR_ROUTINE(rgb565ToARGB8888), Source::RGB565, 2, 4,
     [](std::uint32_t p) { return place(widened(p), 16, 8, 0, 24); }, nullptr},
    {VXR_ROUTINE(rgb565ToABGR8888), Source::RGB565, 2, 4,
     [](std::uint32_t p) { return place(widened(p), 0, 8, 16, 24); }, nullptr},
    {VXR_ROUTINE(rgb565ToRGBA8888), Source::RGB565, 2, 4,
     [](std::uint32_t p) { return place(widened(p), 24, 16, 8, 0); }, nullptr},
    {VXR_ROUTINE(rgb565ToBGRA8888), Source::RGB565, 2, 4,
     [](std::uint32_t p) { return place(widened(p), 8, 16, 24, 0); }, nullptr},
    {VXR_ROUTINE(rgb565ToRGB888), Source::RGB565, 2, 3,
     [](std::uint32_t p) { return place(widened(p), 16, 8, 0, 24); }, nullptr},
    {VXR_ROUTINE(rgb565ToBGR888), Source::RGB565, 2, 3,
     [](std::uint32_t p) { return place(widened(p), 0, 8, 16, 24); }, nullptr},
    {VXR_ROUTINE(rgb565ToBGR565), Source::RGB565, 2, 2,
     [](std::uint32_t p) { return place(ofRgb565(p), 0, 5, 11, 0); }, nullptr},
    {VXR_ROUTINE(rgb565ToARGB1555), Source::RGB565, 2, 2,
     [](std::uint32_t p) { return place(withGreenOf5Bits(ofRgb565(p)), 10, 5, 0, 15); }, nullptr},
    {VXR_ROUTINE(rgb565ToABGR1555), Source::RGB565, 2, 2,
     [](std::uint32_t p) { return place(withGreenOf5Bits(ofRgb565(p)), 0, 5, 10, 15); }, nullptr},
    {VXR_ROUTINE(rgb565ToGREY8), Source::RGB565, 2, 1,
     [](std::uint32_t p) {
         const Channels c = ofRgb565(p);
         return 2 * (c.red + c.green + c.blue);
     },
     nullptr},
    {VXR_ROUTINE(rgb565ToRGB332), Source::RGB565, 2, 1,
     [](std::uint32_t p) {
         const Channels c = ofRgb565(p);
         return (c.red >> 2) << 5 | (c.green >> 3) << 2 | c.blue >> 3;
     },
     nullptr},
    {VXR_ROUTINE(argb8888ToABGR8888), Source::ARGB8888, 4, 4,
     [](std::uint32_t x) { return place(ofArgb8888(x), 0, 8, 16, 24); }, nullptr},
    {VXR_ROUTINE(argb8888ToRGBA8888), Source::ARGB8888, 4, 4,
     [](std::uint32_t x) { return place(ofArgb8888(x), 24, 16, 8, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToBGRA8888), Source::ARGB8888, 4, 4,
     [](std::uint32_t x) { return place(ofArgb8888(x), 8, 16, 24, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToRGB888), Source::ARGB8888, 4, 3,
     [](std::uint32_t x) { return place(ofArgb8888(x), 16, 8, 0, 24); }, nullptr},
    {VXR_ROUTINE(argb8888ToBGR888), Source::ARGB8888, 4, 3,
     [](std::uint32_t x) { return place(ofArgb8888(x), 0, 8, 16, 24); }, nullptr},
    {VXR_ROUTINE(argb8888ToRGB565), Source::ARGB8888, 4, 2,
     [](std::uint32_t x) { return place(topBits(ofArgb8888(x), 5, 6, 5), 11, 5, 0, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToBGR565), Source::ARGB8888, 4, 2,
     [](std::uint32_t x) { return place(topBits(ofArgb8888(x), 5, 6, 5), 0, 5, 11, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToARGB1555), Source::ARGB8888, 4, 2,
     [](std::uint32_t x) { return place(topBits(ofArgb8888(x), 5, 5, 5), 10, 5, 0, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToABGR1555), Source::ARGB8888, 4, 2,
     [](std::uint32_t x) { return place(topBits(ofArgb8888(x), 5, 5, 5), 0, 5, 10, 0); }, nullptr},
    {VXR_ROUTINE(argb8888ToGREY8), Source::ARGB8888, 4, 1,
     [](std::uint32_t x) {
         const Channels c = ofArgb8888(x);
         return (c.blue >> 2) + (c.green >> 1) + (c.red >> 2);
     },
     nullptr},
    {VXR_ROUTINE(argb8888ToRGB332), Source::ARGB8888, 4, 1,
     [](std::uint32_t x) { return place(topBits(ofArgb8888(x), 3, 3, 2), 5, 2, 0, 0); }, nullptr},
};
#undef VXR_ROUTINE

// ---- Buffers ---------------------------------------------------------------

std::uint32_t readValue(const std::uint8_t* at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint32_t{at[i]} << (8 * i);
    return value;
}

void writeValue(std::uint8_t* at, int bytes, std::uint32_t value)
{
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every value of a narrow source (indices and bytes 40 times over), shuffled
// so that the lanes of one block hold unrelated values; random values for
// 32-bit pixels, with the extremes among them.
std::vector<std::uint32_t> sourceValues(Source source)
{
    std::mt19937 random(static_cast<unsigned>(source) + 1);
    std::vector<std::uint32_t> values;
    if (source == Source::ARGB8888) {
        values = {0x00000000, 0xFFFFFFFF, 0x80FF8040, 0x00FFFFFF, 0xFF000000};
        while (values.size() < 100003) values.push_back(random());
    } else {
        const std::uint32_t count = source == Source::RGB565 ? 65536 : 256;
        for (int copy = 0; copy < (source == Source::RGB565 ? 1 : 40); ++copy)
            for (std::uint32_t v = 0; v < count; ++v) values.push_back(v);
        std::shuffle(values.begin(), values.end(), random);
    }
    return values;
}

std::vector<std::uint8_t> encode(const std::vector<std::uint32_t>& values, int bytes)
{
    std::vector<std::uint8_t> encoded(values.size() * bytes);
    for (std::size_t i = 0; i < values.size(); ++i)
        writeValue(&encoded[i * bytes], bytes, values[i]);
    return encoded;
}

std::uint32_t lowBytes(std::uint32_t value, int bytes)
{
    return bytes == 4 ? value : value & ((1u << (8 * bytes)) - 1);
}

// Reports the first pixel of out that differs from the expected one.
::testing::AssertionResult matchesFormula(const Routine& routine,
                                          const std::vector<std::uint32_t>& values,
                                          const std::uint8_t* out)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::uint32_t want = lowBytes(routine.expected(values[i]), routine.destinationBytes);
        const std::uint32_t got =
            readValue(out + i * routine.destinationBytes, routine.destinationBytes);
        if (got != want)
            return ::testing::AssertionFailure()
                   << routine.name << " pixel " << i << " from 0x" << std::hex << values[i]
                   << ": 0x" << got << " instead of 0x" << want;
    }
    return ::testing::AssertionSuccess();
}

// Writes the expected pixels for values from at on.
void writeExpected(const Routine& routine, const std::vector<std::uint32_t>& values,
                   std::uint8_t* at)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        writeValue(at + i * routine.destinationBytes, routine.destinationBytes,
                   routine.expected(values[i]));
}

::testing::AssertionResult sameBytes(const std::vector<std::uint8_t>& got,
                                     const std::vector<std::uint8_t>& want)
{
    const auto difference = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
    if (difference.first == got.end()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "byte " << (difference.first - got.begin()) << " differs";
}

// Runs a test body once per instruction set this build has bodies for; the
// narrower bodies are checked on a wide processor too (a set the processor
// lacks repeats the widest one it has).
class ConversionRoutines : public ::testing::TestWithParam<InstructionSet> {
protected:
    void SetUp() override { limitInstructionSet(GetParam()); }
    void TearDown() override { limitInstructionSet(InstructionSet::AVX512); }
};

std::string nameOf(const ::testing::TestParamInfo<InstructionSet>& info)
{
    const char* names[] = {"Baseline", "Simd128", "Avx2", "Avx512"};
    return names[static_cast<int>(info.param)];
}

std::vector<InstructionSet> builtInstructionSets()
{
    std::vector<InstructionSet> sets;
    for (InstructionSet set : {InstructionSet::BASELINE, InstructionSet::SIMD128,
                               InstructionSet::AVX2, InstructionSet::AVX512})
        if (isBuiltFor(set)) sets.push_back(set);
    return sets;
}

INSTANTIATE_TEST_SUITE_P(EachInstructionSet, ConversionRoutines,
                         ::testing::ValuesIn(builtInstructionSets()), nameOf);

// Every input through the long-run body (one run) and through single
// pixels (runs of 5).
TEST_P(ConversionRoutines, GiveTheFormulaForEveryInput)
{
    for (const Routine& routine : routines) {
        const std::vector<std::uint32_t> values = sourceValues(routine.source);
        const std::vector<std::uint8_t> in = encode(values, routine.sourceBytes);
        const auto count = static_cast<std::int32_t>(values.size());
        for (std::int32_t run : {count, 5}) {
            std::vector<std::uint8_t> out(values.size() * routine.destinationBytes);
            const std::uint8_t* source = in.data();
            std::uint8_t* destination = out.data();
            for (std::int32_t done = 0; done < count; done += run)
                routine.row(source, destination, std::min(run, count - done), routine.lookup);
            EXPECT_TRUE(matchesFormula(routine, values, out.data())) << " in runs of " << run;
        }
    }
}

// Runs around every length threshold, at every destination address modulo 4
// and at odd source addresses: the bytes around the run stay untouched and
// both pointers end just past the run. The source ends where its allocation
// ends, so the address sanitizer sees any read past the run.
TEST_P(ConversionRoutines, WriteOnlyTheirRunAndAdvanceBothPointers)
{
    constexpr std::uint8_t guard = 0xA5;
    constexpr int guardBytes = 8;
    std::mt19937 random(7);
    for (const Routine& routine : routines) {
        for (std::int32_t count : {0, 1, 15, 16, 17, 31, 32, 33, 100}) {
            for (int sourceOffset : {0, 1, 3}) {
                for (int destinationOffset = 0; destinationOffset < 4; ++destinationOffset) {
                    std::vector<std::uint32_t> values(count);
                    for (auto& v : values) v = lowBytes(random(), routine.sourceBytes);
                    std::vector<std::uint8_t> in(sourceOffset);
                    const std::vector<std::uint8_t> encoded = encode(values, routine.sourceBytes);
                    in.insert(in.end(), encoded.begin(), encoded.end());
                    const std::size_t runBytes = std::size_t(count) * routine.destinationBytes;
                    std::vector<std::uint8_t> out(
                        guardBytes + destinationOffset + runBytes + guardBytes, guard);
                    std::vector<std::uint8_t> want = out;
                    // Heap blocks are aligned, so the offset is the address modulo 4.
                    const std::size_t startAt = guardBytes + destinationOffset;
                    writeExpected(routine, values, want.data() + startAt);
                    const std::uint8_t* source = in.data() + sourceOffset;
                    std::uint8_t* destination = out.data() + startAt;
                    routine.row(source, destination, count, routine.lookup);
                    SCOPED_TRACE(std::string(routine.name) + " count " + std::to_string(count) +
                                 " source offset " + std::to_string(sourceOffset) +
                                 " destination offset " + std::to_string(destinationOffset));
                    EXPECT_EQ(source, in.data() + in.size());
                    EXPECT_EQ(destination, out.data() + startAt + runBytes);
                    EXPECT_TRUE(sameBytes(out, want));
                }
            }
        }
    }
}

// Rectangles walked with gaps, top-down and bottom-up (negative gaps): only
// the rectangle's pixels change, not the gaps nor the rows around it.
TEST_P(ConversionRoutines, AreaRoutinesConvertEachRowAndSkipTheGaps)
{
    constexpr std::int32_t height = 3;
    constexpr std::uint8_t guard = 0x5A;
    // Rows short of the wide bodies, and rows long enough for them (what an
    // area prepares once for its rows is then used).
    for (const std::int32_t width : {37, 150})
        for (const Routine& routine : routines) {
            std::vector<std::uint32_t> values = sourceValues(routine.source);
            values.resize(width * height);
            const std::int32_t sourcePitch = width * routine.sourceBytes + 5;
            const std::int32_t pitch = width * routine.destinationBytes + 7;
            std::vector<std::uint8_t> in(std::size_t(sourcePitch) * height);
            for (std::int32_t i = 0; i < width * height; ++i)
                writeValue(&in[(i / width) * sourcePitch + (i % width) * routine.sourceBytes],
                           routine.sourceBytes, values[i]);
            // One spare row above and below the rectangle.
            const std::vector<std::uint8_t> blank(std::size_t(pitch) * (height + 2), guard);
            for (const bool bottomUp : {false, true}) {
                std::vector<std::uint8_t> out = blank, want = blank;
                for (std::int32_t row = 0; row < height; ++row) {
                    const std::int32_t line = 1 + (bottomUp ? height - 1 - row : row);
                    writeExpected(
                        routine, {values.begin() + row * width, values.begin() + (row + 1) * width},
                        want.data() + line * pitch);
                }
                AreaRequest request;
                request.width = width;
                request.height = height;
                request.sourceStart = in.data();
                request.sourceGap = sourcePitch - width * routine.sourceBytes;
                request.destinationStart = out.data() + (bottomUp ? height : 1) * pitch;
                request.destinationGap =
                    (bottomUp ? -pitch : pitch) - width * routine.destinationBytes;
                routine.area(request, routine.lookup);
                EXPECT_TRUE(sameBytes(out, want))
                    << routine.name << (bottomUp ? " bottom-up" : " top-down") << " width "
                    << width;
            }
            for (const std::int32_t emptyHeight : {0, -1}) {
                std::vector<std::uint8_t> out = blank;
                AreaRequest request;
                request.width = width;
                request.height = emptyHeight;
                request.sourceStart = in.data();
                request.destinationStart = out.data() + pitch;
                routine.area(request, routine.lookup);
                EXPECT_TRUE(sameBytes(out, blank)) << routine.name << " height " << emptyHeight;
            }
        }
}

// The documented values, alone (the one-pixel path) and repeated over a long
// run (the wide body).
TEST_P(ConversionRoutines, GiveTheDocumentedValues)
{
    const std::array<std::uint32_t, 256> lookup = [] {
        std::array<std::uint32_t, 256> entries{};
        entries[7] = 0x00112233;
        return entries;
    }();
    struct Example {
        RowRoutine row;
        int sourceBytes, destinationBytes;
        std::uint32_t in, out;
    };
    const Example examples[] = {
        {rgb565ToARGB8888Row, 2, 4, 0xFFFF, 0x00FEFEFE},
        {rgb565ToARGB8888Row, 2, 4, 0xF800, 0x00FE0000},
        {rgb565ToARGB8888Row, 2, 4, 0x07E0, 0x0000FE00},
        {rgb565ToGREY8Row, 2, 1, 0xFFFF, 250},
        {argb8888ToGREY8Row, 4, 1, 0xFFFFFFFF, 253},
        {argb8888ToRGB565Row, 4, 2, 0x80FF8040, 0xFC08},
        {argb8888ToARGB1555Row, 4, 2, 0xFFFFFFFF, 0x7FFF},
        {argb8888ToABGR8888Row, 4, 4, 0x11223344, 0x11443322},
        {argb8888ToRGBA8888Row, 4, 4, 0x11223344, 0x22334411},
        {argb8888ToBGRA8888Row, 4, 4, 0x11223344, 0x44332211},
        {rgb565ToARGB1555Row, 2, 2, 0xFFFF, 0x7FFF},
        {rgb565ToRGB332Row, 2, 1, 0xFFFF, 0xFF},
        {indexedTo24Row, 1, 3, 7, 0x112233},
    };
    for (const Example& example : examples) {
        for (const std::int32_t count : {1, 64}) {
            const std::vector<std::uint8_t> in =
                encode(std::vector<std::uint32_t>(count, example.in), example.sourceBytes);
            std::vector<std::uint8_t> out(std::size_t(count) * example.destinationBytes);
            const std::uint8_t* source = in.data();
            std::uint8_t* destination = out.data();
            example.row(source, destination, count, lookup.data());
            for (std::int32_t i = 0; i < count; ++i)
                EXPECT_EQ(readValue(&out[i * example.destinationBytes], example.destinationBytes),
                          example.out)
                    << std::hex << "from 0x" << example.in << " pixel " << std::dec << i;
        }
    }
}

TEST(ConversionRoutinesLookup, NullLookupConvertsNothing)
{
    for (const Routine& routine : routines) {
        if (routine.lookup == nullptr) continue;
        const std::uint8_t in[64] = {};
        std::uint8_t out[256] = {};
        const std::uint8_t* source = in;
        std::uint8_t* destination = out;
        routine.row(source, destination, 64, nullptr);
        EXPECT_EQ(source, in) << routine.name;
        EXPECT_EQ(destination, out) << routine.name;
        AreaRequest request;
        request.width = 64;
        request.height = 2;
        request.sourceStart = in;
        request.destinationStart = out;
        routine.area(request, nullptr);
        EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](std::uint8_t b) {
            return b == 0;
        })) << routine.name;
    }
}

TEST(ExpansionTables, HoldEachByteContributionAndRefuseNarrowFormats)
{
    const std::pair<std::int32_t, std::array<int, 3>> formats[] = {{ARGB8888, {16, 8, 0}},
                                                                   {ABGR8888, {0, 8, 16}},
                                                                   {RGBA8888, {24, 16, 8}},
                                                                   {BGRA8888, {8, 16, 24}}};
    for (const auto& [id, shifts] : formats) {
        ExpansionTable table;
        ASSERT_TRUE(buildExpansionTable(PixelFormat(id), table));
        for (std::uint32_t i = 0; i < 256; ++i) {
            // i as an RGB565 pixel's low byte, then as its high byte.
            const Channels low = widened(i), high = widened(i << 8);
            EXPECT_EQ(table[i].low, place(low, shifts[0], shifts[1], shifts[2], 24))
                << id << " " << i;
            EXPECT_EQ(table[i].high, place(high, shifts[0], shifts[1], shifts[2], 24))
                << id << " " << i;
        }
    }
    ExpansionTable untouched;
    untouched.fill({0x12345678, 0x9ABCDEF0});
    EXPECT_FALSE(buildExpansionTable(PixelFormat(RGB565), untouched));
    EXPECT_FALSE(buildExpansionTable(PixelFormat(RGB888), untouched));
    EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](const ExpansionEntry& e) {
        return e.low == 0x12345678 && e.high == 0x9ABCDEF0;
    }));
}

}  // namespace
}  // namespace vxr
