#pragma once

#include <xcb/xcb.h>

#include <cstdint>

#include "vxr/console/console_mode.h"
#include "vxr/console/placement/frame_scaler.h"
#include "vxr/console/placement/letterbox_bars.h"
#include "vxr/console/x11/shared_image.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

class Surface;
class X11Console;
class X11Display;

// Puts frames on an X11 console's window: each frame's area scaled by the
// library's own scaler onto the area its placement gives it in the window
// (FramePlacement), converted first where it is not in a format the display
// shows as it is, with black bars around it.
//
// It keeps a copy of its own of the last frame presented, at the frame's
// size in the display's layout, and every repaint (an exposure, a resize)
// draws from that copy: the program's pixels are read only inside present,
// on the program's thread, never while the program may be writing them. A
// frame in the display's layout still goes to the server without a copy;
// the presenter copies it for itself while the server reads it.
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
    // How frames are placed (a SCALING_ code) from the next present or
    // repaint on, in this window and the next.
    void placeBy(std::int32_t scaling) { placement = scaling; }
    // The frame being shown and where in the window.
    std::int32_t shownWidth() const { return frameWidth; }
    std::int32_t shownHeight() const { return frameHeight; }
    Rect shownArea() const;
    // What a new window starts with: the colormap that is current and the
    // pixel that shows black in it.
    xcb_colormap_t windowColormap() const { return currentColormap; }
    std::uint32_t barPixel() const { return blackIndex; }

    int present(Surface& source, const Rect& sourceArea, const Rect& destinationArea);
    // Draws the kept frame again, or black before any frame was presented.
    void repaint();

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
    // The pixels present draws from: the program's own image where it is in
    // the display's layout, else the frame converted into the kept frame
    // (or, when it is stretched, into the staging image).
    bool pictureOf(Surface& source, const Rect& sourceArea, const Rect& destinationArea,
                   Picture& picture);
    // The image of a surface in this console's shared memory; null for any
    // other surface.
    SharedImage* programImage(Surface& source) const;
    // Converts an area of a frame into an image, its top left at (x, y).
    bool convertInto(SharedImage& image, std::int32_t x, std::int32_t y, Surface& source,
                     const Rect& sourceArea);
    // What convertInto reads: the frame itself, or for a visual whose layout
    // is no table format an indexed frame's colours looked up first.
    Surface* colourSource(Surface& source, Rect& area);
    bool keepReady();
    // Copies what was just drawn into the kept frame, at the frame's area.
    bool keep(const Picture& picture, const Rect& area);
    bool fitsFrame(const Rect& area) const;
    bool draw(const Picture& picture, const Rect& target);
    bool drawScaled(const Picture& picture, const Rect& target);
    void fillBars(const Rect& frame, bool always);
    void fill(const xcb_rectangle_t* rectangles, std::uint32_t count);

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
    std::int32_t placement = SCALING_SHARP;
    LetterboxBars bars;
    bool barsRecoloured = false;  // black is another colour entry now

    // The last frame presented, whole, as the window shows it at scale 1;
    // keptFrame says whether anything was presented into it yet.
    SharedImage kept;
    bool keptFrame = false;
    FrameScaler keepScaler;
    // Two images to scale into, so that a frame is scaled while the server
    // still reads the one before.
    SharedImage buffers[2];
    int nextBuffer = 0;
    FrameScaler scaler;
    // A frame converted for a present that stretches it to another size.
    SharedImage staging;
    // An indexed frame's colours, on the way to a visual whose layout is no
    // table format.
    Surface* unpaletted = nullptr;

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
