// TGA loading, checked against files written by ImageMagick (compared with
// the pixels ImageMagick reads back from the same files) and against broken
// files written here.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/image_reader.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"
#include "vxr/surface/tga_decoder.h"

#ifndef VXR_FIXTURE_DIR
#error "VXR_FIXTURE_DIR must name the directory of the ImageMagick TGA fixtures"
#endif

namespace vxr {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string fixturePath(const std::string& name)
{
    std::string directory = VXR_FIXTURE_DIR;
#ifdef _WIN32
    // Under Wine the build tree's Unix path is reachable through drive Z:.
    if (!directory.empty() && directory.front() == '/') directory = "Z:" + directory;
#endif
    return directory + "/" + name;
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 0;
};

int widen5(int value) { return value << 3 | value >> 2; }

// What the surface holds at (x, y), as 8-bit channels; indexed pixels go
// through the palette.
Colour surfaceColour(const std::uint8_t* top, std::int32_t pitch, std::int32_t formatId,
                     const std::uint32_t* palette, int x, int y)
{
    const std::uint8_t* line = top + std::int64_t{y} * pitch;
    switch (formatId) {
    case INDEX8: {
        const std::uint32_t entry = palette[line[x]];
        return {int(entry >> 16 & 0xFF), int(entry >> 8 & 0xFF), int(entry & 0xFF),
                int(entry >> 24)};
    }
    case ARGB1555: {
        const int value = line[2 * x] | line[2 * x + 1] << 8;
        return {widen5(value >> 10 & 31), widen5(value >> 5 & 31), widen5(value & 31),
                value & 0x8000 ? 255 : 0};
    }
    case RGB888: {
        const std::uint8_t* p = line + 3 * x;
        return {p[2], p[1], p[0], 0};
    }
    default: {
        const std::uint8_t* p = line + 4 * x;
        return {p[2], p[1], p[0], p[3]};
    }
    }
}

enum class AlphaRule {
    IGNORED,   // ImageMagick's alpha has no counterpart in the loaded data
    ZERO,      // 24-bit colour-map entries become palette entries with alpha 0
    COMPARED,  // the file's alpha is loaded and must match ImageMagick's
};

struct FixtureKind {
    const char* name;
    std::int32_t formatId;
    int channelBits;  // 5 where the file stores 5-bit channels
    AlphaRule alpha;
};

const FixtureKind FIXTURE_KINDS[] = {
    {"index8_map24", INDEX8, 8, AlphaRule::ZERO},
    {"index8_map32", INDEX8, 8, AlphaRule::COMPARED},
    {"index8_map16", INDEX8, 5, AlphaRule::IGNORED},
    {"rgb16", ARGB1555, 5, AlphaRule::IGNORED},
    {"argb16", ARGB1555, 5, AlphaRule::COMPARED},
    {"rgb24", RGB888, 8, AlphaRule::IGNORED},
    {"argb32", ARGB8888, 8, AlphaRule::COMPARED},
};

// ImageMagick widens 5-bit channels by rounding (v * 255 / 31); the loader
// replicates the top bits. Both keep the 5-bit value, so compare through it.
int expectedChannel(int imageMagickValue, int channelBits)
{
    if (channelBits == 8) return imageMagickValue;
    return widen5((imageMagickValue * 31 + 127) / 255);
}

struct FixtureCase {
    FixtureKind kind;
    bool topDownFile;
    std::int32_t orientation;
};

std::string caseName(const testing::TestParamInfo<FixtureCase>& info)
{
    const char* file = info.param.topDownFile ? "_TopDownFile" : "_BottomUpFile";
    const char* surface = info.param.orientation == TOP_DOWN ? "_IntoTopDown" : "_IntoBottomUp";
    return std::string(info.param.kind.name) + file + surface;
}

class ImageMagickFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(ImageMagickFixture, LoadsThePixelsImageMagickReads)
{
    const FixtureCase& param = GetParam();
    const std::string file = fixturePath(std::string(param.kind.name) +
                                         (param.topDownFile ? "_top_down.tga" : "_bottom_up.tga"));
    const Bytes tga = readFile(file);
    const Bytes expected = readFile(file + ".rgba");
    ASSERT_GE(tga.size(), 18u) << file;
    // The fixture must really store its rows in the order its name says.
    ASSERT_EQ((tga[17] & 0x20) != 0, param.topDownFile) << file;
    const int width = tga[12] | tga[13] << 8, height = tga[14] | tga[15] << 8;
    ASSERT_EQ(expected.size(), std::size_t(width) * height * 4) << file;

    Surface surface;
    const bool topDown = param.orientation == TOP_DOWN;
    ASSERT_EQ(surface.load(file.c_str(), MEMORY_SYSTEM, param.orientation, topDown ? 0 : -1,
                           topDown ? VARIANT_DEFAULT : -1),
              1)
        << file;
    ASSERT_TRUE(surface.isValid());
    EXPECT_EQ(surface.width(), width);
    EXPECT_EQ(surface.height(), height);
    EXPECT_EQ(surface.orientation(), param.orientation);
    ASSERT_EQ(surface.format().id, param.kind.formatId);

    const std::uint32_t* palette = nullptr;
    if (param.kind.formatId == INDEX8) {
        ASSERT_NE(surface.palette(), nullptr);
        palette = surface.palette()->lock();
    } else {
        EXPECT_EQ(surface.palette(), nullptr);
    }
    const std::uint8_t* pixels = surface.lock(1);
    ASSERT_NE(pixels, nullptr);

    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* want = &expected[(std::size_t(y) * width + x) * 4];
            const Colour got =
                surfaceColour(pixels, surface.pitch(), param.kind.formatId, palette, x, y);
            bool same = got.red == expectedChannel(want[0], param.kind.channelBits) &&
                        got.green == expectedChannel(want[1], param.kind.channelBits) &&
                        got.blue == expectedChannel(want[2], param.kind.channelBits);
            if (param.kind.alpha == AlphaRule::ZERO) same = same && got.alpha == 0;
            if (param.kind.alpha == AlphaRule::COMPARED) same = same && got.alpha == want[3];
            if (!same && ++mismatches <= 5) {
                ADD_FAILURE() << "(" << x << ", " << y << "): loaded " << got.red << ","
                              << got.green << "," << got.blue << "," << got.alpha
                              << "; ImageMagick " << int(want[0]) << "," << int(want[1]) << ","
                              << int(want[2]) << "," << int(want[3]);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    surface.unlock();
    if (palette) surface.palette()->unlock();
}

std::vector<FixtureCase> allFixtureCases()
{
    std::vector<FixtureCase> cases;
    for (const FixtureKind& kind : FIXTURE_KINDS)
        for (bool topDownFile : {false, true})
            for (std::int32_t orientation : {TOP_DOWN, BOTTOM_UP})
                cases.push_back({kind, topDownFile, orientation});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Tga, ImageMagickFixture, testing::ValuesIn(allFixtureCases()), caseName);

// What a reader's header declares; the fields start at values that no
// header gives, so that one left unwritten shows.
struct DeclaredImage {
    bool read = false;
    std::int32_t width = -1;
    std::int32_t height = -1;
    PixelFormat format{RGB888};
    std::int32_t hasPalette = -1;
};

DeclaredImage declaredImage(ImageReader& reader)
{
    DeclaredImage image;
    image.read = reader.readHeader(image.width, image.height, image.format, image.hasPalette);
    return image;
}

TEST(TgaRunLength, HeaderReadsButPixelsAreRefused)
{
    for (const char* name : {"rle_rgb24_bottom_up.tga", "rle_index8_top_down.tga"}) {
        SCOPED_TRACE(name);
        const std::string file = fixturePath(name);
        ImageReader reader(file.c_str(), ImageReader::READ);
        ASSERT_TRUE(reader.isOpen());
        const DeclaredImage image = declaredImage(reader);
        ASSERT_TRUE(image.read);
        EXPECT_EQ(image.width, 37);
        EXPECT_EQ(image.height, 23);
        Bytes pixels(std::size_t(image.width) * image.height * 4);
        std::uint32_t entries[Palette::SIZE] = {};
        EXPECT_FALSE(reader.readPixels(pixels.data(), TOP_DOWN, image.width * image.format.bytes,
                                       image.hasPalette ? entries : nullptr));

        Surface surface;
        EXPECT_EQ(surface.load(file.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
        EXPECT_FALSE(surface.isValid());
    }
}

// ---- files written by the test ----------------------------------------------

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t mapType = 0;
    std::uint8_t imageType = 2;
    std::uint16_t mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t depth = 24;
    std::uint8_t descriptor = 0;
};

// True colour (image type 2), bottom line first.
TgaHeader trueColourHeader(std::uint16_t width, std::uint16_t height, std::uint8_t depth = 24)
{
    TgaHeader h;
    h.width = width;
    h.height = height;
    h.depth = depth;
    return h;
}

// 8-bit indices into a colour map of the given length and entry size.
TgaHeader colourMappedHeader(std::uint16_t width, std::uint16_t height, std::uint16_t mapLength,
                             std::uint8_t mapBits)
{
    TgaHeader h = trueColourHeader(width, height, 8);
    h.mapType = 1;
    h.imageType = 1;
    h.mapLength = mapLength;
    h.mapBits = mapBits;
    return h;
}

Bytes tgaFile(const TgaHeader& h, const Bytes& body)
{
    const std::uint8_t header[18] = {h.idLength,
                                     h.mapType,
                                     h.imageType,
                                     0,
                                     0,
                                     std::uint8_t(h.mapLength & 0xFF),
                                     std::uint8_t(h.mapLength >> 8),
                                     h.mapBits,
                                     0,
                                     0,
                                     0,
                                     0,
                                     std::uint8_t(h.width & 0xFF),
                                     std::uint8_t(h.width >> 8),
                                     std::uint8_t(h.height & 0xFF),
                                     std::uint8_t(h.height >> 8),
                                     h.depth,
                                     h.descriptor};
    Bytes file(sizeof header + body.size());
    std::memcpy(file.data(), header, sizeof header);
    if (!body.empty()) std::memcpy(file.data() + sizeof header, body.data(), body.size());
    return file;
}

// A private directory for the files one test writes, removed afterwards.
class TgaFiles : public testing::Test {
protected:
    void SetUp() override
    {
        std::random_device seed;
        directory = std::filesystem::temp_directory_path() /
                    ("vxr-tga-" + std::to_string(seed()) + "-" + std::to_string(seed()));
        ASSERT_TRUE(std::filesystem::create_directories(directory));
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = (directory / name).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    // A broken file must fail without leaving anything behind.
    // Refused, with a reason that names the file and contains because.
    void expectRefused(const std::string& name, const Bytes& bytes, const char* because = "")
    {
        SCOPED_TRACE(name);
        const std::string path = write(name, bytes);
        Surface surface;
        setLastError("a reason left from before");
        EXPECT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
        EXPECT_FALSE(surface.isValid());
        EXPECT_EQ(surface.palette(), nullptr);
        EXPECT_EQ(surface.width(), 0);
        const std::string reason = lastError();
        EXPECT_NE(reason.find("'" + path + "' is not an image that can be loaded: "),
                  std::string::npos)
            << reason;
        EXPECT_NE(reason.find(because), std::string::npos) << reason;
    }

    std::filesystem::path directory;
};

// 3 x 2 colour-mapped: a 2-byte ID, four 24-bit entries, rows top first.
Bytes smallIndexedFile()
{
    TgaHeader h = colourMappedHeader(3, 2, 4, 24);
    h.idLength = 2;
    h.descriptor = 0x20;
    return tgaFile(h, {'i', 'd',                            // image ID
                       0x10, 0x20, 0x30, 0x11, 0x21, 0x31,  // entries 0, 1 (B, G, R)
                       0x12, 0x22, 0x32, 0x13, 0x23, 0x33,  // entries 2, 3
                       0, 1, 2,                             // line 0
                       3, 2, 1});                           // line 1
}

// 3 x 2 true colour, 32 bits, rows bottom first.
Bytes smallTrueColourFile()
{
    const TgaHeader h = trueColourHeader(3, 2, 32);
    Bytes body;
    for (std::uint8_t i = 0; i < 24; ++i) body.push_back(std::uint8_t(i * 11 + 1));
    return tgaFile(h, body);
}

TEST_F(TgaFiles, SmallFilesLoadWholeAndFailCutAtEveryLength)
{
    for (const Bytes& whole : {smallIndexedFile(), smallTrueColourFile()}) {
        const std::string path = write("whole.tga", whole);
        Surface complete;
        ASSERT_EQ(complete.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 1);
        for (std::size_t length = 0; length < whole.size(); ++length)
            expectRefused("cut" + std::to_string(length) + ".tga",
                          Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
    }
}

TEST_F(TgaFiles, SmallIndexedFileLoadsItsEntriesAndRows)
{
    const std::string path = write("small.tga", smallIndexedFile());
    Surface surface;
    ASSERT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, BOTTOM_UP, -1, -1), 1);
    ASSERT_EQ(surface.format().id, INDEX8);
    ASSERT_NE(surface.palette(), nullptr);
    const std::uint32_t* entries = surface.palette()->lock();
    EXPECT_EQ(entries[0], 0x00302010u);
    EXPECT_EQ(entries[3], 0x00332313u);
    EXPECT_EQ(entries[4], 0u);  // beyond the map: the new palette's black
    surface.palette()->unlock();
    const std::uint8_t* pixels = surface.lock(1);
    ASSERT_NE(pixels, nullptr);
    // The file stores its top line first; a bottom-up surface still has line y at pitch * y.
    EXPECT_EQ(Bytes(pixels, pixels + 3), (Bytes{0, 1, 2}));
    EXPECT_EQ(Bytes(pixels + surface.pitch(), pixels + surface.pitch() + 3), (Bytes{3, 2, 1}));
    surface.unlock();
}

TEST_F(TgaFiles, BrokenHeadersAreRefused)
{
    expectRefused("map300.tga", tgaFile(colourMappedHeader(2, 2, 300, 24), Bytes(300 * 3 + 4, 1)),
                  "300 entries");
    expectRefused("map15.tga", tgaFile(colourMappedHeader(2, 2, 4, 15), Bytes(8 + 4, 1)),
                  "15-bit entries");

    expectRefused("width0.tga", tgaFile(trueColourHeader(0, 2), Bytes(12, 1)),
                  "declares no pixels");
    expectRefused("height0.tga", tgaFile(trueColourHeader(2, 0), Bytes(12, 1)));

    expectRefused("depth12.tga", tgaFile(trueColourHeader(2, 2, 12), Bytes(16, 1)),
                  "8, 16, 24 or 32 bits");

    TgaHeader runLength = trueColourHeader(2, 2);
    runLength.imageType = 10;
    expectRefused("rle.tga", tgaFile(runLength, Bytes(12, 1)), "image type is 10");

    expectRefused("empty.tga", {});
    Surface surface;
    const std::string missing = (directory / "missing.tga").string();
    EXPECT_EQ(surface.load(missing.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
    EXPECT_NE(std::string(lastError()).find("No such file"), std::string::npos) << lastError();
}

// The declared sizes pass 2^32 bytes (by 12.9 and 17.2 GB), which 32-bit
// size arithmetic would wrap to a few gigabytes or less.
TEST_F(TgaFiles, HugeHeaderOnATinyFileIsRefusedBeforeAllocating)
{
    std::string path;
    Bytes file;
    for (const std::uint8_t depth : {24, 32}) {
        SCOPED_TRACE(int{depth});
        file = tgaFile(trueColourHeader(65535, 65535, depth), {7, 7});
        ASSERT_EQ(file.size(), 20u);
        path = write("huge.tga", file);

        ImageReader reader(path.c_str(), ImageReader::READ);
        ASSERT_TRUE(reader.isOpen());
        EXPECT_EQ(reader.fileSize(), 20);
        EXPECT_FALSE(reader.holdsDeclaredData());
        TgaDecoder decoder(&reader);
        EXPECT_EQ(decoder.declaredSize(), 18 + std::int64_t{65535} * 65535 * (depth / 8));
        reader.close();

        expectRefused("huge.tga", file, "shorter than its header declares");
    }
    // Refused from the header, before the surface is remade: a surface that
    // held an image keeps it.
    const std::string good = write("good.tga", smallTrueColourFile());
    Surface surface;
    ASSERT_EQ(surface.load(good.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 1);
    EXPECT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
    EXPECT_TRUE(surface.isValid());
    EXPECT_EQ(surface.width(), 3);
}

TEST_F(TgaFiles, FailedLoadEitherKeepsOrEmptiesTheSurface)
{
    const std::string good = write("good.tga", smallIndexedFile());
    Surface surface;
    ASSERT_EQ(surface.load(good.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 1);

    // Refused from its header alone: the surface is untouched.
    const Bytes whole = smallIndexedFile();
    const std::string cut = write("cut.tga", Bytes(whole.begin(), whole.end() - 1));
    EXPECT_EQ(surface.load(cut.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
    EXPECT_TRUE(surface.isValid());
    EXPECT_EQ(surface.width(), 3);
    EXPECT_NE(surface.palette(), nullptr);

    // Refused while reading the pixels: the surface is empty, without palette.
    const std::string rle = fixturePath("rle_index8_bottom_up.tga");
    EXPECT_EQ(surface.load(rle.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
    EXPECT_FALSE(surface.isValid());
    EXPECT_EQ(surface.palette(), nullptr);
}

TEST_F(TgaFiles, LoadRejectsPaddingAndVariantItCannotHonour)
{
    const std::string path = write("good.tga", smallTrueColourFile());
    Surface surface;
    EXPECT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 4, VARIANT_DEFAULT), 0);
    EXPECT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT + 1), 0);
    EXPECT_EQ(surface.load((directory / "missing.tga").string().c_str(), MEMORY_SYSTEM,
                           TOP_DOWN, 0, VARIANT_DEFAULT),
              0);
    EXPECT_FALSE(surface.isValid());
    EXPECT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 1);
}

// Rows are placed by the top-to-bottom flag (0x20) alone, the same way in
// both orientations; the right-to-left flag (0x10) is not looked at.
TEST_F(TgaFiles, RowOrderFollowsTheTopToBottomFlagOnly)
{
    for (std::uint8_t descriptor : {0x00, 0x10, 0x20, 0x30}) {
        TgaHeader h = trueColourHeader(1, 3);
        h.descriptor = descriptor;
        const std::string path =
            write("order.tga", tgaFile(h, {10, 11, 12, 20, 21, 22, 30, 31, 32}));
        for (std::int32_t orientation : {TOP_DOWN, BOTTOM_UP}) {
            SCOPED_TRACE(testing::Message() << "descriptor " << int(descriptor)
                                            << ", orientation " << orientation);
            Surface surface;
            ASSERT_EQ(surface.load(path.c_str(), MEMORY_SYSTEM, orientation, 0, -1), 1);
            const std::uint8_t* pixels = surface.lock(1);
            ASSERT_NE(pixels, nullptr);
            const bool firstStoredIsTop = descriptor & 0x20;
            for (int y = 0; y < 3; ++y) {
                const int stored = firstStoredIsTop ? y : 2 - y;
                EXPECT_EQ(pixels[std::int64_t{y} * surface.pitch()], 10 * (stored + 1)) << y;
            }
            surface.unlock();
        }
    }
}

// ---- the reader and decoder directly ------------------------------------------

TEST_F(TgaFiles, ImageIdIsSkippedWithoutAColourMap)
{
    TgaHeader h = trueColourHeader(2, 1);
    h.idLength = 5;
    const std::string path =
        write("id.tga", tgaFile(h, {'I', 'M', 'A', 'G', 'E', 1, 2, 3, 4, 5, 6}));
    ImageReader reader(path.c_str(), ImageReader::READ);
    ASSERT_TRUE(reader.isOpen());
    const DeclaredImage image = declaredImage(reader);
    ASSERT_TRUE(image.read);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.format.id, RGB888);
    EXPECT_EQ(image.hasPalette, 0);
    std::uint8_t row[6] = {};
    ASSERT_TRUE(reader.readPixels(row, TOP_DOWN, 6, nullptr));
    EXPECT_EQ(Bytes(row, row + 6), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST_F(TgaFiles, EmptyColourMapLeavesThePaletteAlone)
{
    const TgaHeader h = colourMappedHeader(2, 1, 0, 24);
    const std::string path = write("nomap.tga", tgaFile(h, {5, 9}));
    ImageReader reader(path.c_str(), ImageReader::READ);
    std::vector<std::uint32_t> entries(Palette::SIZE, 0x12345678u);
    std::uint8_t row[2] = {};
    ASSERT_TRUE(reader.readPixels(row, BOTTOM_UP, 2, entries.data()));
    EXPECT_EQ(entries, std::vector<std::uint32_t>(Palette::SIZE, 0x12345678u));
    EXPECT_EQ(row[0], 5);
    EXPECT_EQ(row[1], 9);
}

TEST_F(TgaFiles, ShortColourMapLeavesZerosAndKeepsLaterEntries)
{
    const TgaHeader h = colourMappedHeader(1, 1, 4, 24);
    // Two whole entries and one byte of the third; the fourth is missing.
    const std::string path = write("shortmap.tga", tgaFile(h, {1, 2, 3, 4, 5, 6, 7}));
    ImageReader reader(path.c_str(), ImageReader::READ);
    std::vector<std::uint32_t> entries(Palette::SIZE, 0xAAAAAAAAu);
    ASSERT_TRUE(reader.readPixels(nullptr, TOP_DOWN, 0, entries.data()));
    EXPECT_EQ(entries[0], 0x00030201u);
    EXPECT_EQ(entries[1], 0x00060504u);
    EXPECT_EQ(entries[2], 0x00000007u);
    EXPECT_EQ(entries[3], 0u);
    EXPECT_EQ(entries[4], 0xAAAAAAAAu);
}

TEST_F(TgaFiles, SixteenBitEntriesWidenByReplicatingTheTopBits)
{
    const TgaHeader h = colourMappedHeader(1, 1, 4, 16);
    const std::string path = write(
        "map16.tga", tgaFile(h, {0xFF, 0x7F, 0x00, 0x80, 0x10, 0x42, 0x21, 0x04, 0}));
    ImageReader reader(path.c_str(), ImageReader::READ);
    std::uint32_t entries[Palette::SIZE] = {};
    ASSERT_TRUE(reader.readPixels(nullptr, TOP_DOWN, 0, entries));
    EXPECT_EQ(entries[0], 0x00FFFFFFu);  // 31 becomes 255; alpha bit clear
    EXPECT_EQ(entries[1], 0xFF000000u);  // alpha bit set
    EXPECT_EQ(entries[2], 0x00848484u);  // 16 becomes 132
    EXPECT_EQ(entries[3], 0x00080808u);  // 1 becomes 8
}

TEST_F(TgaFiles, LastRowMustBeComplete)
{
    const TgaHeader h = trueColourHeader(2, 2);
    const Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::string whole = write("whole.tga", tgaFile(h, rows));
    Surface surface;
    ASSERT_EQ(surface.load(whole.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 1);
    const std::uint8_t* pixels = surface.lock(1);
    ASSERT_NE(pixels, nullptr);
    // Stored bottom line first.
    EXPECT_EQ(Bytes(pixels, pixels + 6), (Bytes{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(Bytes(pixels + surface.pitch(), pixels + surface.pitch() + 6),
              (Bytes{1, 2, 3, 4, 5, 6}));
    surface.unlock();

    const Bytes cutFile = tgaFile(h, Bytes(rows.begin(), rows.end() - 2));
    ASSERT_EQ(cutFile.size(), 28u);
    const std::string cut = write("cut.tga", cutFile);
    Surface refused;
    EXPECT_EQ(refused.load(cut.c_str(), MEMORY_SYSTEM, TOP_DOWN, 0, VARIANT_DEFAULT), 0);
    EXPECT_FALSE(refused.isValid());

    // The decoder itself fails on the short row, after placing the whole one.
    ImageReader reader(cut.c_str(), ImageReader::READ);
    std::uint8_t lines[12] = {};
    EXPECT_FALSE(reader.readPixels(lines, TOP_DOWN, 6, nullptr));
    EXPECT_EQ(Bytes(lines + 6, lines + 12), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST_F(TgaFiles, EmptyFileReadsAsZeroHeader)
{
    const std::string path = write("empty.tga", {});
    ImageReader reader(path.c_str(), ImageReader::READ);
    ASSERT_TRUE(reader.isOpen());
    const DeclaredImage image = declaredImage(reader);
    ASSERT_TRUE(image.read);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.hasPalette, 0);
    EXPECT_FALSE(image.format.isValid());
}

TEST(TgaReader, MissingFileLeavesTheReaderClosed)
{
    ImageReader reader;
    EXPECT_FALSE(reader.open(fixturePath("no-such-file.tga").c_str(), ImageReader::READ));
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(declaredImage(reader).read);
    std::uint8_t byte = 0;
    EXPECT_EQ(reader.read(&byte, 1), 0u);
}

}  // namespace
}  // namespace vxr
