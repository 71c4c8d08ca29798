#include "vxr/console/web/web_console.h"

#include <emscripten.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

#include "vxr/console/web/web_page.h"
#include "vxr/format/converter.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

constexpr std::int64_t SHOWN_PIXEL_BYTES = 4;

// The converters leave alpha at 0 for sources without it; the canvas would
// show such pixels as transparent.
void makeOpaque(std::uint8_t* row, std::int64_t pixels)
{
    // Whole pixels at a time, which the compiler turns into vector ORs.
    constexpr std::uint32_t OPAQUE = 0xFF000000u;
    for (std::int64_t i = 0; i < pixels; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, row + i * SHOWN_PIXEL_BYTES, sizeof pixel);
        pixel |= OPAQUE;
        std::memcpy(row + i * SHOWN_PIXEL_BYTES, &pixel, sizeof pixel);
    }
}

// Frames shown since the page loaded, for a page or test that must know
// which frame the canvas holds.
std::uint32_t framesShown = 0;

bool liesWithin(const Rect& area, std::int32_t width, std::int32_t height)
{
    return area.left >= 0 && area.top >= 0 && area.right <= width && area.bottom <= height &&
           area.width() > 0 && area.height() > 0;
}

// A time of the browser's clock in milliseconds as nanoseconds; 0 for one
// no clock gives (not finite, before its start, past 2^62 ns).
std::int64_t nanosecondsOf(double milliseconds)
{
    constexpr double LATEST = 4.6e18;
    const double nanoseconds = std::floor(milliseconds * 1e6 + 0.5);
    if (!(nanoseconds >= 0.0 && nanoseconds < LATEST)) return 0;
    return static_cast<std::int64_t>(nanoseconds);
}

// A call that needs the canvas, made while none is open.
int notOpen(const char* call)
{
    setLastError("%s: no canvas is open", call);
    return 0;
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE std::uint32_t vxr_web_frames_shown() { return framesShown; }

WebConsole::WebConsole()
{
    displayFormat = PixelFormat(ABGR8888);
    // Whole multiples, as pages have always shown the canvas: every pixel
    // of the frame shows the same size.
    chosenScaling = SCALING_INTEGER;
    canvas.placeBy(chosenScaling);
}

WebConsole::~WebConsole() { closeDisplay(); }

int WebConsole::modes(std::vector<ConsoleMode>& list)
{
    const int screenWidth = EM_ASM_INT({ return screen.width; });
    const int screenHeight = EM_ASM_INT({ return screen.height; });
    return reportScreenMode(list, screenWidth, screenHeight);
}

bool WebConsole::openWindow(int width, int height, int output)
{
    const std::int64_t bytes = std::int64_t{width} * height * SHOWN_PIXEL_BYTES;
    framePixels.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    if (!framePixels) {
        setLastError("out of memory for the canvas's %d x %d pixels", width, height);
        return false;
    }
    // Black until the first frame, opaque like every frame after it.
    for (std::int64_t i = 0; i < bytes; ++i) framePixels[i] = (i % SHOWN_PIXEL_BYTES == 3) ? 0xFF : 0;
    input.windowOpened();
    presentedUnseen = false;
    canvas.followRoom(resizableWindows);
    if (!canvas.open(width, height, framePixels.get(), this)) return false;
    canvas.show(framePixels.get(), std::int64_t{width} * SHOWN_PIXEL_BYTES, Rect{0, 0, width, height});
    listener.listen(input);
    if (output == FULLSCREEN) WebCanvas::requestFullscreen(true);
    yieldedSinceFrame = true;
    return true;
}

void WebConsole::closeWindow()
{
    WebPage::whenFrameShows(nullptr, nullptr);
    listener.stop();
    if (canvas.isOpen()) {
        canvas.close();
        input.windowEnded();
    }
    delete primarySurface;
    primarySurface = nullptr;
    frameWidth = frameHeight = 0;
}

void WebConsole::canvasResized()
{
    listener.setPixelRatio(canvas.pixelRatio());
    input.showFrame(frameWidth, frameHeight, canvas.frameArea());
    input.resized(canvas.pixelWidth(), canvas.pixelHeight());
    if (presentedUnseen && canvas.isShown()) {
        canvas.show(framePixels.get(), std::int64_t{frameWidth} * SHOWN_PIXEL_BYTES,
                    Rect{0, 0, frameWidth, frameHeight});
        presentedUnseen = false;
    }
    WebPage::wake();
}

double WebConsole::scale() { return canvas.isOpen() ? canvas.pixelRatio() : 1.0; }

bool WebConsole::placeFrameFor(int scaling)
{
    if (scaling == SCALING_COMPOSITOR) {
        setLastError("setScaling: the browser scales every frame; SCALING_COMPOSITOR is for Wayland");
        return false;
    }
    canvas.placeBy(scaling);
    return true;
}

bool WebConsole::applyResizing()
{
    canvas.followRoom(resizableWindows);
    return true;
}

void* WebConsole::window()
{
    static char selector[] = "#canvas";
    return canvas.isOpen() ? selector : nullptr;
}

int WebConsole::setOutput(int output)
{
    if (output != FULLSCREEN && output != WINDOWED) {
        setLastError("output %d is neither WINDOWED nor FULLSCREEN", output);
        return 0;
    }
    if (!canvas.isOpen()) return notOpen("setOutput");
    WebCanvas::requestFullscreen(output == FULLSCREEN);
    openOutput = output;
    return 1;
}

// ---- the program's turns and the browser's --------------------------------

int WebConsole::waitRetrace()
{
    if (!canvas.isOpen()) return notOpen("waitRetrace");
    WebPage::waitForAnimationFrame();
    yieldedSinceFrame = true;
    return 1;
}

void WebConsole::yieldAfterFrame()
{
    if (!yieldedSinceFrame) WebPage::waitForAnimationFrame();
    yieldedSinceFrame = false;
}

int WebConsole::waitForKey()
{
    while (canvas.isOpen() && !input.hasKeys()) {
        WebPage::waitForWake(1000);
        yieldedSinceFrame = true;
    }
    return input.hasKeys() ? input.readKey() : 0;
}

int WebConsole::waitEvent(Event* out, int timeoutMilliseconds)
{
    if (!out || !canvas.isOpen()) return 0;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        if (input.poll(*out)) return 1;
        if (!canvas.isOpen()) return 0;
        int wait = 1000;
        if (timeoutMilliseconds >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0) return 0;
            wait = static_cast<int>(left.count() < wait ? left.count() : wait);
        }
        WebPage::waitForWake(wait);
        yieldedSinceFrame = true;
    }
}

bool WebConsole::showTitle(const char* text)
{
    WebPage::setTitle(text);
    return true;
}

// ---- stores and frames ------------------------------------------------------

int WebConsole::present(Surface* source, const Rect& sourceArea, const Rect& destinationArea)
{
    if (!canvas.isOpen()) return notOpen("present");
    if (!source || !liesWithin(destinationArea, frameWidth, frameHeight) ||
        !liesWithin(sourceArea, source->width(), source->height())) {
        setLastError("present: the frame's area lies outside the canvas or its surface");
        return 0;
    }
    const bool sameSize = sourceArea.width() == destinationArea.width() &&
                          sourceArea.height() == destinationArea.height();
    // A canvas out of sight shows nothing; the frame is kept for when it
    // is back.
    const bool seen = canvas.isShown();
    const bool shownAsIs = seen && sameSize &&
                           (showOnGpu(*source, sourceArea, destinationArea) ||
                            showOwnBytes(*source, sourceArea, destinationArea));
    if (!shownAsIs) {
        // The CPU changes part of the frame: it must first be what the
        // canvas shows.
        canvas.readShownIntoFramePixels();
        const std::int64_t pitch = std::int64_t{frameWidth} * SHOWN_PIXEL_BYTES;
        const bool converted =
            sameSize ? convertInto(*source, sourceArea, framePixels.get(), pitch, destinationArea)
                     : scaleInto(*source, sourceArea, destinationArea);
        if (!converted) {
            setLastError("present: a %d-bit frame could not be converted for the canvas",
                         source->format().bits);
            return 0;
        }
        canvas.show(framePixels.get(), pitch, destinationArea);
        presentedUnseen = presentedUnseen || !seen;
    }
    if (seen) {
        ++framesShown;
        WebPage::whenFrameShows(frameReachedScreen, this);
    }
    yieldAfterFrame();
    return 1;
}

void WebConsole::frameReachedScreen(void* console, double timeMilliseconds,
                                    double intervalMilliseconds)
{
    const std::int64_t time = nanosecondsOf(timeMilliseconds);
    // The browser counts no refreshes: each report counts one frame.
    if (time > 0)
        static_cast<WebConsole*>(console)->presentations.recordUncounted(
            time, nanosecondsOf(intervalMilliseconds));
}

bool WebConsole::showOnGpu(Surface& source, const Rect& sourceArea, const Rect& destinationArea)
{
    const std::uint8_t* from = source.lock(0);
    if (!from) return false;
    const PixelFormat format = source.format();
    const std::uint8_t* first = from + sourceArea.top * std::int64_t{source.pitch()} +
                                sourceArea.left * std::int64_t{format.bytes};
    const bool shownThere = canvas.showFrame(
        format, source.lookupFor(displayFormat), first, source.pitch(), destinationArea.left,
        destinationArea.top, static_cast<std::int32_t>(destinationArea.width()),
        static_cast<std::int32_t>(destinationArea.height()));
    source.unlock();
    return shownThere;
}

bool WebConsole::showOwnBytes(Surface& source, const Rect& sourceArea, const Rect& destinationArea)
{
    if (!CanvasPixelMap::isCanvasOrder(source.format()) || !canvas.showsFrameUnscaled()) return false;
    const std::uint8_t* from = source.lock(0);
    if (!from) return false;
    const std::int64_t pitch = source.pitch();
    bool opaque = true;
    for (std::int64_t row = sourceArea.top; row < sourceArea.bottom && opaque; ++row)
        opaque = CanvasPixelMap::allOpaque(from + row * pitch + sourceArea.left * SHOWN_PIXEL_BYTES,
                                           sourceArea.width());
    const bool shown = opaque && canvas.showOwnBytes(from, pitch, source.height(), sourceArea,
                                                     static_cast<std::int32_t>(destinationArea.left),
                                                     static_cast<std::int32_t>(destinationArea.top));
    source.unlock();
    return shown;
}

bool WebConsole::convertInto(Surface& source, const Rect& sourceArea, std::uint8_t* pixels,
                             std::int64_t pitch, const Rect& destinationArea)
{
    const PixelFormat format = source.format();
    const void* lookup = source.lookupFor(displayFormat);
    // Picking a 32-bit frame's channel bytes gives the converter's colours
    // with alpha opaque in one vector step, about twice as fast as the
    // converter and a second step. A table looks values up one at a time,
    // slower than the converters' vector routines: those keep the rest.
    const bool mapped = CanvasPixelMap::kindFor(format) == CanvasPixelMap::Kind::CHANNEL_BYTES &&
                        pixelMap.prepare(format, lookup);
    if (!mapped && (!converter || convertedFormat != format)) {
        converter.reset(selectConverter(format, displayFormat));
        convertedFormat = format;
    }
    if (!mapped && !converter) return false;
    const std::uint8_t* from = source.lock(0);
    if (!from) return false;
    const std::int64_t width = sourceArea.width();
    bool converted = true;
    // Row by row, so each row is made opaque while it is still in the cache.
    for (std::int64_t row = 0; row < sourceArea.height() && converted; ++row) {
        const std::uint8_t* line = from + (sourceArea.top + row) * std::int64_t{source.pitch()};
        std::uint8_t* target = pixels + (destinationArea.top + row) * pitch +
                               destinationArea.left * SHOWN_PIXEL_BYTES;
        if (mapped) {
            pixelMap.mapRow(line + sourceArea.left * std::int64_t{format.bytes}, target, width);
            continue;
        }
        const Rect one{sourceArea.left, 0, sourceArea.right, 1};
        converted = converter->convertRect(line, source.pitch(), one, target,
                                           static_cast<std::int32_t>(pitch), 0, 0, lookup);
        if (canvas.needsOpaqueBytes()) makeOpaque(target, width);
    }
    source.unlock();
    return converted;
}

bool WebConsole::scaleInto(Surface& source, const Rect& sourceArea, const Rect& destinationArea)
{
    const std::int32_t width = static_cast<std::int32_t>(sourceArea.width());
    const std::int32_t height = static_cast<std::int32_t>(sourceArea.height());
    const std::int64_t pitch = std::int64_t{width} * SHOWN_PIXEL_BYTES;
    const std::int64_t bytes = pitch * height;
    if (bytes > unscaledBytes) {
        unscaled.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
        unscaledBytes = unscaled ? bytes : 0;
        if (!unscaled) return false;
    }
    const Rect whole{0, 0, width, height};
    if (!convertInto(source, sourceArea, unscaled.get(), pitch, whole)) return false;
    const auto targetWidth = static_cast<std::int32_t>(destinationArea.width());
    const auto targetHeight = static_cast<std::int32_t>(destinationArea.height());
    if (!scaler.isPreparedFor(width, height, targetWidth, targetHeight, SHOWN_PIXEL_BYTES) &&
        !scaler.prepare(width, height, targetWidth, targetHeight, SHOWN_PIXEL_BYTES))
        return false;
    const std::int64_t shownPitch = std::int64_t{frameWidth} * SHOWN_PIXEL_BYTES;
    scaler.scale(unscaled.get(), pitch,
                 framePixels.get() + destinationArea.top * shownPitch +
                     destinationArea.left * SHOWN_PIXEL_BYTES,
                 shownPitch);
    return true;
}

}  // namespace vxr
