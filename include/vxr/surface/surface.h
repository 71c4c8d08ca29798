#pragma once

#include <cstdint>

#include "vxr/format/clip_record.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"

namespace vxr {

class Console;
class ConsoleFrontEnd;
class SurfaceStore;

/// An image of one pixel format whose pixels live in a store made by the
/// console it was created on. Copies are clipped here and carried out, with
/// any format conversion, by the stores.
class Surface {
public:
    Surface();
    Surface(Console* console, int width, int height, const PixelFormat& format, int memoryKind,
            int orientation, int linePadding, int variant);
    /// On the front end's current console; fails while none is open.
    Surface(ConsoleFrontEnd& frontEnd, int width, int height, const PixelFormat& format,
            int memoryKind, int orientation, int linePadding, int variant);
    Surface(const char* fileName, int memoryKind, int orientation, int linePadding, int variant);
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    /// Each creation code may be -1 to accept what the store chooses. A failed
    /// create leaves the surface as it was.
    int create(Console* console, int width, int height, const PixelFormat* format, int memoryKind,
               int orientation, int linePadding, int variant);
    int load(const char* fileName, int memoryKind, int orientation, int linePadding, int variant);
    int isValid() const;

    /// The first pixel of the top line; line y starts at it + y * pitch().
    std::uint8_t* lock(int mode);
    void unlock();

    int copy(Surface* destination, int flags);
    int copyArea(Surface* destination, const Rect* sourceArea, const Rect* destinationArea,
                 int flags);
    int copyToConsole(Console* target);
    int update();

    int setPalette(const Palette& source);
    int attachPalette(Palette* attached);
    Palette* palette();
    int setClip(const ClipRecord& record);
    int attachClip(ClipRecord* record);

    void releaseStorage();
    void detachConsole();

    int width() const { return surfaceWidth; }
    int height() const { return surfaceHeight; }
    int orientation() const { return surfaceOrientation; }
    int memoryKind() const { return surfaceMemoryKind; }
    int linePadding() const { return surfaceLinePadding; }
    int variant() const { return surfaceVariant; }
    int pitch() const { return surfacePitch; }
    std::int64_t pixelCount() const { return std::int64_t{surfaceWidth} * surfaceHeight; }
    PixelFormat format() const { return surfaceFormat; }
    Rect area() const { return Rect{0, 0, surfaceWidth, surfaceHeight}; }
    int backing() const;
    Console* console() const { return surfaceConsole; }
    ClipRecord* clip() const { return clipRecord; }
    SurfaceStore* store() const { return surfaceStore; }
    /// The table that turns this surface's indexed pixels into the format,
    /// for a converter; null for direct formats.
    const void* lookupFor(const PixelFormat& destinationFormat);

private:
    bool acceptsReported(int width, int height, int memoryKind, int orientation,
                         int linePadding, int variant, const int (&reported)[6]) const;
    void installGreyRamp();
    void installDefaultClip();
    bool readImage(class ImageReader& reader, bool hasPalette);
    /// Sets the reason a load failed, naming the file; returns 0.
    static int loadFailed(const char* fileName, const char* why);
    void releasePalette();
    void releaseClip();

    std::int32_t surfaceWidth = 0;
    std::int32_t surfaceHeight = 0;
    std::int32_t surfaceMemoryKind = 0;
    std::int32_t surfaceVariant = 0;
    std::int32_t surfaceOrientation = 0;
    std::int32_t surfaceLinePadding = 0;
    std::int32_t surfacePitch = 0;
    PixelFormat surfaceFormat;
    ClipRecord* clipRecord = nullptr;
    Palette* surfacePalette;
    Console* surfaceConsole;
    SurfaceStore* surfaceStore;
};

/// Clips a copy's two areas against the surfaces' clip records, in place, so
/// that both end up the same size; false when nothing is left to copy.
bool clipCopyAreas(const ClipRecord* sourceClip, Rect& sourceArea,
                   const ClipRecord* destinationClip, Rect& destinationArea);

}  // namespace vxr
