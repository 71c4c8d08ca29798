#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "vxr/console/console_mode.h"
#include "vxr/console/event.h"
#include "vxr/format/rect.h"

namespace vxr::test {

// A way of scaling, and the area of the window it must show the frame in,
// worked out by hand in each test.
struct ScalingCase {
    std::int32_t scaling;
    Rect area;

    // The way's name, for failure messages.
    std::string name() const
    {
        return scaling == SCALING_SHARP        ? "sharp"
               : scaling == SCALING_INTEGER    ? "whole multiples"
               : scaling == SCALING_STRETCH    ? "stretched"
               : scaling == SCALING_COMPOSITOR ? "the compositor's"
                                               : "scaling " + std::to_string(scaling);
    }

    // The area's corner pixels report the corner pixels of a frame of the
    // given size, and the bar pixel beside the area, where there is one,
    // reports outside. pointAt puts the pointer on a window pixel the
    // platform's own way and gives the position the console reported there.
    void expectCornersMapped(
        int frameWidth, int frameHeight,
        const std::function<bool(int x, int y, PointerPosition& at)>& pointAt) const
    {
        const int right = area.right - 1, bottom = area.bottom - 1;
        const int corners[][4] = {{area.left, area.top, 0, 0},
                                  {right, area.top, frameWidth - 1, 0},
                                  {right, bottom, frameWidth - 1, frameHeight - 1},
                                  {area.left, bottom, 0, frameHeight - 1}};
        PointerPosition at;
        for (const auto& corner : corners) {
            SCOPED_TRACE(testing::Message() << "at " << corner[0] << ", " << corner[1]);
            ASSERT_TRUE(pointAt(corner[0], corner[1], at)) << "no motion there";
            EXPECT_EQ(at.x, corner[2]);
            EXPECT_EQ(at.y, corner[3]);
            EXPECT_TRUE(at.inside);
        }
        if (area.left > 0) {
            ASSERT_TRUE(pointAt(area.left - 1, bottom, at)) << "no motion left of the frame";
            EXPECT_FALSE(at.inside);
            EXPECT_LT(at.x, 0);
        }
        if (area.top > 0) {
            ASSERT_TRUE(pointAt(right, area.top - 1, at)) << "no motion above the frame";
            EXPECT_FALSE(at.inside);
            EXPECT_LT(at.y, 0);
        }
    }
};

}  // namespace vxr::test
