#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vxr/console/frame_scaler.h"
#include "vxr/console/wayland/shm_buffer.h"
#include "vxr/console/wayland/viewport_stage.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

struct wl_surface;

namespace vxr {

class Console;
class Converter;
class Surface;
class WaylandConnection;

// Puts frames on a Wayland console's surface: each frame's area converted
// where it is not in the display's format, scaled by the library's own
// scaler onto the letterbox of the window, black bars around it, in one of
// a few shared-memory buffers. An area shown at its own size in another
// format is converted straight into the buffer. A buffer the compositor holds is never
// written: a frame waits, boundedly, for one to be released.
//
// Where asked and offered, the compositor scales instead: while the window
// is not the frame's size, buffers have the frame's size and go on a
// viewport stage.
//
// Everything here runs under the console's presentLock, the mutex given at
// construction; the release listener takes it itself.
class WaylandPresenter : private ShmBuffer::Listener {
public:
    static constexpr int BUFFER_COUNT = 3;

    WaylandPresenter(WaylandConnection& connection, Console& console, std::recursive_mutex& presentLock);
    ~WaylandPresenter();
    WaylandPresenter(const WaylandPresenter&) = delete;
    WaylandPresenter& operator=(const WaylandPresenter&) = delete;

    // Whether the compositor scales frames where it offers viewports, from
    // the next change of the window's size; the library's scaler otherwise.
    void scaleInCompositor(bool wanted) { compositorScalingWanted = wanted; }
    // Whether the frames shown now are scaled by the compositor.
    bool scalesInCompositor() const { return stage.isCreated(); }

    // Frames of the given size go to surface from now on; bufferScale
    // buffer pixels make one surface unit.
    void attachSurface(wl_surface* surface, std::int32_t frameWidth, std::int32_t frameHeight,
                       std::int32_t bufferScale);
    void detachSurface();
    bool hasSurface() const { return target != nullptr; }
    // The window's size in surface units; the window shows the last frame
    // again at the new size.
    void resize(std::int32_t width, std::int32_t height);
    // The compositor is gone: nothing waits for it any more.
    void markLost();

    // held is the caller's hold of presentLock, let go while waiting for a
    // buffer.
    int present(std::unique_lock<std::recursive_mutex>& held, Surface& source, const Rect& sourceArea,
                const Rect& destinationArea);
    // Draws the remembered frame again, or black without one; put off until
    // a buffer is released when all are held.
    void repaint();
    // A surface whose store goes away is no longer drawn from.
    void forgetSurface(const Surface* surface);

    std::int32_t clientWidth() const { return pixelsWide; }
    std::int32_t clientHeight() const { return pixelsHigh; }
    // Window buffer pixels to one surface unit.
    std::int32_t bufferScale() const { return scale; }
    // Where the frame shows in the window, in window buffer pixels: the
    // letterbox the library scales onto, or where the compositor stretches
    // the stage's child to.
    Rect shownArea() const;
    // The child surface frames go on while the compositor scales (null
    // otherwise), and where it lies in the window, in surface units.
    wl_surface* stageSurface() const { return stage.surface(); }
    // The surface frames are committed to: the stage's child while the
    // compositor scales, the window's otherwise.
    wl_surface* frameTarget() const;
    Rect stageArea() const;

private:
    // Pixels to draw from, in the display's format.
    struct Picture {
        const Surface* owner = nullptr;
        const std::uint8_t* pixels = nullptr;
        std::int64_t pitch = 0;
        Rect area;
        // Set where the pixels are a buffer's own, converted straight into it.
        const ShmBuffer* buffer = nullptr;
    };

    void bufferReleased(ShmBuffer& buffer) override;
    // Puts the stage up or takes it down for the window's new size.
    void chooseScaling();
    bool pictureOf(Surface& source, const Rect& sourceArea, Picture& picture);
    bool convert(Surface& source, const Rect& sourceArea, Picture& picture);
    bool convertsStraight(const Surface& source, const Rect& sourceArea, const Rect& area) const;
    bool convertInto(ShmBuffer& buffer, Surface& source, const Rect& sourceArea, const Rect& area);
    // Copies the remembered frame out of a buffer about to be remade or
    // drawn over.
    void keepPresentedOutOf(const ShmBuffer& buffer);
    ShmBuffer* acquire(std::unique_lock<std::recursive_mutex>* held);
    ShmBuffer* freeBuffer();
    bool fits(const ShmBuffer& buffer) const;
    std::int32_t bufferWidth() const;
    std::int32_t bufferHeight() const;
    // Where the frame lies in a buffer.
    Rect letterbox() const;
    // True when the bars were drawn now, so that the whole buffer changed.
    bool drawBars(ShmBuffer& buffer, const Rect& frame);
    void carryOver(ShmBuffer& buffer);
    bool draw(ShmBuffer& buffer, const Picture& picture, const Rect& area);
    void commit(ShmBuffer& buffer, const Rect& damage);
    void remember(bool wholeFrame, const Picture& picture);

    WaylandConnection& connection;
    Console& console;
    std::recursive_mutex& presentLock;
    std::condition_variable_any bufferFreed;
    wl_surface* target = nullptr;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::int32_t scale = 1;
    std::int32_t unitsWide = 0;
    std::int32_t unitsHigh = 0;
    std::int32_t pixelsWide = 0;
    std::int32_t pixelsHigh = 0;
    bool lost = false;
    bool repaintPending = false;
    bool compositorScalingWanted = false;
    ViewportStage stage;

    ShmBuffer buffers[BUFFER_COUNT];
    ShmBuffer* lastCommitted = nullptr;
    FrameScaler scaler;
    Surface* staging = nullptr;
    PixelFormat shownFormat;
    // Kept between frames: most programs present one format throughout.
    std::unique_ptr<Converter> converter;
    PixelFormat convertedFormat;
    std::unique_ptr<std::uint8_t[]> keptFrame;
    std::int64_t keptBytes = 0;

    Picture presented;
};

}  // namespace vxr
