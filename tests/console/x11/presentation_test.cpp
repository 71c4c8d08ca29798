// Frames presented on real Xvfb servers at every depth the console knows,
// with and without MIT-SHM, read back from the window and compared byte for
// byte with the frame converted by the library and scaled the plain way.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vxr/console/x11/shared_memory_store.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/surface/surface.h"
#include "x11_session.h"

namespace vxr {
namespace {

using test::X11Session;

struct DisplayKind {
    int depth;
    bool sharedMemory;
};

std::string kindName(const ::testing::TestParamInfo<DisplayKind>& info)
{
    return "depth" + std::to_string(info.param.depth) +
           (info.param.sharedMemory ? "_shared" : "_plain");
}

class Presentation : public ::testing::TestWithParam<DisplayKind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.start({GetParam().depth, 640, 480, GetParam().sharedMemory}));
        console = std::make_unique<X11Console>();
        ASSERT_EQ(console->ok(), 1);
    }

    void openAt(int width, int height, int expectedWidth, int expectedHeight)
    {
        ASSERT_EQ(console->open(width, height, PREFER16, -1, -1, -1), 1);
        window = X11Session::windowOf(*console);
        int shownWidth = 0, shownHeight = 0;
        ASSERT_TRUE(session.view.geometry(window, shownWidth, shownHeight));
        EXPECT_EQ(shownWidth, expectedWidth);
        EXPECT_EQ(shownHeight, expectedHeight);
    }

    // The display's own format first, then one it shows through a converter.
    std::vector<std::int32_t> frameFormats() const
    {
        switch (GetParam().depth) {
            case 8:
                return {INDEX8, RGB565};
            case 16:
                return {RGB565, ARGB8888};
            default:
                return {ARGB8888, RGB565};
        }
    }

    PixelFormat shownFormat(const PixelFormat& frame) const
    {
        if (GetParam().depth == 8) return PixelFormat(frame.model == INDEXED ? INDEX8 : RGB332);
        return console->format();
    }

    std::unique_ptr<Surface> randomFrame(std::int32_t format, int width, int height, unsigned seed)
    {
        auto frame = std::make_unique<Surface>(console.get(), width, height, PixelFormat(format),
                                               MEMORY_SYSTEM, -1, -1, -1);
        test::fillRandom(*frame, seed);
        if (format == INDEX8) {
            Palette colours;
            test::randomPalette(colours, seed);
            // Index 0 black, so that the bars are index 0 on every depth.
            colours.lock()[0] = 0;
            colours.unlock();
            frame->setPalette(colours);
        }
        return frame;
    }

    void expectEveryFormatShown(int width, int height)
    {
        unsigned seed = 1;
        for (std::int32_t format : frameFormats()) {
            auto frame = randomFrame(format, width, height, seed++);
            ASSERT_TRUE(frame->isValid());
            std::string why;
            EXPECT_TRUE(
                session.presentsExactly(*frame, shownFormat(frame->format()), window, 0, why))
                << "format " << format << ": " << why;
        }
    }

    X11Session session;
    std::unique_ptr<X11Console> console;
    xcb_window_t window = 0;
};

TEST_P(Presentation, ShowsFramesAsTheyAreAtScaleOne)
{
    // Twice 400 x 300 does not fit in three quarters of 640 x 480.
    openAt(400, 300, 400, 300);
    expectEveryFormatShown(400, 300);
}

TEST_P(Presentation, KeepsFramesOfTheDisplaysFormatInSharedMemoryWhereItCan)
{
    openAt(64, 40, 448, 280);
    auto own = randomFrame(frameFormats()[0], 64, 40, 7);
    auto other = randomFrame(frameFormats()[1], 64, 40, 8);
    const bool shared = dynamic_cast<SharedMemoryStore*>(own->store()) != nullptr;
    EXPECT_EQ(shared, GetParam().sharedMemory);
    EXPECT_EQ(dynamic_cast<SharedMemoryStore*>(other->store()), nullptr);
    EXPECT_EQ(own->orientation(), TOP_DOWN);
}

TEST_P(Presentation, ShowsFramesAtTheLargestWholeScaleThatFits)
{
    // Four times 100 x 60 fits in 480 x 360; five times does not.
    openAt(100, 60, 400, 240);
    expectEveryFormatShown(100, 60);
}

TEST_P(Presentation, KeepsTheAspectBetweenBlackBarsAfterResizes)
{
    openAt(100, 60, 400, 240);
    for (auto [width, height] : {std::pair{333, 177}, std::pair{121, 301}}) {
        session.view.resize(window, width, height);
        ASSERT_TRUE(test::eventually([&] {
            int w = 0, h = 0;
            return session.view.geometry(window, w, h) && w == width && h == height;
        }));
        expectEveryFormatShown(100, 60);
    }
}

INSTANTIATE_TEST_SUITE_P(Displays, Presentation,
                         ::testing::Values(DisplayKind{16, true}, DisplayKind{16, false},
                                           DisplayKind{24, true}, DisplayKind{24, false},
                                           DisplayKind{8, true}, DisplayKind{8, false}),
                         kindName);

}  // namespace
}  // namespace vxr
