#include "vxr/console/x11/x11_presenter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "vxr/console/placement/frame_placement.h"
#include "vxr/console/x11/shared_memory_store.h"
#include "vxr/console/x11/x11_console.h"
#include "vxr/console/x11/x11_display.h"
#include "vxr/format/converter.h"
#include "vxr/format/palette.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

constexpr int COLOURS = 256;

std::uint16_t wide(std::uint32_t intensity)
{
    return static_cast<std::uint16_t>(intensity * 257u);
}

xcb_coloritem_t colourItem(std::uint32_t pixel, std::uint32_t colour)
{
    return xcb_coloritem_t{pixel,
                           wide(colour >> 16 & 0xFF),
                           wide(colour >> 8 & 0xFF),
                           wide(colour & 0xFF),
                           XCB_COLOR_FLAG_RED | XCB_COLOR_FLAG_GREEN | XCB_COLOR_FLAG_BLUE,
                           0};
}

// The entry that shows darkest, for the bars of a window whose colours are a
// palette: 0 is not black there unless the palette says so.
std::uint32_t darkestEntry(const std::uint32_t* colours)
{
    std::uint32_t best = 0, bestLevel = UINT32_MAX;
    for (std::uint32_t i = 0; i < COLOURS; ++i) {
        const std::uint32_t level =
            (colours[i] >> 16 & 0xFF) + (colours[i] >> 8 & 0xFF) + (colours[i] & 0xFF);
        if (level < bestLevel) {
            best = i;
            bestLevel = level;
        }
    }
    return best;
}

bool isEmpty(const Rect& area)
{
    return area.width() <= 0 || area.height() <= 0;
}

}  // namespace

X11Presenter::X11Presenter(X11Display& target, X11Console& owner) : display(target), console(owner)
{
    if (!display.isUsable()) return;
    blackIndex = display.blackPixel();
    if (display.isPseudoColor() && !makeColormaps()) return;
    if (display.isDirectColor() && !makeRamps()) return;
    xcb_connection_t* link = display.connection();
    // Made on the root, it serves every window of the root's depth.
    context = xcb_generate_id(link);
    const std::uint32_t values[] = {blackIndex, 0};
    xcb_create_gc(link, context, display.root(), XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES,
                  values);
    contextForeground = blackIndex;
}

X11Presenter::~X11Presenter()
{
    detachWindow();
    xcb_connection_t* link = display.connection();
    if (!link) return;
    if (context != XCB_NONE) xcb_free_gc(link, context);
    if (paletteColormap != XCB_NONE) xcb_free_colormap(link, paletteColormap);
    if (directColormap != XCB_NONE) xcb_free_colormap(link, directColormap);
    if (rampColormap != XCB_NONE) xcb_free_colormap(link, rampColormap);
    xcb_flush(link);
}

bool X11Presenter::makeColormaps()
{
    xcb_connection_t* link = display.connection();
    paletteColormap = xcb_generate_id(link);
    directColormap = xcb_generate_id(link);
    xcb_create_colormap(link, XCB_COLORMAP_ALLOC_ALL, paletteColormap, display.root(),
                        display.visual());
    xcb_create_colormap(link, XCB_COLORMAP_ALLOC_ALL, directColormap, display.root(),
                        display.visual());
    // Each 3-3-2 pixel shows the colour the library's own RGB332 format
    // unpacks it to.
    const PixelFormat rgb332(RGB332);
    xcb_coloritem_t items[COLOURS];
    for (std::uint32_t pixel = 0; pixel < COLOURS; ++pixel) {
        const std::uint8_t value = static_cast<std::uint8_t>(pixel);
        std::uint8_t red, green, blue, alpha;
        rgb332.unpack(&value, &red, &green, &blue, &alpha, RGB);
        items[pixel] =
            colourItem(pixel, std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue);
    }
    xcb_store_colors(link, directColormap, COLOURS, items);
    // Until a palette is set, the palette's colours are all black.
    for (std::uint32_t pixel = 0; pixel < COLOURS; ++pixel) items[pixel] = colourItem(pixel, 0);
    xcb_store_colors(link, paletteColormap, COLOURS, items);
    currentColormap = directColormap;
    blackIndex = 0;
    return !xcb_connection_has_error(link);
}

bool X11Presenter::makeRamps()
{
    xcb_connection_t* link = display.connection();
    const xcb_visualtype_t* visual = display.visualType();
    if (!visual) return false;
    rampColormap = xcb_generate_id(link);
    xcb_create_colormap(link, XCB_COLORMAP_ALLOC_ALL, rampColormap, display.root(),
                        display.visual());
    // Entry i of each channel's ramp sits at i in that channel's bits of the
    // pixel; a narrower channel's ramp stops at its own top entry.
    const Channel red = PixelFormat::analyseMask(visual->red_mask);
    const Channel green = PixelFormat::analyseMask(visual->green_mask);
    const Channel blue = PixelFormat::analyseMask(visual->blue_mask);
    const std::uint32_t entries = std::uint32_t{1} << std::max({red.size, green.size, blue.size});
    auto level = [](std::uint32_t index, const Channel& channel) {
        const std::uint32_t top = (std::uint32_t{1} << channel.size) - 1u;
        return static_cast<std::uint16_t>(std::min(index, top) * 65535u / top);
    };
    auto place = [](std::uint32_t index, const Channel& channel) {
        const std::uint32_t top = (std::uint32_t{1} << channel.size) - 1u;
        return std::min(index, top) << channel.shift;
    };
    std::vector<xcb_coloritem_t> items(entries);
    for (std::uint32_t i = 0; i < entries; ++i)
        items[i] = xcb_coloritem_t{place(i, red) | place(i, green) | place(i, blue),
                                   level(i, red),
                                   level(i, green),
                                   level(i, blue),
                                   XCB_COLOR_FLAG_RED | XCB_COLOR_FLAG_GREEN | XCB_COLOR_FLAG_BLUE,
                                   0};
    xcb_store_colors(link, rampColormap, entries, items.data());
    currentColormap = rampColormap;
    return !xcb_connection_has_error(link);
}

void X11Presenter::attachWindow(xcb_window_t id, bool managed, std::int32_t width,
                                std::int32_t height)
{
    window = id;
    windowManaged = managed;
    frameWidth = width;
    frameHeight = height;
    bars.forget();
    // The window's size as the server has it, whatever a window manager did.
    xcb_connection_t* link = display.connection();
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(link, xcb_get_geometry(link, id), nullptr);
    if (geometry) resize(geometry->width, geometry->height);
    std::free(geometry);
    if (!managed && currentColormap != XCB_NONE) xcb_install_colormap(link, currentColormap);
}

void X11Presenter::detachWindow()
{
    window = XCB_NONE;
    kept.release();
    keptFrame = false;
    for (SharedImage& buffer : buffers) buffer.release();
    staging.release();
    delete unpaletted;
    unpaletted = nullptr;
}

void X11Presenter::resize(std::int32_t width, std::int32_t height)
{
    clientWidth = width;
    clientHeight = height;
}

Rect X11Presenter::shownArea() const
{
    return FramePlacement::place(placement, frameWidth, frameHeight, clientWidth, clientHeight);
}

int X11Presenter::present(Surface& source, const Rect& sourceArea, const Rect& destinationArea)
{
    if (window == XCB_NONE || !display.isUsable()) return 0;
    const Rect placed = shownArea();
    const Rect target = FrameScaler::mapArea(destinationArea, frameWidth, frameHeight, placed);
    if (isEmpty(target) || isEmpty(sourceArea) || !fitsFrame(destinationArea) ||
        !chooseColours(source) || !keepReady())
        return 0;
    Picture picture;
    if (!pictureOf(source, sourceArea, destinationArea, picture)) return 0;
    fillBars(placed, false);
    bool shown = draw(picture, target);
    xcb_flush(display.connection());
    // The server reads the program's frame now; meanwhile this thread
    // copies it for the repaints to come.
    if (shown && picture.image != &kept) shown = keep(picture, destinationArea);
    keptFrame = keptFrame || shown;
    return shown ? 1 : 0;
}

bool X11Presenter::pictureOf(Surface& source, const Rect& sourceArea, const Rect& destinationArea,
                             Picture& picture)
{
    if (SharedImage* own = programImage(source)) {
        picture = Picture{own, sourceArea};
        return true;
    }
    if (sourceArea.width() == destinationArea.width() &&
        sourceArea.height() == destinationArea.height()) {
        picture = Picture{&kept, destinationArea};
        return convertInto(kept, destinationArea.left, destinationArea.top, source, sourceArea);
    }
    const std::int32_t width = static_cast<std::int32_t>(sourceArea.width());
    const std::int32_t height = static_cast<std::int32_t>(sourceArea.height());
    if ((staging.width() != width || staging.height() != height) &&
        !staging.create(display, width, height, true, false))
        return false;
    picture = Picture{&staging, Rect{0, 0, width, height}};
    return convertInto(staging, 0, 0, source, sourceArea);
}

SharedImage* X11Presenter::programImage(Surface& source) const
{
    auto* own = dynamic_cast<SharedMemoryStore*>(source.store());
    return own && own->owner() == &console ? &own->image() : nullptr;
}

bool X11Presenter::keepReady()
{
    if (kept.width() == frameWidth && kept.height() == frameHeight) return true;
    keptFrame = false;
    return kept.create(display, frameWidth, frameHeight, true, false);
}

bool X11Presenter::fitsFrame(const Rect& area) const
{
    return area.left >= 0 && area.top >= 0 && area.right <= frameWidth &&
           area.bottom <= frameHeight;
}

bool X11Presenter::keep(const Picture& picture, const Rect& area)
{
    // A repaint may still have the server reading the kept frame.
    if (!kept.waitIdle()) return false;
    const std::int64_t bytes = display.format().bytes;
    const SharedImage& from = *picture.image;
    const std::uint8_t* source =
        from.pixels() + picture.area.top * from.stride() + picture.area.left * bytes;
    std::uint8_t* target = kept.pixels() + area.top * kept.stride() + area.left * bytes;
    const std::int32_t width = static_cast<std::int32_t>(area.width());
    const std::int32_t height = static_cast<std::int32_t>(area.height());
    if (picture.area.width() != width || picture.area.height() != height) {
        if (!keepScaler.prepare(static_cast<std::int32_t>(picture.area.width()),
                                static_cast<std::int32_t>(picture.area.height()), width, height,
                                static_cast<std::int32_t>(bytes)))
            return false;
        keepScaler.scale(source, from.stride(), target, kept.stride());
        return true;
    }
    // Line by line: a line stays in the cache from the read to the write.
    const std::size_t lineBytes = static_cast<std::size_t>(width * bytes);
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(target + y * kept.stride(), source + y * from.stride(), lineBytes);
    return true;
}

void X11Presenter::repaint()
{
    if (window == XCB_NONE || !display.isUsable()) return;
    const Rect frame = shownArea();
    fillBars(frame, true);
    if (!keptFrame || !draw(Picture{&kept, Rect{0, 0, frameWidth, frameHeight}}, frame)) {
        const xcb_rectangle_t whole{0, 0, static_cast<std::uint16_t>(clientWidth),
                                    static_cast<std::uint16_t>(clientHeight)};
        fill(&whole, 1);
    }
    xcb_flush(display.connection());
}

PixelFormat X11Presenter::shownFormatFor(const PixelFormat& source) const
{
    // An 8-bit display shows direct colours through its fixed 3-3-2 map.
    if (display.isPseudoColor() && source.model != INDEXED) return PixelFormat(RGB332);
    return display.format();
}

bool X11Presenter::chooseColours(Surface& source)
{
    const bool indexed = source.format().model == INDEXED;
    Palette* own = source.palette();
    if (!display.isPseudoColor()) return !indexed || own;
    if (!indexed) {
        useColormap(directColormap);
        return true;
    }
    // An indexed frame shows its own colours: they become the display's.
    if (own) {
        const std::uint32_t* colours = own->lock();
        const bool changed = colours && (!paletteStored || std::memcmp(colours, paletteColours,
                                                                       sizeof paletteColours));
        if (changed) storePalette(colours);
        if (colours) own->unlock();
    }
    if (!paletteStored) return false;
    useColormap(paletteColormap);
    return true;
}

void X11Presenter::useColormap(xcb_colormap_t colormap)
{
    blackIndex = colormap == paletteColormap ? darkestEntry(paletteColours) : 0;
    if (colormap == currentColormap || window == XCB_NONE) {
        currentColormap = colormap;
        return;
    }
    currentColormap = colormap;
    xcb_connection_t* link = display.connection();
    const std::uint32_t values[] = {blackIndex, colormap};
    xcb_change_window_attributes(link, window, XCB_CW_BACK_PIXEL | XCB_CW_COLORMAP, values);
    // Without a window manager nobody else installs a window's colormap.
    if (!windowManaged) xcb_install_colormap(link, colormap);
    barsRecoloured = true;
}

bool X11Presenter::storePalette(const std::uint32_t* colours)
{
    if (!display.isPseudoColor() || !colours) return false;
    xcb_coloritem_t items[COLOURS];
    for (std::uint32_t i = 0; i < COLOURS; ++i) items[i] = colourItem(i, colours[i]);
    xcb_connection_t* link = display.connection();
    xcb_store_colors(link, paletteColormap, COLOURS, items);
    xcb_flush(link);
    std::memcpy(paletteColours, colours, sizeof paletteColours);
    paletteStored = true;
    if (currentColormap == paletteColormap) {
        const std::uint32_t darkest = darkestEntry(paletteColours);
        if (darkest != blackIndex) barsRecoloured = true;
        blackIndex = darkest;
    }
    return !xcb_connection_has_error(link);
}

bool X11Presenter::readPalette(std::uint32_t* colours)
{
    if (!display.isPseudoColor() || !colours || !display.isUsable()) return false;
    std::uint32_t pixels[COLOURS];
    for (std::uint32_t i = 0; i < COLOURS; ++i) pixels[i] = i;
    xcb_connection_t* link = display.connection();
    xcb_query_colors_reply_t* reply = xcb_query_colors_reply(
        link, xcb_query_colors(link, paletteColormap, COLOURS, pixels), nullptr);
    const bool complete = reply && xcb_query_colors_colors_length(reply) == COLOURS;
    if (complete) {
        const xcb_rgb_t* read = xcb_query_colors_colors(reply);
        // The server keeps 8 bits a channel and widens them by repeating.
        for (int i = 0; i < COLOURS; ++i)
            colours[i] = (std::uint32_t{read[i].red} >> 8) << 16 |
                         (std::uint32_t{read[i].green} >> 8) << 8 |
                         std::uint32_t{read[i].blue} >> 8;
    }
    std::free(reply);
    return complete;
}

bool X11Presenter::convertInto(SharedImage& image, std::int32_t x, std::int32_t y,
                               Surface& source, const Rect& sourceArea)
{
    Rect area = sourceArea;
    Surface* from = colourSource(source, area);
    if (!from) return false;
    // A visual whose layout is no table format gets it from the converters
    // all the same: they write any channel masks.
    PixelFormat to = shownFormatFor(source.format());
    if (!to.isValid()) to = display.format();
    const std::unique_ptr<Converter> converter(selectConverter(from->format(), to));
    // The server may still read the image from the last put.
    if (!converter || !image.waitIdle()) return false;
    const std::uint8_t* pixels = from->lock(0);
    if (!pixels) return false;
    const bool converted =
        converter->convertRect(pixels, from->pitch(), area, image.pixels(),
                               static_cast<std::int32_t>(image.stride()), x, y,
                               from->lookupFor(to));
    from->unlock();
    return converted;
}

Surface* X11Presenter::colourSource(Surface& source, Rect& area)
{
    if (shownFormatFor(source.format()).isValid() || source.format().model != INDEXED)
        return &source;
    // The surface copy looks the colours up in the frame's palette; at 8
    // bits a channel they lose nothing on the way.
    const std::int32_t width = static_cast<std::int32_t>(area.width());
    const std::int32_t height = static_cast<std::int32_t>(area.height());
    if (!unpaletted || unpaletted->width() != width || unpaletted->height() != height) {
        delete unpaletted;
        unpaletted = new (std::nothrow) Surface(&Console::defaultConsole(), width, height,
                                                PixelFormat(ARGB8888), MEMORY_SYSTEM, TOP_DOWN,
                                                -1, -1);
        if (!unpaletted || !unpaletted->isValid()) return nullptr;
    }
    const Rect sourceArea = area;
    area = unpaletted->area();
    return source.copyArea(unpaletted, &sourceArea, &area, 0) ? unpaletted : nullptr;
}

bool X11Presenter::draw(const Picture& picture, const Rect& target)
{
    if (target.width() == picture.area.width() && target.height() == picture.area.height())
        return picture.image->put(window, context, picture.area, target.left, target.top);
    return drawScaled(picture, target);
}

bool X11Presenter::drawScaled(const Picture& picture, const Rect& target)
{
    const std::int32_t width = static_cast<std::int32_t>(target.width());
    const std::int32_t height = static_cast<std::int32_t>(target.height());
    SharedImage& buffer = buffers[nextBuffer];
    nextBuffer ^= 1;
    const bool fits = buffer.isShared() ? buffer.width() >= width && buffer.height() >= height
                                        : buffer.width() == width && buffer.height() == height;
    if (!fits && !buffer.create(display, width, height, true, false)) return false;
    if (!buffer.waitIdle()) return false;
    const std::int32_t bytes = display.format().bytes;
    if (!scaler.prepare(static_cast<std::int32_t>(picture.area.width()),
                        static_cast<std::int32_t>(picture.area.height()), width, height, bytes))
        return false;
    const SharedImage& from = *picture.image;
    scaler.scale(
        from.pixels() + picture.area.top * from.stride() + std::int64_t{picture.area.left} * bytes,
        from.stride(), buffer.pixels(), buffer.stride());
    return buffer.put(window, context, Rect{0, 0, width, height}, target.left, target.top);
}

void X11Presenter::fillBars(const Rect& frame, bool always)
{
    if (!always && !barsRecoloured && bars.areDrawnFor(frame, clientWidth, clientHeight))
        return;
    barsRecoloured = false;
    // The window thread may learn of a new size after frames went out at
    // the old one, so the bars reach over all the old window too.
    const LetterboxBars::Bands bands = bars.redrawOverOldSize(frame, clientWidth, clientHeight);
    xcb_rectangle_t rectangles[4];
    std::uint32_t count = 0;
    for (const Rect& band : bands)
        rectangles[count++] = xcb_rectangle_t{
            static_cast<std::int16_t>(band.left), static_cast<std::int16_t>(band.top),
            static_cast<std::uint16_t>(band.width()), static_cast<std::uint16_t>(band.height())};
    fill(rectangles, count);
}

void X11Presenter::fill(const xcb_rectangle_t* rectangles, std::uint32_t count)
{
    xcb_connection_t* link = display.connection();
    if (contextForeground != blackIndex) {
        xcb_change_gc(link, context, XCB_GC_FOREGROUND, &blackIndex);
        contextForeground = blackIndex;
    }
    xcb_poly_fill_rectangle(link, window, context, count, rectangles);
}

}  // namespace vxr
