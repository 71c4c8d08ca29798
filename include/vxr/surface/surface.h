#pragma once

/// @file
/// Surface, an image in one pixel format, and the clipping its copies use.

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
///
/// The creation codes: memoryKind MEMORY_SYSTEM, MEMORY_DISPLAY or
/// MEMORY_ANY; orientation TOP_DOWN or BOTTOM_UP; linePadding the bytes
/// after each line's pixels; variant VARIANT_DEFAULT. Each may be -1.
class Surface {
public:
    /// An empty surface: no pixels, no console, not valid.
    Surface();
    /// Made as create() makes it; check isValid().
    Surface(Console* console, int width, int height, const PixelFormat& format, int memoryKind,
            int orientation, int linePadding, int variant);
    /// On the front end's current console; fails while none is open.
    Surface(ConsoleFrontEnd& frontEnd, int width, int height, const PixelFormat& format,
            int memoryKind, int orientation, int linePadding, int variant);
    /// Loaded as load() loads it; check isValid().
    Surface(const char* fileName, int memoryKind, int orientation, int linePadding, int variant);
    /// Frees the pixels and leaves the console.
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    /// Makes width x height pixels of format in a store of console, replacing
    /// any the surface had. Each creation code may be -1 to accept what the
    /// store chooses. A grey format gets a grey-ramp palette, and the clip
    /// covers the whole surface. 1 on success; a failed create returns 0
    /// and leaves the surface as it was.
    int create(Console* console, int width, int height, const PixelFormat* format, int memoryKind,
               int orientation, int linePadding, int variant);
    /// Makes the surface stand for width x height pixels of format in memory
    /// the caller owns, top line first, line y at pixels + y * pitch, without
    /// copying them: copying the surface onto a console's primary() shows the
    /// caller's pixels with the one copy the console makes. The caller keeps
    /// the memory until the surface is released, made again or destroyed;
    /// no console keeps reading it after a copy returns. 1 on success; 0,
    /// with the reason in lastError() and the surface as it was, for null
    /// pixels, a pitch shorter than a line or beyond a 32-bit pitch, or an
    /// invalid console, size or format.
    int createOver(Console* console, void* pixels, std::int64_t pitch, int width, int height,
                   const PixelFormat& format);
    /// Reads an uncompressed TGA file (colour-mapped or true-colour) into the
    /// surface, in the file's own format, on Console::defaultConsole(); a
    /// colour-mapped image brings its palette. linePadding must be 0 or -1
    /// and variant VARIANT_DEFAULT or -1. 1 on success, 0 with the reason in
    /// lastError().
    int load(const char* fileName, int memoryKind, int orientation, int linePadding, int variant);
    /// 1 while the surface holds pixels; 0 when empty (never made, failed,
    /// released, or its console went away).
    int isValid() const;

    /// The first pixel of the top line; line y starts at it + y * pitch().
    /// Null when there are no pixels to lock; each lock is ended by one
    /// unlock(). No store here reads mode (1 asks to read and write).
    std::uint8_t* lock(int mode);
    /// Ends one lock().
    void unlock();

    /// Copies the whole surface onto destination, converting the format;
    /// shapes that differ go through copyArea(). Copying onto a console's
    /// primary() shows the pixels. flags must be 0. 1 on success.
    int copy(Surface* destination, int flags);
    /// Copies sourceArea of this surface to destinationArea of destination,
    /// converting the format. Both areas are clipped by the surfaces' clip
    /// records to one size first; nothing is stretched. flags must be 0.
    /// 1 on success, also when clipping leaves nothing to copy.
    int copyArea(Surface* destination, const Rect* sourceArea, const Rect* destinationArea,
                 int flags);
    /// Copies the whole surface onto target's primary() surface, showing it;
    /// 0 when target is null or has no primary (nothing open).
    int copyToConsole(Console* target);
    /// copyToConsole() on the surface's own console.
    int update();

    /// Gives an indexed surface a copy of source as its palette; 0 for a
    /// direct surface, a palette that is not valid, or no memory.
    int setPalette(const Palette& source);
    /// Makes attached the indexed surface's palette, shared by reference
    /// count: the last holder deletes it, so it must come from new. 0 for an
    /// empty or direct surface, or a null or invalid palette.
    int attachPalette(Palette* attached);
    /// The indexed surface's palette, held by the surface; null for a direct
    /// surface or one without a palette.
    Palette* palette();
    /// Gives the surface a copy of record: its source rectangle bounds
    /// copies from the surface, its destination rectangle copies into it.
    /// 0 for an empty surface or no memory.
    int setClip(const ClipRecord& record);
    /// Makes record the surface's clip, shared by reference count: the last
    /// holder deletes it, so it must come from new. 0 for an empty surface
    /// or a null record.
    int attachClip(ClipRecord* record);

    /// Frees the pixels, palette and clip; the surface stays on its console,
    /// empty and not valid.
    void releaseStorage();

    int width() const { return surfaceWidth; }    ///< in pixels; 0 when empty
    int height() const { return surfaceHeight; }  ///< in pixels; 0 when empty
    /// TOP_DOWN or BOTTOM_UP, as the store chose; 0 when empty.
    int orientation() const { return surfaceOrientation; }
    /// MEMORY_SYSTEM or MEMORY_DISPLAY, as the store chose; 0 when empty.
    int memoryKind() const { return surfaceMemoryKind; }
    /// The bytes after each line's pixels, as the store chose.
    int linePadding() const { return surfaceLinePadding; }
    /// VARIANT_DEFAULT; 0 when empty.
    int variant() const { return surfaceVariant; }
    /// Bytes from one line's start to the next line's (the line below);
    /// negative for bottom-up storage, 0 when empty.
    int pitch() const { return surfacePitch; }
    /// width() * height().
    std::int64_t pixelCount() const { return std::int64_t{surfaceWidth} * surfaceHeight; }
    /// The pixel format; an empty format when the surface is empty.
    PixelFormat format() const { return surfaceFormat; }
    /// The whole surface, from (0, 0).
    Rect area() const { return Rect{0, 0, surfaceWidth, surfaceHeight}; }
    /// What lies behind the pixels: BACKING_NONE, BACKING_DIB or BACKING_DIRECTX.
    int backing() const;
    /// The console the surface was made on; a stand-in, never null, when it
    /// has none.
    Console* console() const { return surfaceConsole; }
    /// The clip record; null when the surface is empty.
    ClipRecord* clip() const { return clipRecord; }
    /// The store holding the pixels; a shared empty store, never null, when
    /// the surface is empty.
    SurfaceStore* store() const { return surfaceStore; }
    /// The table that turns this surface's indexed pixels into the format,
    /// for a converter; null for direct formats.
    const void* lookupFor(const PixelFormat& destinationFormat);

private:
    // A console takes its surfaces off its list as it goes.
    friend class Console;

    // Takes the surface off its console's list, leaving its pixels.
    void detachConsole();
    bool acceptsReported(int width, int height, int memoryKind, int orientation,
                         int linePadding, int variant, const int (&reported)[6]) const;
    // Takes store as the surface's, of the shape reported (width, height,
    // memory kind, orientation, line padding, variant), on console.
    void adopt(Console* console, SurfaceStore* store, const PixelFormat& format,
               const int (&reported)[6], std::int64_t stride);
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

}  // namespace vxr
