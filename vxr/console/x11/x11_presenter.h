#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "vxr/console/frame_scaler.h"
#include "vxr/console/x11/shared_image.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

class Surface;
class X11Console;
class X11Display;

// Puts frames on an X11 console's window: each frame's area scaled onto the
// window's letterbox by the library's own scaler, converted first where it
// is not in a format the display shows as it is, with black bars around it.
// It remembers the last frame that covered the window, to draw it again
// when the window is exposed.
//
// Not locked itself: the console calls everything here under its
// presentLock, which also serialises the reading of the display's events.
class X11Presenter {
public:
    X11Presenter(X11Display& display, X11Console& console);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // The graphics context (and on an 8-bit display the colormaps) exist.
    bool isReady() const { return context != XCB_NONE; }

    // A newly opened window showing frames of the given size.
    void attachWindow(xcb_window_t window, bool managed, std::int32_t frameWidth,
                      std::int32_t frameHeight);
    void detachWindow();
    void resize(std::int32_t clientWidth, std::int32_t clientHeight);
    // The frame being shown and where in the window: its letterbox.
    std::int32_t shownWidth() const { return frameWidth; }
    std::int32_t shownHeight() const { return frameHeight; }
    Rect shownArea() const { return letterbox(); }
    // What a new window starts with: the colormap that is current and the
    // pixel that shows black in it.
    xcb_colormap_t windowColormap() const { return currentColormap; }
    std::uint32_t barPixel() const { return blackIndex; }

    int present(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    // Draws the remembered frame again, or black without one.
    void repaint();
    // An image or surface that goes away is no longer drawn from.
    void forgetImage(const SharedImage& image);
    void forgetSurface(const Surface& surface);

    // The 8-bit display's palette, 256 colours laid out like ARGB8888.
    bool storePalette(const std::uint32_t* colours);
    bool readPalette(std::uint32_t* colours);
    bool hasPalette() const { return paletteStored; }

private:
    // Pixels to draw from: an area of an image in the display's layout.
    struct Picture {
        SharedImage* image = nullptr;
        Rect area;
    };

    bool makeColormaps();
    // On a DirectColor display: a colormap whose ramps show each channel's
    // values evenly from black to full, as TrueColor would.
    bool makeRamps();
    void useColormap(xcb_colormap_t colormap);
    bool chooseColours(Surface& source);
    PixelFormat shownFormatFor(const PixelFormat& source) const;
    bool convert(Surface& source, const Rect& sourceArea, Picture& picture);
    // For a visual whose layout is no table format, where no surface can
    // hold it: the converters write the frame straight into an image.
    bool convertToVisual(Surface& source, const Rect& sourceArea, Picture& picture);
    static SharedImage& imageOf(Surface& surface);
    Rect letterbox() const;
    bool draw(const Picture& picture, const Rect& target);
    bool drawScaled(const Picture& picture, const Rect& target);
    void fillBars(const Rect& frame, bool always);
    void fill(const xcb_rectangle_t* rectangles, std::uint32_t count);
    void remember(const Surface* surface, const Picture& picture);

    X11Display& display;
    X11Console& console;
    xcb_window_t window = XCB_NONE;
    bool windowManaged = false;
    xcb_gcontext_t context = XCB_NONE;
    std::uint32_t contextForeground = 0;
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;
    std::int32_t clientWidth = 0;
    std::int32_t clientHeight = 0;
    Rect barsDrawnFor;
    std::int32_t barsClientWidth = -1;
    std::int32_t barsClientHeight = -1;

    // Two images to scale into, so that a frame is scaled while the server
    // still reads the one before.
    SharedImage buffers[2];
    // The frame in the visual's own layout, where that is no table format,
    // and an indexed frame's colours on the way there.
    SharedImage visualImage;
    Surface* unpaletted = nullptr;
    int nextBuffer = 0;
    FrameScaler scaler;
    Surface* staging = nullptr;

    const Surface* presentedSurface = nullptr;
    Picture presented;

    // On an 8-bit display: indexed frames show through the palette, direct
    // ones through a fixed 3-3-2 map.
    xcb_colormap_t paletteColormap = XCB_NONE;
    xcb_colormap_t directColormap = XCB_NONE;
    xcb_colormap_t rampColormap = XCB_NONE;
    xcb_colormap_t currentColormap = XCB_NONE;
    std::uint32_t blackIndex = 0;
    std::uint32_t paletteColours[256] = {};
    bool paletteStored = false;
};

}  // namespace vxr
