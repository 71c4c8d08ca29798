#include "demo/tunnel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "demo/wrapping_cast.h"
#include "tunnel_fixture.h"

namespace demo {
namespace {

constexpr double PI = 3.14159265358979323846;

TEST(TunnelState, ConstructionValuesKeepTheirBitPatterns)
{
    const Tunnel tunnel;
    EXPECT_EQ(__builtin_bit_cast(uint32_t, tunnel.angleX), 0x40925103u);
    EXPECT_EQ(__builtin_bit_cast(uint32_t, tunnel.angleY), 0x4096cbe4u);
    EXPECT_EQ(__builtin_bit_cast(uint32_t, tunnel.angleZ), 0u);
    EXPECT_EQ(tunnel.radius, 0.0f);
    EXPECT_EQ(tunnel.cameraZ, -20.0f);
    EXPECT_EQ(tunnel.texture, nullptr);
    EXPECT_FALSE(tunnel.shade.isBuilt());
    EXPECT_EQ(tunnel.ready, 0);
}

TEST(TunnelAnimate, HoldsStillBeforeTheTurnInAndAtItsEnd)
{
    Tunnel tunnel;
    EXPECT_EQ(tunnel.animate(0.01f, 5.0f), 0) << "not ready";
    EXPECT_EQ(tunnel.cameraZ, -20.0f);

    test::makeReady(tunnel);
    tunnel.angleX = 1.0f;
    tunnel.angleY = 2.0f;
    tunnel.angleZ = 3.0f;
    for (float t : {-1.0f, 0.0f, 2.5f, 3.0f, 4.0f}) {
        EXPECT_EQ(tunnel.animate(0.01f, t), 1);
        EXPECT_EQ(tunnel.angleX, 1.0f) << t;
        EXPECT_EQ(tunnel.angleY, 2.0f) << t;
        EXPECT_EQ(tunnel.angleZ, 3.0f) << t;
        EXPECT_EQ(tunnel.cameraZ, -20.0f) << t;
    }
}

TEST(TunnelAnimate, TurnInSetsBothAnglesWhateverTheyWere)
{
    Tunnel tunnel;
    test::makeReady(tunnel);
    tunnel.angleX = 1.0f;
    tunnel.angleY = 2.0f;
    EXPECT_EQ(tunnel.animate(0.01f, 3.5f), 1);
    EXPECT_EQ(tunnel.angleX, 3.14159265f + 0.7153982f);
    EXPECT_EQ(tunnel.angleY, 3.14159265f + 0.7853982f);
    EXPECT_EQ(tunnel.angleZ, 0.0f);
    EXPECT_EQ(tunnel.cameraZ, -20.0f);

    // Just after t = 3 it starts from the construction angles; just before
    // t = 4 it has almost reached pi.
    tunnel.animate(0.01f, std::nextafter(3.0f, 4.0f));
    EXPECT_NEAR(tunnel.angleX, Tunnel().angleX, 1e-6);
    EXPECT_NEAR(tunnel.angleY, Tunnel().angleY, 1e-6);
    tunnel.animate(0.01f, std::nextafter(4.0f, 3.0f));
    EXPECT_NEAR(tunnel.angleX, PI, 1e-6);
    EXPECT_NEAR(tunnel.angleY, PI, 1e-6);
}

TEST(TunnelAnimate, FlightMovesTheCameraByTimeAndStep)
{
    Tunnel tunnel;
    test::makeReady(tunnel);
    const float t = 5.0f, dt = 0.02f;
    EXPECT_EQ(tunnel.animate(dt, t), 1);
    const Tunnel start;
    EXPECT_FLOAT_EQ(tunnel.cameraZ, float(-20.0 - 0.7 * std::sin(0.5 * t) - 90.0 * dt));
    EXPECT_FLOAT_EQ(tunnel.angleX, float(start.angleX + 0.015 * std::sin(0.9 * t) + 0.28 * dt));
    EXPECT_FLOAT_EQ(tunnel.angleY, float(start.angleY - 0.01 * std::cos(0.2 * t) - 0.2 * dt));
    EXPECT_NEAR(tunnel.angleZ, 0.11 * dt + 0.004 * std::sin(0.5 + 0.18 * t), 1e-8);
}

// Rotations about x, then y, then z, for row vectors (p' = p * M).
TEST(TunnelCamera, RotatesAboutXThenYThenZ)
{
    Tunnel tunnel;
    tunnel.angleX = 0.3f;
    tunnel.angleY = -1.1f;
    tunnel.angleZ = 2.0f;
    // Where the three unit axes end up: x about x stays, then turns about y
    // and z; each step written out by hand.
    const double cx = std::cos(0.3), sx = std::sin(0.3), cy = std::cos(-1.1), sy = std::sin(-1.1);
    const double cz = std::cos(2.0), sz = std::sin(2.0);
    const double afterX[3][3] = {{1, 0, 0}, {0, cx, sx}, {0, -sx, cx}};
    const Matrix4 m = tunnel.cameraMatrix();
    for (int i = 0; i < 3; ++i) {
        const double x = afterX[i][0] * cy + afterX[i][2] * sy;
        const double y = afterX[i][1];
        const double z = -afterX[i][0] * sy + afterX[i][2] * cy;
        EXPECT_NEAR(m.at(i, 0), x * cz - y * sz, 1e-6) << i;
        EXPECT_NEAR(m.at(i, 1), x * sz + y * cz, 1e-6) << i;
        EXPECT_NEAR(m.at(i, 2), z, 1e-6) << i;
        EXPECT_EQ(m.at(i, 3), 0.0f);
        EXPECT_EQ(m.at(3, i), 0.0f);
    }
    EXPECT_EQ(m.at(3, 3), 1.0f);

    Matrix4 shift = Matrix4::identity();
    shift.setAt(3, 0, 5.0f);  // the last row translates
    shift.setAt(0, 1, 2.0f);
    const Vec3 moved = shift.transform(Vec3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(moved.x, 6.0f);
    EXPECT_EQ(moved.y, 3.0f);
    EXPECT_EQ(moved.z, 1.0f);
}

// With the camera looking straight down the axis from z = 0, a grid point
// at screen offset (x, y) from the centre sees the wall where the formulas
// below say; the test checks the grid lies at c/41 and r/26 of the screen.
struct ExpectedSample {
    double depth;
    double angle;
    double light;
};

ExpectedSample expectedStraightAhead(double x, double y, double distance, double radius)
{
    const double off = std::sqrt(x * x + y * y);
    const double along = radius * distance / off;
    return {(128.0 + along) * 102.4, std::fabs(std::atan2(-y, -x)) * 65536.0 / PI,
            0xF400 - std::sqrt(along * 15.36) * 290.0};
}

TEST(TunnelCastGrid, GridStopsOneStepShortOfTheRightAndBottomEdges)
{
    Tunnel tunnel;
    tunnel.radius = 255.0f;
    tunnel.angleX = tunnel.angleY = tunnel.angleZ = 0.0f;
    tunnel.cameraZ = 0.0f;
    tunnel.castGrid(0.0f, 1.0f, 0);
    for (int column : {0, 7, 40}) {
        for (int row : {0, 11, 25}) {
            const GridSample& sample = tunnel.grid[column * Tunnel::GRID_ROWS + row];
            const ExpectedSample expected =
                expectedStraightAhead(Tunnel::FRAME_WIDTH * (column / 41.0 - 0.5),
                                      Tunnel::FRAME_HEIGHT * (row / 26.0 - 0.5), 170.0, 255.0);
            EXPECT_NEAR(sample.depth, expected.depth, 2.0 + expected.depth * 1e-5)
                << column << "," << row;
            EXPECT_NEAR(sample.angle, expected.angle, 4.0) << column << "," << row;
            EXPECT_NEAR(sample.light, expected.light, 4.0) << column << "," << row;
        }
    }
    // Had the last column reached the screen edge, its angle would differ by
    // hundreds of units.
    const ExpectedSample atEdge = expectedStraightAhead(160.0, 100.0, 170.0, 255.0);
    EXPECT_GT(std::fabs(tunnel.grid[40 * Tunnel::GRID_ROWS + 25].angle - atEdge.angle), 100.0);

    // Time and zoom move the screen away: (170 + 65 sin(2.1 t)) * zoom.
    tunnel.castGrid(0.4f, 2.5f, 0);
    const ExpectedSample zoomed =
        expectedStraightAhead(-160.0, -100.0, (170.0 + 65.0 * std::sin(2.1 * 0.4)) * 2.5, 255.0);
    EXPECT_NEAR(tunnel.grid[0].depth, zoomed.depth, 2.0 + zoomed.depth * 1e-5);
    EXPECT_NEAR(tunnel.grid[0].light, zoomed.light, 4.0);
}

TEST(TunnelCastRay, RayAlongTheAxisSeesTheUnlitFarEnd)
{
    Tunnel tunnel;
    tunnel.radius = 255.0f;
    for (const Vec3& direction :
         {Vec3(0.0f, 0.0f, 1.0f), Vec3(0.0f, 0.0f, -1.0f), Vec3(0.0f, -0.0f, 0.0f)}) {
        const GridSample sample = tunnel.castRay(direction, 0);
        EXPECT_EQ(sample.depth, 0);
        EXPECT_EQ(sample.angle, 0);
        EXPECT_EQ(sample.light, 0);
    }
    // Nearly along the axis the hit lies beyond the float range: still the far end.
    const GridSample grazing = tunnel.castRay(Vec3(1e-40f, 0.0f, 1.0f), 0);
    EXPECT_EQ(grazing.light, 0);
    // A ray straight at the wall is lit fully, less the fade.
    EXPECT_EQ(tunnel.castRay(Vec3(0.0f, 1.0f, 0.0f), 0).light, Tunnel::FULL_LIGHT);
    EXPECT_EQ(tunnel.castRay(Vec3(0.0f, 1.0f, 0.0f), 0x400).light, Tunnel::FULL_LIGHT - 0x400);
    EXPECT_EQ(tunnel.castRay(Vec3(0.0f, 1.0f, 0.0f), 0).angle, 32768) << "straight up is pi/2";
}

TEST(TunnelCastGrid, FadeDarkensEverySampleAndStaysInsideTheTable)
{
    Tunnel tunnel;
    test::makeReady(tunnel);
    tunnel.animate(0.01f, 4.5f);
    const auto allLight = [&](auto predicate) {
        for (const GridSample& sample : tunnel.grid) {
            if (!predicate(sample.light)) return false;
        }
        return true;
    };
    tunnel.castGrid(4.5f, 1.0f, 0);
    EXPECT_TRUE(allLight([](int32_t light) { return light >= 0 && light <= Tunnel::FULL_LIGHT; }));
    EXPECT_FALSE(allLight([](int32_t light) { return light == 0; }));
    for (int32_t fade : {0xF400, 0x10000, INT_MAX}) {
        tunnel.castGrid(4.5f, 1.0f, fade);
        EXPECT_TRUE(allLight([](int32_t light) { return light == 0; })) << fade;
    }
    tunnel.castGrid(4.5f, 1.0f, INT_MIN);
    EXPECT_TRUE(allLight([](int32_t light) { return light == Tunnel::MAX_LIGHT; }));
}

TEST(WrapToInt32, TruncatesAndWrapsEveryDouble)
{
    EXPECT_EQ(wrapToInt32(2.9), 2);
    EXPECT_EQ(wrapToInt32(-2.9), -2);
    EXPECT_EQ(wrapToInt32(2147483648.5), INT_MIN);
    EXPECT_EQ(wrapToInt32(4294967296.0 + 5.7), 5);
    EXPECT_EQ(wrapToInt32(-4294967296.0 * 3 - 5.7), -5);
    EXPECT_EQ(wrapToInt32(7.5e9), int32_t(7500000000LL - 4294967296LL));
    // Beyond the 64-bit range: 1e19 = 2328306436 * 2^32 + 2313682944, and
    // 2^70 + 2^40 is a multiple of 2^32.
    EXPECT_EQ(wrapToInt32(1e19), int32_t(uint32_t(2313682944u)));
    EXPECT_EQ(wrapToInt32(-1e19), -int32_t(uint32_t(2313682944u)));
    EXPECT_EQ(wrapToInt32(std::ldexp(1.0, 70) + std::ldexp(1.0, 40)), 0);
    EXPECT_EQ(wrapToInt32(std::ldexp(1.0, 63) + std::ldexp(1.0, 12)), 4096);
    EXPECT_EQ(wrapToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(wrapToInt32(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(wrapToInt32(-std::numeric_limits<double>::infinity()), 0);
}

// After a day's flight cameraZ is near -9e6 and depth far beyond 32 bits;
// it must keep counting modulo 2^32, not saturate.
TEST(TunnelLongFlight, DepthWrapsModulo32Bits)
{
    Tunnel tunnel;
    test::makeReady(tunnel);
    float t = 0.0f;
    while (t < 100000.0f) {
        tunnel.animate(0.25f, t);
        t = float(double(t) + 0.25);
    }
    ASSERT_TRUE(std::isfinite(tunnel.cameraZ));
    EXPECT_NEAR(tunnel.cameraZ, -90.0 * (100000.0 - 4.0), 1000.0);

    // Looking straight ahead every hit lies behind the ray origin (z < -128),
    // so depth = depth at cameraZ 0 + 8 * |cameraZ| * 102.4.
    const float cameraZ = tunnel.cameraZ;
    tunnel.angleX = tunnel.angleY = tunnel.angleZ = 0.0f;
    tunnel.cameraZ = 0.0f;
    tunnel.castGrid(t, 1.0f, 0);
    std::vector<GridSample> near(std::begin(tunnel.grid), std::end(tunnel.grid));
    tunnel.cameraZ = cameraZ;
    tunnel.castGrid(t, 1.0f, 0);
    const double travelled = -8.0 * double(cameraZ) * double(102.4f);
    ASSERT_GT(travelled, 4294967296.0);
    for (size_t i = 0; i < near.size(); ++i) {
        const int64_t expected = near[i].depth + int64_t(travelled);
        const int32_t difference = int32_t(uint32_t(tunnel.grid[i].depth) - uint32_t(expected));
        ASSERT_LE(std::abs(difference), 2) << i;
        EXPECT_EQ(tunnel.grid[i].angle, near[i].angle);
    }
}

}  // namespace
}  // namespace demo
