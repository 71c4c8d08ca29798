#include "vxr/console/placement/output_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "vxr/last_error.h"
#include "vxr/set_last_error.h"

namespace vxr {
namespace {

bool reasonSays(const char* words) { return std::string(lastError()).find(words) != std::string::npos; }

TEST(OutputScale, ReportedNonsenseIsClampedWithAReason)
{
    clearLastError();
    EXPECT_EQ(OutputScale::settle(1.5, "the test"), 1.5);
    EXPECT_EQ(OutputScale::settle(8.0, "the test"), 8.0);
    EXPECT_STREQ(lastError(), "");

    EXPECT_EQ(OutputScale::settle(0.0, "the monitor"), 1.0);
    EXPECT_TRUE(reasonSays("the monitor reported a scale of 0")) << lastError();
    EXPECT_EQ(OutputScale::settle(-2.0, "the monitor"), 1.0);
    EXPECT_TRUE(reasonSays("of -2")) << lastError();
    EXPECT_EQ(OutputScale::settle(std::nan(""), "the monitor"), 1.0);
    EXPECT_TRUE(reasonSays("1 is used")) << lastError();
    EXPECT_EQ(OutputScale::settle(12.0, "the monitor"), OutputScale::LARGEST);
    EXPECT_TRUE(reasonSays("8 is used")) << lastError();
    EXPECT_EQ(OutputScale::settle(std::numeric_limits<double>::infinity(), "it"),
              OutputScale::LARGEST);
}

TEST(OutputScale, PhysicalLengthsRoundToWholePixelsWithinAWindowsReach)
{
    EXPECT_EQ(OutputScale::physical(320, 1.5), 480);
    EXPECT_EQ(OutputScale::physical(200, 1.25), 250);
    EXPECT_EQ(OutputScale::physical(1, 1.25), 1);
    EXPECT_EQ(OutputScale::physical(3, 1.5), 5);  // 4.5 rounds up
    EXPECT_EQ(OutputScale::physical(320, 2.0), 640);
    // A scale that was never settled still sizes safely.
    EXPECT_EQ(OutputScale::physical(320, std::nan("")), 320);
    EXPECT_EQ(OutputScale::physical(320, 0.0), 320);
    EXPECT_EQ(OutputScale::physical(0, 2.0), 0);
    EXPECT_EQ(OutputScale::physical(-5, 2.0), 0);
    EXPECT_EQ(OutputScale::physical(30000, 8.0), 32767);
    EXPECT_EQ(OutputScale::physical(std::numeric_limits<std::int32_t>::max(), 8.0), 32767);
}

}  // namespace
}  // namespace vxr
