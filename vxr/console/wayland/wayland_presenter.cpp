#include "vxr/console/wayland/wayland_presenter.h"

#include <wayland-client.h>

#include <cstring>
#include <new>

#include "vxr/console/console.h"
#include "vxr/console/wayland/wayland_connection.h"
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

WaylandPresenter::WaylandPresenter(WaylandConnection& display, Console& owner,
                                   std::recursive_mutex& lock)
    : connection(display), console(owner), presentLock(lock), shownFormat(ARGB8888)
{
}

WaylandPresenter::~WaylandPresenter() { detachSurface(); }

void WaylandPresenter::attachSurface(wl_surface* surface, std::int32_t width,
                                     std::int32_t height, std::int32_t bufferScale)
{
    target = surface;
    frameWidth = width;
    frameHeight = height;
    scale = bufferScale > 1 && connection.compositorVersion() >= 3 ? bufferScale : 1;
    // Whole buffer pixels for every output pixel keep a scaled frame sharp.
    if (scale > 1) wl_surface_set_buffer_scale(surface, scale);
    lost = false;
}

void WaylandPresenter::detachSurface()
{
    target = nullptr;
    presented = Picture{};
    lastCommitted = nullptr;
    repaintPending = false;
    for (ShmBuffer& buffer : buffers) buffer.release();
    stage.destroy();
    delete staging;
    staging = nullptr;
}

void WaylandPresenter::resize(std::int32_t width, std::int32_t height)
{
    const std::int64_t wide = std::int64_t{width} * scale;
    const std::int64_t high = std::int64_t{height} * scale;
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

Rect WaylandPresenter::letterbox() const
{
    if (stage.isCreated()) return Rect{0, 0, frameWidth, frameHeight};
    return FrameScaler::letterbox(frameWidth, frameHeight, pixelsWide, pixelsHigh);
}

Rect WaylandPresenter::stageArea() const
{
    return FrameScaler::letterbox(frameWidth, frameHeight, unitsWide, unitsHigh);
}

Rect WaylandPresenter::shownArea() const
{
    if (!stage.isCreated()) return letterbox();
    const Rect units = stageArea();
    return Rect{units.left * scale, units.top * scale, units.right * scale, units.bottom * scale};
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

int WaylandPresenter::present(std::unique_lock<std::recursive_mutex>& held, Surface& source,
                              const Rect& sourceArea, const Rect& destinationArea)
{
    if (!target || lost || isEmpty(sourceArea)) return 0;
    ShmBuffer* buffer = acquire(&held);
    // The window may have been resized while this waited.
    const Rect frame = letterbox();
    const Rect area = FrameScaler::mapArea(destinationArea, frameWidth, frameHeight, frame);
    if (!buffer || isEmpty(area)) return 0;
    const bool wholeFrame = destinationArea == Rect{0, 0, frameWidth, frameHeight};
    if (!wholeFrame) carryOver(*buffer);
    const bool barsDrawn = drawBars(*buffer, frame);
    const Rect damage = barsDrawn ? Rect{0, 0, bufferWidth(), bufferHeight()} : area;
    if (convertsStraight(source, sourceArea, area)) {
        if (!convertInto(*buffer, source, sourceArea, area)) return 0;
        commit(*buffer, damage);
        // The buffer now holds, converted, all that the window shows.
        presented = Picture{nullptr, buffer->pixels(), buffer->stride(), frame, buffer};
        return 1;
    }
    Picture picture;
    if (!pictureOf(source, sourceArea, picture) || !draw(*buffer, picture, area)) return 0;
    commit(*buffer, damage);
    remember(wholeFrame, picture);
    return 1;
}

bool WaylandPresenter::pictureOf(Surface& source, const Rect& sourceArea, Picture& picture)
{
    if (source.format() != shownFormat) return convert(source, sourceArea, picture);
    const std::uint8_t* pixels = source.lock(0);
    if (!pixels) return false;
    picture = Picture{&source, pixels, source.pitch(), sourceArea};
    // Memory stores keep their pixels in place while the surface lives.
    source.unlock();
    return true;
}

bool WaylandPresenter::convert(Surface& source, const Rect& sourceArea, Picture& picture)
{
    const std::int32_t width = static_cast<std::int32_t>(sourceArea.width());
    const std::int32_t height = static_cast<std::int32_t>(sourceArea.height());
    if (!staging || staging->width() != width || staging->height() != height) {
        forgetSurface(staging);
        delete staging;
        staging = new (std::nothrow)
            Surface(&console, width, height, shownFormat, MEMORY_SYSTEM, TOP_DOWN, -1, -1);
        if (staging && !staging->isValid()) {
            delete staging;
            staging = nullptr;
        }
        if (!staging) return false;
    }
    const Rect whole = staging->area();
    // The library's converters, through the staging surface's store.
    if (!source.copyArea(staging, &sourceArea, &whole, 0)) return false;
    const std::uint8_t* pixels = staging->lock(0);
    if (!pixels) return false;
    picture = Picture{staging, pixels, staging->pitch(), whole};
    staging->unlock();
    return true;
}

bool WaylandPresenter::convertsStraight(const Surface& source, const Rect& sourceArea,
                                        const Rect& area) const
{
    // A scaled area goes through a converted copy, which the scaler reads.
    return source.format() != shownFormat && sameSize(sourceArea, area);
}

bool WaylandPresenter::convertInto(ShmBuffer& buffer, Surface& source, const Rect& sourceArea,
                                   const Rect& area)
{
    if (!liesWithin(sourceArea, source.width(), source.height()) ||
        !liesWithin(area, buffer.width(), buffer.height()))
        return false;
    if (!converter || convertedFormat != source.format()) {
        converter.reset(selectConverter(source.format(), shownFormat));
        convertedFormat = source.format();
    }
    if (!converter) return false;
    const std::uint8_t* pixels = source.lock(0);
    if (!pixels) return false;
    const bool converted =
        converter->convertRect(pixels, source.pitch(), sourceArea, buffer.pixels(),
                               static_cast<std::int32_t>(buffer.stride()), area.left, area.top,
                               source.lookupFor(shownFormat));
    source.unlock();
    return converted;
}

void WaylandPresenter::keepPresentedOutOf(const ShmBuffer& buffer)
{
    if (presented.buffer != &buffer) return;
    const Rect& area = presented.area;
    const std::int64_t rowBytes = area.width() * PIXEL_BYTES;
    const std::int64_t bytes = rowBytes * area.height();
    if (bytes > keptBytes) {
        keptFrame.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
        keptBytes = keptFrame ? bytes : 0;
    }
    if (!keptFrame) {
        presented = Picture{};
        return;
    }
    for (std::int64_t y = 0; y < area.height(); ++y)
        std::memcpy(keptFrame.get() + y * rowBytes,
                    presented.pixels + (area.top + y) * presented.pitch +
                        std::int64_t{area.left} * PIXEL_BYTES,
                    static_cast<std::size_t>(rowBytes));
    presented = Picture{nullptr, keptFrame.get(), rowBytes,
                        Rect{0, 0, area.right - area.left, area.bottom - area.top}};
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

ShmBuffer* WaylandPresenter::acquire(std::unique_lock<std::recursive_mutex>* held)
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
    // A buffer that kept its size and letterbox keeps its bars.
    if (frame == buffer.barsFor && buffer.barsWidth == pixelsWide &&
        buffer.barsHeight == pixelsHigh)
        return false;
    buffer.barsFor = frame;
    buffer.barsWidth = pixelsWide;
    buffer.barsHeight = pixelsHigh;
    fillArea(buffer, 0, 0, pixelsWide, frame.top);
    fillArea(buffer, 0, frame.bottom, pixelsWide, pixelsHigh);
    fillArea(buffer, 0, frame.top, frame.left, frame.bottom);
    fillArea(buffer, frame.right, frame.top, pixelsWide, frame.bottom);
    return true;
}

void WaylandPresenter::carryOver(ShmBuffer& buffer)
{
    // Part of a frame lands on what the window shows now.
    if (!lastCommitted || lastCommitted == &buffer || !fits(*lastCommitted)) return;
    std::memcpy(buffer.pixels(), lastCommitted->pixels(),
                static_cast<std::size_t>(buffer.stride() * buffer.height()));
    buffer.barsFor = lastCommitted->barsFor;
    buffer.barsWidth = lastCommitted->barsWidth;
    buffer.barsHeight = lastCommitted->barsHeight;
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
    wl_surface_attach(surface, buffer.handle(), 0, 0);
    if (connection.compositorVersion() >= 4)
        wl_surface_damage_buffer(surface, damage.left, damage.top,
                                 static_cast<std::int32_t>(damage.width()),
                                 static_cast<std::int32_t>(damage.height()));
    else
        wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
    buffer.markHeld();
    lastCommitted = &buffer;
    wl_surface_commit(surface);
    wl_display_flush(connection.display());
}

void WaylandPresenter::remember(bool wholeFrame, const Picture& picture)
{
    if (wholeFrame)
        presented = picture;
    else if (presented.pixels == picture.pixels)
        // Part of a frame overwrote the converted copy being redrawn from.
        presented = Picture{};
}

void WaylandPresenter::chooseScaling()
{
    // A window of the frame's own size needs no scaling, and a child
    // surface would only add to the compositor's work.
    const bool scaled = pixelsWide != frameWidth || pixelsHigh != frameHeight;
    const bool staged = compositorScalingWanted && scaled && ViewportStage::isOffered(connection);
    if (staged == stage.isCreated()) return;
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
    const Rect frame = letterbox();
    buffer->barsWidth = -1;
    drawBars(*buffer, frame);
    // A frame converted into this very buffer is already where it belongs.
    const bool inPlace = presented.buffer == buffer && presented.area == frame;
    if (!inPlace) keepPresentedOutOf(*buffer);
    if (!inPlace && (!presented.pixels || !draw(*buffer, presented, frame)))
        fillArea(*buffer, frame.left, frame.top, frame.right, frame.bottom);
    commit(*buffer, Rect{0, 0, bufferWidth(), bufferHeight()});
}

void WaylandPresenter::forgetSurface(const Surface* surface)
{
    if (surface && presented.owner == surface) presented = Picture{};
}

void WaylandPresenter::bufferReleased(ShmBuffer& buffer)
{
    std::lock_guard<std::recursive_mutex> guard(presentLock);
    buffer.markReleased();
    bufferFreed.notify_all();
    if (repaintPending) repaint();
}

}  // namespace vxr
