#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/wayland/presentation_feedback.h"
#include "vxr/console/wayland/shm_buffer.h"
#include "vxr/console/wayland/viewport_stage.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

struct wl_surface;
struct wp_viewport;

namespace vxr {

class Converter;
class PresentationRecord;
class Surface;
class WaylandConnection;

// Puts frames on a Wayland console's surface: each frame's area converted
// where it is not in the display's format, scaled by the library's own
// scaler onto the area its placement gives it in the window
// (FramePlacement), black bars around it, in one of
// a few shared-memory buffers. An area shown at its own size is converted
// (or copied) straight into the buffer. A buffer the compositor holds is
// never written: a frame waits, boundedly, for one to be released.
//
// Where asked and offered, the compositor scales instead: while the window
// is not the frame's size, buffers have the frame's size and go on a
// viewport stage.
//
// The window thread redraws the last frame on its own (a new size, a
// buffer released after a redraw was put off), so that frame lives in
// memory the presenter owns: the buffer it was put into at its own size,
// or else a copy of the whole frame kept at its own size, which the
// library's scaler reads. The program's pixels are read only in present,
// on the program's thread.
//
// Everything here runs under the console's presentLock, the mutex given at
// construction; the release listener takes it itself. No function here
// dispatches the compositor's events, so presentLock is never taken twice.
class WaylandPresenter : private ShmBuffer::Listener {
public:
    static constexpr int BUFFER_COUNT = 3;

    // What the compositor says of each committed frame goes into shown.
    WaylandPresenter(WaylandConnection& connection, std::mutex& presentLock,
                     PresentationRecord& shown);
    ~WaylandPresenter();
    WaylandPresenter(const WaylandPresenter&) = delete;
    WaylandPresenter& operator=(const WaylandPresenter&) = delete;

    // How frames are placed and who scales them (a SCALING_ code), from the
    // next present or repaint on: SCALING_COMPOSITOR leaves it to the
    // compositor where it offers viewports, every other code to the
    // library's scaler.
    void placeBy(std::int32_t scaling) { placement = scaling; }
    // Whether the frames shown now are scaled by the compositor.
    bool scalesInCompositor() const { return stage.isCreated(); }

    // Frames of the given size go to surface from now on; bufferScale
    // buffer pixels make one surface unit.
    void attachSurface(wl_surface* surface, std::int32_t frameWidth, std::int32_t frameHeight,
                       std::int32_t bufferScale);
    // The compositor's preferred scale in 120ths, which replaces the whole
    // buffer scale from now on (until the surface is detached): buffers
    // have the window's size in units times it, rounded, and a viewport
    // gives the window its size in units, so the compositor stretches
    // nothing. Given before the surface is attached, it applies there. The
    // caller resizes and repaints.
    void scaleBy120ths(std::int32_t scale120);
    // The output's new whole scale for the attached surface's buffers,
    // where no fractional scale replaces it: buffers have the window's
    // size in units times it from the next repaint on. False where
    // nothing changed; the caller repaints.
    bool scaleWhole(std::int32_t factor);
    bool isFractional() const { return fraction120 > 0; }
    void detachSurface();
    bool hasSurface() const { return target != nullptr; }
    // The window's size in surface units; the window shows the last frame
    // again at the new size.
    void resize(std::int32_t width, std::int32_t height);
    // The compositor is gone: nothing waits for it any more.
    void markLost();

    // held is the caller's hold of presentLock, let go while waiting for a
    // buffer.
    int present(std::unique_lock<std::mutex>& held, Surface& source, const Rect& sourceArea,
                const Rect& destinationArea);
    // Draws the remembered frame again, or black without one; put off until
    // a buffer is released when all are held.
    void repaint();

    // The window's size in surface units, 0 before the first configure.
    std::int32_t unitWidth() const { return unitsWide; }
    std::int32_t unitHeight() const { return unitsHigh; }
    std::int32_t clientWidth() const { return pixelsWide; }
    std::int32_t clientHeight() const { return pixelsHigh; }
    // Window buffer pixels to one surface unit, in 120ths (180: 1.5).
    std::int32_t pixelsPerUnit120() const;
    // Where the frame shows in the window, in window buffer pixels: the
    // area the library scales onto, or where the compositor stretches the
    // stage's child to.
    Rect shownArea() const;
    // The child surface frames go on while the compositor scales (null
    // otherwise), and where it lies in the window, in surface units.
    wl_surface* stageSurface() const { return stage.surface(); }
    // The surface frames are committed to: the stage's child while the
    // compositor scales, the window's otherwise.
    wl_surface* frameTarget() const;
    // Commits the frame target without a new picture, so that what was
    // asked of it (a frame callback) takes effect. A commit before the
    // last frame was shown supersedes that frame's own, which a compositor
    // may then report discarded (wlroots does), so the same picture's
    // feedback is asked for again with it.
    void commitUnchanged();
    Rect stageArea() const;

private:
    // Pixels to draw from, in the display's format: a buffer's own, or the
    // kept frame.
    struct Picture {
        const std::uint8_t* pixels = nullptr;
        std::int64_t pitch = 0;
        Rect area;
        // Set where the pixels are a buffer's own.
        const ShmBuffer* buffer = nullptr;
    };

    void bufferReleased(ShmBuffer& buffer) override;
    // Puts the stage up or takes it down for the window's new size.
    void chooseScaling();
    // The source's area onto the buffer's area, converted straight into it
    // at the same size, or through the kept frame and the scaler.
    bool drawSource(ShmBuffer& buffer, Surface& source, const Rect& sourceArea,
                    const Rect& destinationArea, const Rect& area);
    // The source's area into the kept frame at the destination area,
    // stretched there where the sizes differ.
    bool keepSource(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    bool convertInto(std::uint8_t* pixels, std::int64_t pitch, std::int32_t width,
                     std::int32_t height, Surface& source, const Rect& sourceArea,
                     std::int32_t x, std::int32_t y);
    // Room for the whole frame at its own size, and for one source area.
    bool makeKeptFrame();
    bool makeScratch(std::int64_t bytes);
    Picture keptPicture() const;
    // Copies the remembered frame out of a buffer about to be remade or
    // drawn over.
    void keepPresentedOutOf(const ShmBuffer& buffer);
    ShmBuffer* acquire(std::unique_lock<std::mutex>* held);
    ShmBuffer* freeBuffer();
    bool fits(const ShmBuffer& buffer) const;
    std::int32_t bufferWidth() const;
    std::int32_t bufferHeight() const;
    // Where the frame lies in a buffer.
    Rect frameArea() const;
    // True when the bars were drawn now, so that the whole buffer changed.
    bool drawBars(ShmBuffer& buffer, const Rect& frame);
    void carryOver(ShmBuffer& buffer);
    bool draw(ShmBuffer& buffer, const Picture& picture, const Rect& area);
    void commit(ShmBuffer& buffer, const Rect& damage);
    // A length in surface units in window buffer pixels, rounded.
    std::int64_t toPixels(std::int64_t units) const;

    WaylandConnection& connection;
    std::mutex& presentLock;
    std::condition_variable bufferFreed;
    wl_surface* target = nullptr;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::int32_t scale = 1;
    // The compositor's fractional scale in 120ths; 0 where whole buffer
    // scales are used.
    std::int32_t fraction120 = 0;
    // Gives a fractionally scaled window its size in units while the
    // library draws its buffers.
    wp_viewport* unitViewport = nullptr;
    std::int32_t unitsWide = 0;
    std::int32_t unitsHigh = 0;
    std::int32_t pixelsWide = 0;
    std::int32_t pixelsHigh = 0;
    bool lost = false;
    bool repaintPending = false;
    std::int32_t placement = SCALING_SHARP;
    ViewportStage stage;

    PresentationFeedback feedback;
    ShmBuffer buffers[BUFFER_COUNT];
    ShmBuffer* lastCommitted = nullptr;
    FrameScaler scaler;
    // For a source area of another size than its place in the frame.
    FrameScaler stretcher;
    PixelFormat shownFormat;
    // Kept between frames: most programs present one format throughout.
    std::unique_ptr<Converter> converter;
    PixelFormat convertedFormat;
    // The whole frame at its own size, in the display's format.
    std::unique_ptr<std::uint8_t[]> keptFrame;
    std::int64_t keptBytes = 0;
    // A source area converted before it is stretched into the kept frame.
    std::unique_ptr<std::uint8_t[]> scratch;
    std::int64_t scratchBytes = 0;

    Picture presented;
};

}  // namespace vxr
