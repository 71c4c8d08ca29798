#include <gtest/gtest.h>

#include <vector>

#include "gdi_test_support.h"
#include "reason_check.h"
#include "vxr/console/console_mode.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

struct Placed {
    int left, top, width, height;
};

constexpr int BLOCK = 4;

// Client pixels that differ from black outside the placed area (a pixel
// off it, since an edge may round either way), and block centres inside it
// that differ from the frame's block; with exact, every pixel inside must
// show the frame pixel under its centre.
int mismatchesIn(const testing::ClientPixels& client, Surface& frame, const Placed& area,
                 bool exact)
{
    const std::vector<std::uint32_t> colours = testing::frameColours(frame);
    const auto frameAt = [&](std::int64_t x, std::int64_t y) {
        return colours[std::size_t(y) * frame.width() + std::size_t(x)];
    };
    int count = 0;
    for (int y = 0; y < client.height; ++y) {
        for (int x = 0; x < client.width; ++x) {
            const int u = x - area.left, v = y - area.top;
            if (u < -1 || v < -1 || u > area.width || v > area.height) {
                count += client.at(x, y) != 0;
            } else if (exact && u >= 0 && v >= 0 && u < area.width && v < area.height) {
                const std::int64_t sourceX = (2LL * u + 1) * frame.width() / (2LL * area.width);
                const std::int64_t sourceY = (2LL * v + 1) * frame.height() / (2LL * area.height);
                count += !testing::sameAtDepth(frameAt(sourceX, sourceY), client.at(x, y),
                                               frame.format());
            }
        }
    }
    for (int fy = BLOCK / 2; fy < frame.height(); fy += BLOCK) {
        for (int fx = BLOCK / 2; fx < frame.width(); fx += BLOCK) {
            const int x = area.left + static_cast<int>(std::int64_t{fx} * area.width / frame.width());
            const int y = area.top + static_cast<int>(std::int64_t{fy} * area.height / frame.height());
            count += !testing::sameAtDepth(frameAt(fx, fy), client.at(x, y), frame.format());
        }
    }
    return count;
}

// A 600 x 450 client shows a 160 x 100 frame as each way of scaling says,
// switched while the window shows, and the pointer at the shown area's
// corners reports the frame's corner pixels.
TEST(GdiScaling, EachWayPlacesTheFrameItsOwnWayAndThePointerFollows)
{
    GdiConsole console(nullptr);
    ASSERT_TRUE(testing::openSettled(console, 160, 100));
    const auto window = static_cast<HWND>(console.window());
    testing::resizeClient(window, 600, 450);
    testing::settle(window);
    Surface frame(&console, 160, 100, PixelFormat(RGB565), -1, -1, -1, -1);
    testing::fillBlocks(frame, BLOCK);

    // Whole multiples are 3 x here, exact; the other two scale by uneven
    // factors. Sharp keeps the aspect: 600 x 375, centred 37.5 down.
    const struct {
        int scaling;
        Placed area;
        bool exact;
    } cases[] = {
        {SCALING_INTEGER, {60, 75, 480, 300}, true},
        {SCALING_STRETCH, {0, 0, 600, 450}, false},
        {SCALING_SHARP, {0, 37, 600, 375}, false},
    };
    for (const auto& each : cases) {
        ASSERT_EQ(console.setScaling(each.scaling), 1) << each.scaling;
        ASSERT_EQ(frame.copy(console.primary(), 0), 1);
        testing::settle(window);
        const testing::ClientPixels shown = testing::readClient(window);
        ASSERT_EQ(shown.width, 600);
        ASSERT_EQ(shown.height, 450);
        EXPECT_EQ(mismatchesIn(shown, frame, each.area, each.exact), 0) << each.scaling;

        const Placed& a = each.area;
        const PointerPosition first = testing::pointerAt(console, window, a.left, a.top);
        EXPECT_TRUE(first.inside && first.x == 0 && first.y == 0) << each.scaling;
        const PointerPosition last =
            testing::pointerAt(console, window, a.left + a.width - 1, a.top + a.height - 1);
        EXPECT_TRUE(last.inside && last.x == 159 && last.y == 99) << each.scaling;
    }
    EXPECT_EQ(console.setScaling(SCALING_COMPOSITOR), 0);
    EXPECT_TRUE(testing::reasonSays("no compositor's scaling"));
    EXPECT_EQ(console.setScaling(99), 0);
}

}  // namespace
}  // namespace vxr
