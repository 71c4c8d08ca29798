#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/frame_schedule.h"
#include "demo/tunnel.h"
#include "tunnel_fixture.h"
#include "vxr/console/console.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace demo {
namespace {

using vxr::ARGB8888;
using vxr::BOTTOM_UP;
using vxr::Console;
using vxr::MEMORY_SYSTEM;
using vxr::PixelFormat;
using vxr::RGB565;
using vxr::Surface;
using vxr::TOP_DOWN;
using vxr::VARIANT_DEFAULT;

constexpr int WIDTH = Tunnel::FRAME_WIDTH;
constexpr int HEIGHT = Tunnel::FRAME_HEIGHT;
constexpr int PITCH = WIDTH * 2;  // packed RGB565 rows

std::string assetPath(const char* name)
{
    std::string directory = VXR_ASSET_DIR;
#ifdef _WIN32
    // Under Wine the source tree's Unix path is reachable through drive Z:.
    if (!directory.empty() && directory.front() == '/') directory = "Z:" + directory;
#endif
    return directory + "/" + name;
}

// A small uncompressed TGA written by hand: type, depth and map as asked.
std::string writeTga(const char* name, int width, int height, int depth, bool colourMap)
{
    const std::string path = testing::TempDir() + name;
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[1] = colourMap ? 1 : 0;
    bytes[2] = colourMap || depth == 8 ? 1 : 2;
    if (colourMap) {
        bytes[5] = 0;  // 256 entries
        bytes[6] = 1;
        bytes[7] = 24;
    }
    bytes[12] = width & 0xFF;
    bytes[13] = width >> 8;
    bytes[14] = height & 0xFF;
    bytes[15] = height >> 8;
    bytes[16] = static_cast<std::uint8_t>(depth);
    bytes[17] = 0x20;
    if (colourMap)
        for (int i = 0; i < 256; ++i) bytes.insert(bytes.end(), {std::uint8_t(i), 0, 0});
    bytes.resize(bytes.size() + std::size_t(width) * height * (depth / 8), 7);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

Surface* newFrame(int width = WIDTH, int height = HEIGHT, int orientation = TOP_DOWN,
                  std::int32_t format = RGB565)
{
    return new Surface(&Console::defaultConsole(), width, height, PixelFormat(format),
                       MEMORY_SYSTEM, orientation, 0, VARIANT_DEFAULT);
}

TEST(TunnelSetup, IsReadyWithTheDemosTexture)
{
    Tunnel tunnel;
    tunnel.angleZ = 1.0f;
    tunnel.init(assetPath("zor.tga").c_str(), 255.0f);
    ASSERT_EQ(tunnel.isReady(), 1);
    EXPECT_EQ(tunnel.radius, 255.0f);
    EXPECT_EQ(tunnel.angleZ, 0.0f);  // init starts from the construction values
    EXPECT_EQ(tunnel.angleX, Tunnel::START_ANGLE_X);
    ASSERT_NE(tunnel.texture, nullptr);
    EXPECT_EQ(tunnel.texture->pitch(), 256);
    tunnel.destroy();
    EXPECT_EQ(tunnel.isReady(), 0);
    EXPECT_EQ(tunnel.texture, nullptr);
}

TEST(TunnelSetup, RefusesTexturesItCannotUse)
{
    struct Case {
        const char* what;
        std::string path;
        bool keepsTexture;
    };
    const Case cases[] = {
        {"missing", testing::TempDir() + "no-such-texture.tga", false},
        {"255 wide", writeTga("narrow.tga", 255, 256, 8, true), true},
        {"24-bit", writeTga("truecolour.tga", 256, 256, 24, false), true},
        {"no palette", writeTga("paletteless.tga", 256, 256, 8, false), true},
    };
    for (const Case& c : cases) {
        Tunnel tunnel;
        tunnel.init(c.path.c_str(), 255.0f);
        EXPECT_EQ(tunnel.isReady(), 0) << c.what;
        EXPECT_EQ(tunnel.animate(0.01f, 5.0f), 0) << c.what;
        // What was loaded stays owned until destroy releases it.
        EXPECT_EQ(tunnel.texture != nullptr && tunnel.texture->isValid(), c.keepsTexture) << c.what;
        tunnel.destroy();
        EXPECT_EQ(tunnel.texture, nullptr) << c.what;
    }
}

TEST(TunnelSetup, RenderBeforeInitTouchesNothing)
{
    Tunnel tunnel;
    std::unique_ptr<Surface> frame(newFrame());
    EXPECT_EQ(tunnel.render(*frame, 5.0f, 1.0f, 0), 0);
    EXPECT_EQ(frame->store()->lockCount(), 0);
    const std::uint8_t* pixels = frame->lock(1);
    for (int i = 0; i < HEIGHT * PITCH; ++i) ASSERT_EQ(pixels[i], 0);
    frame->unlock();
}

TEST(TunnelSetup, RenderFillsTheFrameLikeTheReferenceInBothOrientations)
{
    Tunnel tunnel;
    tunnel.init(assetPath("zor.tga").c_str(), 255.0f);
    ASSERT_EQ(tunnel.isReady(), 1);
    std::unique_ptr<Surface> topDown(newFrame()), bottomUp(newFrame(WIDTH, HEIGHT, BOTTOM_UP));
    float t = 0.0f;
    for (int i = 0; i < 450; ++i) {
        tunnel.animate(FrameSchedule::TIME_STEP, t);
        t = FrameSchedule::nextTime(t);
    }
    ASSERT_EQ(tunnel.render(*topDown, t, 1.0f, 0), 1);
    ASSERT_EQ(tunnel.render(*bottomUp, t, 1.0f, 0), 1);
    EXPECT_EQ(topDown->store()->lockCount(), 0);
    EXPECT_EQ(tunnel.texture->store()->lockCount(), 0);

    std::vector<std::uint8_t> expected(HEIGHT * PITCH);
    const std::uint8_t* texels = tunnel.texture->lock(1);
    test::referenceFill(tunnel, expected.data(), PITCH, texels);
    tunnel.texture->unlock();
    const std::uint8_t* top = topDown->lock(1);
    const std::uint8_t* bottom = bottomUp->lock(1);
    ASSERT_EQ(std::memcmp(top, expected.data(), expected.size()), 0);
    for (int y = 0; y < HEIGHT; ++y)
        ASSERT_EQ(std::memcmp(bottom + y * bottomUp->pitch(), top + y * PITCH, PITCH), 0) << y;
    // A lit tunnel in its free run is neither black nor one colour.
    int distinct = 0;
    for (int i = 2; i < HEIGHT * PITCH; i += 2) distinct += std::memcmp(top, top + i, 2) != 0;
    EXPECT_GT(distinct, 1000);
}

TEST(TunnelSetup, RenderRefusesTargetsTheFrameWouldOverrun)
{
    Tunnel tunnel;
    tunnel.init(assetPath("zor.tga").c_str(), 255.0f);
    ASSERT_EQ(tunnel.isReady(), 1);
    std::unique_ptr<Surface> small(newFrame(WIDTH - 1, HEIGHT)),
        wide(newFrame(WIDTH, HEIGHT, TOP_DOWN, ARGB8888));
    EXPECT_EQ(tunnel.render(*small, 5.0f, 1.0f, 0), 0);
    EXPECT_EQ(tunnel.render(*wide, 5.0f, 1.0f, 0), 0);
    std::unique_ptr<Surface> larger(newFrame(WIDTH + 80, HEIGHT + 100));
    EXPECT_EQ(tunnel.render(*larger, 5.0f, 1.0f, 0), 1);
}

TEST(TunnelSetup, FailedLocksLeaveBothSurfacesUnlocked)
{
    Tunnel tunnel;
    tunnel.init(assetPath("zor.tga").c_str(), 255.0f);
    ASSERT_EQ(tunnel.isReady(), 1);
    std::unique_ptr<Surface> frame(newFrame());
    Surface* texture = tunnel.texture;
    // A texture whose storage went away cannot be locked.
    Surface empty;
    tunnel.texture = &empty;
    EXPECT_EQ(tunnel.render(*frame, 5.0f, 1.0f, 0), 0);
    EXPECT_EQ(frame->store()->lockCount(), 0);
    tunnel.texture = texture;

    Surface emptyFrame;
    EXPECT_EQ(tunnel.render(emptyFrame, 5.0f, 1.0f, 0), 0);
    EXPECT_EQ(tunnel.texture->store()->lockCount(), 0);
}

TEST(FrameSchedule, PhasesRunFromTheirFirstToTheirLastValues)
{
    EXPECT_EQ(FrameSchedule::flyIn(0).zoom, 11.0f);
    EXPECT_EQ(FrameSchedule::flyIn(0).fade, 65536);
    EXPECT_EQ(FrameSchedule::flyIn(127).zoom, 1.078125f);
    EXPECT_EQ(FrameSchedule::flyIn(127).fade, 512);
    EXPECT_EQ(FrameSchedule::swirlOut(0).zoom, 1.0f);
    EXPECT_EQ(FrameSchedule::swirlOut(149).zoom, static_cast<float>(0.255 * 0.255));
    EXPECT_EQ(FrameSchedule::fadeOut(0).fade, 0);
    EXPECT_EQ(FrameSchedule::fadeOut(63).fade, 64512);
    EXPECT_EQ(FrameSchedule::fadeOut(63).zoom, 0.0625f);
    float t = 0.0f;
    for (int i = 0; i < 128; ++i) t = FrameSchedule::nextTime(t);
    EXPECT_NEAR(t, 1.28f, 1e-5f);
}

}  // namespace
}  // namespace demo
