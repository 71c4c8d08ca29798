#include "vxr/console/wayland/wayland_presenter.h"

#include <wayland-client.h>

#include <cstring>
#include <new>

#include "viewporter-client-protocol.h"
#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/placement/output_scale.h"
#include "vxr/console/wayland/wayland_connection.h"
#include "vxr/console/wayland/wayland_proxy.h"
#include "vxr/format/converter.h"
#include "vxr/surface/surface.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

constexpr std::int32_t PIXEL_BYTES = 4;
// A compositor releases a buffer within a frame or two of the next commit;
// one that keeps them all this long is not drawing this window.
constexpr auto RELEASE_LIMIT = std::chrono::seconds(1);
// Opaque black in both wl_shm formats the console uses.
constexpr std::uint32_t BAR_PIXEL = 0xFF000000u;
// Surface units in a Wayland message are 32-bit.
constexpr std::int64_t LARGEST_SIDE = 32767;

bool isEmpty(const Rect& area) { return area.width() <= 0 || area.height() <= 0; }

bool liesWithin(const Rect& area, std::int64_t width, std::int64_t height)
{
    return area.left >= 0 && area.top >= 0 && area.right <= width && area.bottom <= height;
}

bool sameSize(const Rect& one, const Rect& other)
{
    return one.width() == other.width() && one.height() == other.height();
}

void fillArea(ShmBuffer& buffer, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom)
{
    for (std::int64_t y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(buffer.pixels() + y * buffer.stride());
        for (std::int64_t x = left; x < right; ++x) row[x] = BAR_PIXEL;
    }
}

}  // namespace

WaylandPresenter::WaylandPresenter(WaylandConnection& display, std::mutex& lock,
                                   PresentationRecord& shown)
    : connection(display), presentLock(lock), feedback(shown), shownFormat(ARGB8888)
{
}

WaylandPresenter::~WaylandPresenter() { detachSurface(); }

void WaylandPresenter::attachSurface(wl_surface* surface, std::int32_t width,
                                     std::int32_t height, std::int32_t bufferScale)
{
    target = surface;
    frameWidth = width;
    frameHeight = height;
    // A fractional scale told before the window's first configure sizes
    // its buffers itself.
    const bool whole = fraction120 == 0 && bufferScale > 1 && connection.compositorVersion() >= 3;
    scale = whole ? bufferScale : 1;
    // Whole buffer pixels for every output pixel keep a scaled frame sharp.
    if (scale > 1) wl_surface_set_buffer_scale(surface, scale);
    lost = false;
}

void WaylandPresenter::scaleBy120ths(std::int32_t scale120)
{
    if (scale120 <= 0 || scale120 == fraction120) return;
    fraction120 = scale120;
    // The viewport gives the size from now on: one buffer pixel a unit.
    if (target && scale > 1) wl_surface_set_buffer_scale(target, 1);
    scale = 1;
    if (unitsWide > 0 && unitsHigh > 0) resize(unitsWide, unitsHigh);
}

bool WaylandPresenter::scaleWhole(std::int32_t factor)
{
    // A compositor before wl_surface version 3 takes no buffer scale.
    if (!target || fraction120 > 0 || factor < 1 || factor == scale ||
        connection.compositorVersion() < 3)
        return false;
    scale = factor;
    // A staged window's own buffer stays at one pixel a unit under its
    // viewport; chooseScaling gives it the scale if the stage goes.
    if (!stage.isCreated()) wl_surface_set_buffer_scale(target, scale);
    if (unitsWide > 0 && unitsHigh > 0) resize(unitsWide, unitsHigh);
    return true;
}

std::int32_t WaylandPresenter::pixelsPerUnit120() const
{
    return fraction120 > 0 ? fraction120 : scale * 120;
}

std::int64_t WaylandPresenter::toPixels(std::int64_t units) const
{
    if (fraction120 == 0) return units * scale;
    // Rounded to the nearest pixel, as the compositor rounds the viewport.
    return (units * fraction120 + 60) / 120;
}

void WaylandPresenter::detachSurface()
{
    target = nullptr;
    presented = Picture{};
    lastCommitted = nullptr;
    repaintPending = false;
    destroyProxy(unitViewport, wp_viewport_destroy);
    fraction120 = 0;
    // No thread dispatches now: what was still awaited is not coming.
    feedback.forgetAll();
    for (ShmBuffer& buffer : buffers) buffer.release();
    stage.destroy();
}

void WaylandPresenter::resize(std::int32_t width, std::int32_t height)
{
    const std::int64_t wide = toPixels(width);
    const std::int64_t high = toPixels(height);
    if (width <= 0 || height <= 0 || wide > LARGEST_SIDE || high > LARGEST_SIDE) return;
    unitsWide = width;
    unitsHigh = height;
    pixelsWide = static_cast<std::int32_t>(wide);
    pixelsHigh = static_cast<std::int32_t>(high);
}

void WaylandPresenter::markLost()
{
    lost = true;
    bufferFreed.notify_all();
}

Rect WaylandPresenter::frameArea() const
{
    if (stage.isCreated()) return Rect{0, 0, frameWidth, frameHeight};
    return FramePlacement::place(placement, frameWidth, frameHeight, pixelsWide, pixelsHigh);
}

Rect WaylandPresenter::stageArea() const
{
    return FramePlacement::place(placement, frameWidth, frameHeight, unitsWide, unitsHigh);
}

Rect WaylandPresenter::shownArea() const
{
    if (!stage.isCreated()) return frameArea();
    const Rect units = stageArea();
    // Within the window, whose sides in pixels fit 32 bits.
    const auto pixels = [this](std::int32_t side) {
        return static_cast<std::int32_t>(toPixels(side));
    };
    return Rect{pixels(units.left), pixels(units.top), pixels(units.right), pixels(units.bottom)};
}

std::int32_t WaylandPresenter::bufferWidth() const
{
    return stage.isCreated() ? frameWidth : pixelsWide;
}

std::int32_t WaylandPresenter::bufferHeight() const
{
    return stage.isCreated() ? frameHeight : pixelsHigh;
}

wl_surface* WaylandPresenter::frameTarget() const
{
    return stage.isCreated() ? stage.surface() : target;
}

void WaylandPresenter::commitUnchanged()
{
    wl_surface* surface = frameTarget();
    if (!surface) return;
    feedback.askAgain(connection, surface);
    wl_surface_commit(surface);
}

int WaylandPresenter::present(std::unique_lock<std::mutex>& held, Surface& source,
                              const Rect& sourceArea, const Rect& destinationArea)
{
    if (!target || lost || isEmpty(sourceArea)) return 0;
    ShmBuffer* buffer = acquire(&held);
    // The window may have been resized while this waited.
    const Rect frame = frameArea();
    const Rect area = FrameScaler::mapArea(destinationArea, frameWidth, frameHeight, frame);
    if (!buffer || isEmpty(area)) return 0;
    const bool wholeFrame = destinationArea == Rect{0, 0, frameWidth, frameHeight};
    // The frame shown may be this buffer's: kept elsewhere before anything
    // draws over it, unless the new one goes straight in at its place.
    if (!sameSize(sourceArea, area)) keepPresentedOutOf(*buffer);
    if (!wholeFrame) carryOver(*buffer);
    const bool barsDrawn = drawBars(*buffer, frame);
    const Rect damage = barsDrawn ? Rect{0, 0, bufferWidth(), bufferHeight()} : area;
    if (!drawSource(*buffer, source, sourceArea, destinationArea, area)) return 0;
    commit(*buffer, damage);
    return 1;
}

bool WaylandPresenter::drawSource(ShmBuffer& buffer, Surface& source, const Rect& sourceArea,
                                  const Rect& destinationArea, const Rect& area)
{
    if (sameSize(sourceArea, area)) {
        if (!convertInto(buffer.pixels(), buffer.stride(), buffer.width(), buffer.height(), source,
                         sourceArea, static_cast<std::int32_t>(area.left),
                         static_cast<std::int32_t>(area.top)))
            return false;
        // The buffer now holds, at its own size, all that the window shows.
        presented = Picture{buffer.pixels(), buffer.stride(), frameArea(), &buffer};
        return true;
    }
    // A part of a frame changes the frame kept whole: that must be the frame
    // shown now, wherever it lies.
    const bool wholeFrame = destinationArea == Rect{0, 0, frameWidth, frameHeight};
    if (!wholeFrame && presented.buffer) keepPresentedOutOf(*presented.buffer);
    const bool keptShown = presented.pixels && presented.pixels == keptFrame.get();
    if (!keepSource(source, sourceArea, destinationArea)) return false;
    const Picture kept = keptPicture();
    // A part alone, over no frame shown, leaves nothing whole to redraw.
    presented = wholeFrame || keptShown ? kept : Picture{};
    Picture part = kept;
    part.area = destinationArea;
    return draw(buffer, part, area);
}

bool WaylandPresenter::keepSource(Surface& source, const Rect& sourceArea,
                                  const Rect& destinationArea)
{
    if (!makeKeptFrame() || !liesWithin(destinationArea, frameWidth, frameHeight)) return false;
    const std::int64_t keptPitch = std::int64_t{frameWidth} * PIXEL_BYTES;
    if (sameSize(sourceArea, destinationArea))
        return convertInto(keptFrame.get(), keptPitch, frameWidth, frameHeight, source, sourceArea,
                           static_cast<std::int32_t>(destinationArea.left),
                           static_cast<std::int32_t>(destinationArea.top));
    const std::int32_t width = static_cast<std::int32_t>(sourceArea.width());
    const std::int32_t height = static_cast<std::int32_t>(sourceArea.height());
    const std::int32_t toWidth = static_cast<std::int32_t>(destinationArea.width());
    const std::int32_t toHeight = static_cast<std::int32_t>(destinationArea.height());
    const std::int64_t scratchPitch = std::int64_t{width} * PIXEL_BYTES;
    if (!makeScratch(scratchPitch * height) ||
        !convertInto(scratch.get(), scratchPitch, width, height, source, sourceArea, 0, 0))
        return false;
    if (!stretcher.isPreparedFor(width, height, toWidth, toHeight, PIXEL_BYTES) &&
        !stretcher.prepare(width, height, toWidth, toHeight, PIXEL_BYTES))
        return false;
    stretcher.scale(scratch.get(), scratchPitch,
                    keptFrame.get() + destinationArea.top * keptPitch +
                        std::int64_t{destinationArea.left} * PIXEL_BYTES,
                    keptPitch);
    return true;
}

bool WaylandPresenter::convertInto(std::uint8_t* pixels, std::int64_t pitch, std::int32_t width,
                                   std::int32_t height, Surface& source, const Rect& sourceArea,
                                   std::int32_t x, std::int32_t y)
{
    if (!liesWithin(sourceArea, source.width(), source.height()) || x < 0 || y < 0 ||
        x + sourceArea.width() > width || y + sourceArea.height() > height)
        return false;
    if (!converter || convertedFormat != source.format()) {
        converter.reset(selectConverter(source.format(), shownFormat));
        convertedFormat = source.format();
    }
    // The store's own lock: the console ran the program's exit check before
    // it took presentLock, and the surface's lock would run it again here.
    SurfaceStore* store = source.store();
    const std::uint8_t* from = converter && store ? store->lock(0) : nullptr;
    if (!from) return false;
    const bool converted =
        converter->convertRect(from, source.pitch(), sourceArea, pixels,
                               static_cast<std::int32_t>(pitch), x, y,
                               source.lookupFor(shownFormat));
    store->unlock();
    return converted;
}

bool WaylandPresenter::makeKeptFrame()
{
    const std::int64_t bytes = std::int64_t{frameWidth} * frameHeight * PIXEL_BYTES;
    if (bytes <= 0) return false;
    if (bytes <= keptBytes) return true;
    // The old frame is gone with its memory.
    if (presented.pixels == keptFrame.get()) presented = Picture{};
    keptFrame.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    keptBytes = keptFrame ? bytes : 0;
    return keptFrame != nullptr;
}

bool WaylandPresenter::makeScratch(std::int64_t bytes)
{
    if (bytes <= 0) return false;
    if (bytes <= scratchBytes) return true;
    scratch.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    scratchBytes = scratch ? bytes : 0;
    return scratch != nullptr;
}

WaylandPresenter::Picture WaylandPresenter::keptPicture() const
{
    return Picture{keptFrame.get(), std::int64_t{frameWidth} * PIXEL_BYTES,
                   Rect{0, 0, frameWidth, frameHeight}, nullptr};
}

void WaylandPresenter::keepPresentedOutOf(const ShmBuffer& buffer)
{
    if (presented.buffer != &buffer) return;
    const Picture from = presented;
    presented = Picture{};
    // A buffer holds the frame at its own size, as the kept frame does.
    if (from.area.width() != frameWidth || from.area.height() != frameHeight || !makeKeptFrame())
        return;
    const std::int64_t rowBytes = std::int64_t{frameWidth} * PIXEL_BYTES;
    for (std::int64_t y = 0; y < frameHeight; ++y)
        std::memcpy(keptFrame.get() + y * rowBytes,
                    from.pixels + (from.area.top + y) * from.pitch +
                        std::int64_t{from.area.left} * PIXEL_BYTES,
                    static_cast<std::size_t>(rowBytes));
    presented = keptPicture();
}

bool WaylandPresenter::fits(const ShmBuffer& buffer) const
{
    return buffer.isValid() && buffer.width() == bufferWidth() && buffer.height() == bufferHeight();
}

ShmBuffer* WaylandPresenter::freeBuffer()
{
    ShmBuffer* chosen = nullptr;
    for (ShmBuffer& buffer : buffers) {
        if (buffer.isHeld()) continue;
        // One of the right size saves making a new one.
        if (fits(buffer)) return &buffer;
        if (!chosen) chosen = &buffer;
    }
    if (!chosen) return nullptr;
    if (lastCommitted == chosen) lastCommitted = nullptr;
    keepPresentedOutOf(*chosen);
    if (!chosen->create(connection.shm(), connection.frameFormat(), bufferWidth(), bufferHeight(),
                        *this))
        return nullptr;
    return chosen;
}

ShmBuffer* WaylandPresenter::acquire(std::unique_lock<std::mutex>* held)
{
    const auto deadline = std::chrono::steady_clock::now() + RELEASE_LIMIT;
    for (;;) {
        if (!target || lost || pixelsWide <= 0) return nullptr;
        if (ShmBuffer* buffer = freeBuffer()) return buffer;
        if (!held || bufferFreed.wait_until(*held, deadline) == std::cv_status::timeout)
            return nullptr;
    }
}

bool WaylandPresenter::drawBars(ShmBuffer& buffer, const Rect& frame)
{
    // The stage's window shows the bars; its buffers hold the frame alone.
    if (stage.isCreated()) return false;
    // A buffer that kept its size and its frame's place keeps its bars.
    if (buffer.bars.areDrawnFor(frame, pixelsWide, pixelsHigh)) return false;
    for (const Rect& band : buffer.bars.redraw(frame, pixelsWide, pixelsHigh))
        fillArea(buffer, band.left, band.top, band.right, band.bottom);
    return true;
}

void WaylandPresenter::carryOver(ShmBuffer& buffer)
{
    // Part of a frame lands on what the window shows now.
    if (!lastCommitted || lastCommitted == &buffer || !fits(*lastCommitted)) return;
    std::memcpy(buffer.pixels(), lastCommitted->pixels(),
                static_cast<std::size_t>(buffer.stride() * buffer.height()));
    buffer.bars = lastCommitted->bars;
}

bool WaylandPresenter::draw(ShmBuffer& buffer, const Picture& picture, const Rect& area)
{
    const std::int32_t width = static_cast<std::int32_t>(area.width());
    const std::int32_t height = static_cast<std::int32_t>(area.height());
    const std::int32_t fromWidth = static_cast<std::int32_t>(picture.area.width());
    const std::int32_t fromHeight = static_cast<std::int32_t>(picture.area.height());
    if (!scaler.isPreparedFor(fromWidth, fromHeight, width, height, PIXEL_BYTES) &&
        !scaler.prepare(fromWidth, fromHeight, width, height, PIXEL_BYTES))
        return false;
    scaler.scale(picture.pixels + picture.area.top * picture.pitch +
                     std::int64_t{picture.area.left} * PIXEL_BYTES,
                 picture.pitch,
                 buffer.pixels() + area.top * buffer.stride() + std::int64_t{area.left} * PIXEL_BYTES,
                 buffer.stride());
    return true;
}

void WaylandPresenter::commit(ShmBuffer& buffer, const Rect& damage)
{
    wl_surface* surface = frameTarget();
    // A fractionally scaled window's buffer is larger than the window; the
    // viewport says how large the window is, with the same commit.
    if (fraction120 > 0 && !stage.isCreated()) {
        if (!unitViewport) unitViewport = wp_viewporter_get_viewport(connection.viewporter(), target);
        if (unitViewport) wp_viewport_set_destination(unitViewport, unitsWide, unitsHigh);
    }
    wl_surface_attach(surface, buffer.handle(), 0, 0);
    if (connection.compositorVersion() >= 4)
        wl_surface_damage_buffer(surface, damage.left, damage.top,
                                 static_cast<std::int32_t>(damage.width()),
                                 static_cast<std::int32_t>(damage.height()));
    else
        wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
    buffer.markHeld();
    lastCommitted = &buffer;
    feedback.ask(connection, surface);
    wl_surface_commit(surface);
    wl_display_flush(connection.display());
}

void WaylandPresenter::chooseScaling()
{
    // A window of the frame's own size needs no scaling, and a child
    // surface would only add to the compositor's work.
    const bool scaled = pixelsWide != frameWidth || pixelsHigh != frameHeight;
    const bool staged =
        placement == SCALING_COMPOSITOR && scaled && ViewportStage::isOffered(connection);
    if (staged == stage.isCreated()) return;
    // A surface has one viewport: the stage brings its own for the window.
    if (staged) destroyProxy(unitViewport, wp_viewport_destroy);
    if (staged && !stage.create(connection, target)) return;
    if (!staged) stage.destroy();
    // The window's viewport sets its size, and its one-pixel buffer would
    // not divide by the scale.
    if (scale > 1) wl_surface_set_buffer_scale(target, staged ? 1 : scale);
}

void WaylandPresenter::repaint()
{
    if (target && !lost) {
        chooseScaling();
        if (stage.isCreated())
            stage.arrange(unitsWide, unitsHigh, stageArea());
    }
    ShmBuffer* buffer = target ? acquire(nullptr) : nullptr;
    repaintPending = target && !lost && !buffer;
    if (!buffer) return;
    const Rect frame = frameArea();
    // A frame converted into this very buffer is already where it belongs;
    // one elsewhere in it is copied out before the bars go over it.
    const bool inPlace = presented.buffer == buffer && presented.area == frame;
    if (!inPlace) keepPresentedOutOf(*buffer);
    buffer->bars.forget();
    drawBars(*buffer, frame);
    if (!inPlace && (!presented.pixels || !draw(*buffer, presented, frame)))
        fillArea(*buffer, frame.left, frame.top, frame.right, frame.bottom);
    commit(*buffer, Rect{0, 0, bufferWidth(), bufferHeight()});
}

void WaylandPresenter::bufferReleased(ShmBuffer& buffer)
{
    std::lock_guard<std::mutex> guard(presentLock);
    buffer.markReleased();
    bufferFreed.notify_all();
    if (repaintPending) repaint();
}

}  // namespace vxr
