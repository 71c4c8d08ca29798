#include "vxr/format/clip_record.h"

#include <gtest/gtest.h>

#include <climits>

namespace vxr {
namespace {

const Rect screen{0, 0, 320, 200};

TEST(ClipRecord, StoresNormalisedRectangles)
{
    const ClipRecord record(Rect{10, 20, 0, 5}, Rect{0, 0, 4, 4});
    EXPECT_EQ(record.source(), (Rect{0, 5, 10, 20}));
    EXPECT_EQ(record.destination(), (Rect{0, 0, 4, 4}));
    EXPECT_EQ(record.references(), 0);
}

TEST(ClipRecord, ClampsAreasThatOverlap)
{
    const ClipRecord record(screen, Rect{10, 10, 20, 20});
    Rect area{-5, -5, 5, 5};
    EXPECT_EQ(record.clipSource(area), 1);
    EXPECT_EQ(area, (Rect{0, 0, 5, 5}));

    Rect inside{12, 12, 18, 18};
    EXPECT_EQ(record.clipDestination(inside), 1);
    EXPECT_EQ(inside, (Rect{12, 12, 18, 18}));

    Rect covering{0, 0, 100, 100};
    EXPECT_EQ(record.clipDestination(covering), 1);
    EXPECT_EQ(covering, (Rect{10, 10, 20, 20}));
}

TEST(ClipRecord, TouchingAnEdgeGivesAnEmptyAreaNotARefusal)
{
    const ClipRecord record(screen, screen);
    Rect touching{320, 0, 400, 10};
    EXPECT_EQ(record.clipSource(touching), 1);
    EXPECT_EQ(touching, (Rect{320, 0, 320, 10}));
    EXPECT_EQ(touching.width(), 0);

    for (Rect outside : {Rect{321, 0, 400, 10}, Rect{-10, 0, -1, 10}, Rect{0, 201, 5, 300},
                         Rect{0, -50, 5, -1}}) {
        const Rect before = outside;
        EXPECT_EQ(record.clipSource(outside), 0);
        EXPECT_EQ(outside, before);
    }
}

TEST(ClipRecord, ExtremeCoordinatesClipWithoutOverflow)
{
    const ClipRecord record(screen, screen);
    Rect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    EXPECT_EQ(huge.width(), std::int64_t{UINT32_MAX});
    EXPECT_EQ(record.clipDestination(huge), 1);
    EXPECT_EQ(huge, screen);
}

TEST(ClipRecord, CopiesCountTheirOwnHolders)
{
    ClipRecord original(screen, Rect{1, 2, 3, 4});
    original.addRef();
    original.addRef();
    const ClipRecord copy(original);
    EXPECT_EQ(copy.references(), 0);
    EXPECT_EQ(copy.destination(), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(original.release(), 1);
    EXPECT_EQ(original.release(), 0);
    EXPECT_EQ(original.release(), 0);
}

}  // namespace
}  // namespace vxr
