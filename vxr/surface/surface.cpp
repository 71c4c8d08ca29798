#include "vxr/surface/surface.h"

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "vxr/console/console.h"
#include "vxr/console/console_front_end.h"
#include "vxr/console/core/null_console.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/borrowed_store.h"
#include "vxr/surface/copy_clipping.h"
#include "vxr/surface/image_reader.h"
#include "vxr/surface/null_store.h"
#include "vxr/surface/surface_store.h"

namespace vxr {
namespace {

// Stand-ins for "no palette", "no console" and "no store" exist before main,
// so that no surface ever needs a null test.
[[maybe_unused]] const bool sentinelsReady = [] {
    emptyPalette();
    NullStore::shared();
    NullConsole::forSurfaces();
    NullConsole::forFrontEnds();
    Console::defaultConsole();
    return true;
}();

bool requestMet(int requested, int reported) { return requested == -1 || requested == reported; }

bool memoryKindMet(int requested, int reported)
{
    if (requested == MEMORY_ANY) return reported == MEMORY_SYSTEM || reported == MEMORY_DISPLAY;
    return requestMet(requested, reported);
}

}  // namespace

Surface::Surface()
    : surfacePalette(&emptyPalette()),
      surfaceConsole(&NullConsole::forSurfaces()),
      surfaceStore(&NullStore::shared())
{
}

Surface::Surface(Console* console, int width, int height, const PixelFormat& format,
                 int memoryKind, int orientation, int linePadding, int variant)
    : Surface()
{
    create(console, width, height, &format, memoryKind, orientation, linePadding, variant);
}

Surface::Surface(ConsoleFrontEnd& frontEnd, int width, int height, const PixelFormat& format,
                 int memoryKind, int orientation, int linePadding, int variant)
    : Surface()
{
    create(frontEnd.isOpen() ? frontEnd.current() : nullptr, width, height, &format, memoryKind,
           orientation, linePadding, variant);
}

Surface::Surface(const char* fileName, int memoryKind, int orientation, int linePadding,
                 int variant)
    : Surface()
{
    load(fileName, memoryKind, orientation, linePadding, variant);
}

Surface::~Surface()
{
    releaseStorage();
    detachConsole();
}

bool Surface::acceptsReported(int width, int height, int memoryKind, int orientation,
                              int linePadding, int variant, const int (&reported)[6]) const
{
    return requestMet(width, reported[0]) && requestMet(height, reported[1]) &&
           memoryKindMet(memoryKind, reported[2]) && requestMet(orientation, reported[3]) &&
           requestMet(linePadding, reported[4]) && requestMet(variant, reported[5]);
}

int Surface::create(Console* console, int width, int height, const PixelFormat* format,
                    int memoryKind, int orientation, int linePadding, int variant)
{
    clearLastError();
    if (!console || width <= 0 || height <= 0 || !format || !format->isValid()) {
        setLastError("a surface needs a console, a valid format and a positive size (%d x %d)",
                     width, height);
        return 0;
    }
    if (linePadding < -1) return 0;

    int reported[6] = {width, height, memoryKind, orientation, linePadding, variant};
    SurfaceStore* store = console->createStore(&reported[0], &reported[1], format, &reported[2],
                                               &reported[3], &reported[4], &reported[5]);
    if (!store) {
        if (!*lastError())
            setLastError("the console could not store a %d x %d surface", width, height);
        return 0;
    }
    // The pitch is a signed 32-bit distance; a store that reports more than
    // that cannot be addressed through this surface.
    const std::int64_t stride = std::int64_t{reported[0]} * format->bytes + reported[4];
    if (!acceptsReported(width, height, memoryKind, orientation, linePadding, variant, reported) ||
        stride < 0 || stride > INT32_MAX) {
        delete store;
        return 0;
    }

    adopt(console, store, *format, reported, stride);
    return 1;
}

void Surface::adopt(Console* console, SurfaceStore* store, const PixelFormat& format,
                    const int (&reported)[6], std::int64_t stride)
{
    releaseStorage();
    if (console != surfaceConsole) {
        surfaceConsole->detach(this);
        console->attach(this);
    }
    surfaceWidth = reported[0];
    surfaceHeight = reported[1];
    surfaceFormat = format;
    surfaceMemoryKind = reported[2];
    surfaceOrientation = reported[3];
    surfaceLinePadding = reported[4];
    surfaceVariant = reported[5];
    surfaceConsole = console;
    surfaceStore = store;
    surfacePitch = static_cast<std::int32_t>(surfaceOrientation == TOP_DOWN ? stride : -stride);
    if (surfaceFormat.colour == GREY) installGreyRamp();
    installDefaultClip();
}

int Surface::createOver(Console* console, void* pixels, std::int64_t pitch, int width,
                        int height, const PixelFormat& format)
{
    clearLastError();
    if (!console || width <= 0 || height <= 0 || !format.isValid()) {
        setLastError("a surface needs a console, a valid format and a positive size (%d x %d)",
                     width, height);
        return 0;
    }
    if (!pixels) {
        setLastError("a surface over the program's memory needs its pixels, not null");
        return 0;
    }
    const std::int64_t lineBytes = std::int64_t{width} * format.bytes;
    // Every byte the surface spans must be reachable as a ptrdiff_t.
    const std::int64_t span = (std::int64_t{height} - 1) * pitch + lineBytes;
    if (pitch < lineBytes || pitch > INT32_MAX ||
        static_cast<std::uint64_t>(span) > static_cast<std::uint64_t>(PTRDIFF_MAX)) {
        setLastError("a pitch of %lld bytes cannot hold lines of %lld bytes in a 32-bit pitch",
                     static_cast<long long>(pitch), static_cast<long long>(lineBytes));
        return 0;
    }
    auto* store = new (std::nothrow) BorrowedStore(static_cast<std::uint8_t*>(pixels));
    if (!store) {
        setLastError("out of memory for a surface over the program's memory");
        return 0;
    }
    const int reported[6] = {width,    height, MEMORY_SYSTEM, TOP_DOWN,
                             static_cast<int>(pitch - lineBytes), VARIANT_DEFAULT};
    adopt(console, store, format, reported, pitch);
    return 1;
}

void Surface::installGreyRamp()
{
    Palette ramp;
    if (std::uint32_t* entries = ramp.lock()) {
        for (std::uint32_t i = 0; i < Palette::SIZE; ++i) entries[i] = i * 0x010101u;
        ramp.unlock();
    }
    setPalette(ramp);
}

void Surface::installDefaultClip() { setClip(ClipRecord(area(), area())); }

int Surface::load(const char* fileName, int memoryKind, int orientation, int linePadding,
                  int variant)
{
    clearLastError();
    if (linePadding != 0 && linePadding != -1) return loadFailed(fileName, "line padding must be 0");
    if (variant != VARIANT_DEFAULT && variant != -1)
        return loadFailed(fileName, "the variant must be the default");
    if (!fileName) return loadFailed(fileName, "no file name given");

    ImageReader reader(fileName, ImageReader::READ);
    if (!reader.isOpen()) return loadFailed(fileName, std::strerror(errno));
    std::int32_t imageWidth, imageHeight, hasPalette;
    PixelFormat imageFormat;
    if (!reader.readHeader(imageWidth, imageHeight, imageFormat, hasPalette))
        return loadFailed(fileName, "its header cannot be read");
    if (!imageFormat.isValid())
        return loadFailed(fileName, "its pixels are not 8, 16, 24 or 32 bits deep");
    if (imageWidth <= 0 || imageHeight <= 0)
        return loadFailed(fileName, "its header declares no pixels");
    // Refuse a file that cannot hold what its header declares before the
    // surface is made, so a tiny file cannot ask for gigabytes.
    if (!reader.holdsDeclaredData())
        return loadFailed(fileName, "it is shorter than its header declares");
    if (!create(&Console::defaultConsole(), imageWidth, imageHeight, &imageFormat, memoryKind,
                orientation, linePadding, variant))
        return loadFailed(fileName, "no surface of its size and format could be made");
    if (!readImage(reader, hasPalette != 0)) {
        releaseStorage();
        return loadFailed(fileName, "its pixels cannot be read");
    }
    return 1;
}

int Surface::loadFailed(const char* fileName, const char* why)
{
    // The loader's own, more precise reason wins over the step that failed.
    char detail[LAST_ERROR_CAPACITY];
    std::snprintf(detail, sizeof detail, "%s", *lastError() ? lastError() : why);
    setLastError("'%s' is not an image that can be loaded: %s", fileName ? fileName : "", detail);
    return 0;
}

bool Surface::readImage(ImageReader& reader, bool hasPalette)
{
    std::uint8_t* pixels = lock(1);
    if (!pixels) return false;
    bool read;
    if (hasPalette) {
        auto* colours = new (std::nothrow) Palette;
        std::uint32_t* entries = colours ? colours->lock() : nullptr;
        read = entries && reader.readPixels(pixels, surfaceOrientation, surfacePitch, entries);
        if (entries) colours->unlock();
        if (read) read = attachPalette(colours) != 0;
        if (!read) delete colours;
    } else {
        read = reader.readPixels(pixels, surfaceOrientation, surfacePitch, nullptr);
    }
    unlock();
    return read;
}

int Surface::isValid() const { return surfaceStore->isValid(); }

std::uint8_t* Surface::lock(int mode)
{
    // A program drawing in a loop reaches the library here: a window closed
    // meanwhile ends it now, on its own thread.
    surfaceConsole->endIfAsked();
    return surfaceStore->lock(mode);
}

void Surface::unlock() { surfaceStore->unlock(); }

int Surface::backing() const { return surfaceStore->backing(); }

const void* Surface::lookupFor(const PixelFormat& destinationFormat)
{
    if (surfaceFormat.model != INDEXED) return nullptr;
    return surfacePalette->lookup(destinationFormat, -1);
}

int Surface::copy(Surface* destination, int flags)
{
    if (!destination) return 0;
    const bool wholeRun = surfaceWidth == destination->surfaceWidth &&
                          surfaceHeight == destination->surfaceHeight &&
                          surfaceLinePadding == 0 && destination->surfaceLinePadding == 0 &&
                          surfaceOrientation == destination->surfaceOrientation;
    if (!wholeRun) {
        const Rect whole = area();
        return copyArea(destination, &whole, &whole, flags);
    }
    const void* lookup = lookupFor(destination->surfaceFormat);
    if (destination->surfaceStore->copy(this, destination, flags, lookup)) return 1;
    return surfaceStore->copy(this, destination, flags, lookup);
}

int Surface::copyArea(Surface* destination, const Rect* sourceArea, const Rect* destinationArea,
                      int flags)
{
    if (!destination || !sourceArea || !destinationArea) return 0;
    Rect source = *sourceArea;
    Rect target = *destinationArea;
    if (!clipCopyAreas(clipRecord, source, destination->clipRecord, target)) return 1;
    const void* lookup = lookupFor(destination->surfaceFormat);
    if (destination->surfaceStore->copyArea(this, &source, destination, &target, flags, lookup))
        return 1;
    return surfaceStore->copyArea(this, &source, destination, &target, flags, lookup);
}

int Surface::copyToConsole(Console* target)
{
    if (!target) return 0;
    target->endIfAsked();
    Surface* screen = target->primary();
    return screen ? copy(screen, 0) : 0;
}

int Surface::update() { return copyToConsole(surfaceConsole); }

int Surface::setPalette(const Palette& source)
{
    if (!source.isValid() || surfaceFormat.model != INDEXED) return 0;
    auto* own = new (std::nothrow) Palette;
    if (!own) return 0;
    own->copyFrom(source);
    if (attachPalette(own)) return 1;
    delete own;
    return 0;
}

int Surface::attachPalette(Palette* attached)
{
    if (!isValid() || surfaceFormat.model != INDEXED || !attached || !attached->isValid())
        return 0;
    if (attached == surfacePalette) return 1;
    releasePalette();
    surfacePalette = attached;
    attached->addRef();
    return 1;
}

Palette* Surface::palette()
{
    if (surfaceFormat.model != INDEXED || surfacePalette == &emptyPalette()) return nullptr;
    return surfacePalette;
}

void Surface::releasePalette()
{
    if (surfacePalette != &emptyPalette() && surfacePalette->release() == 0)
        delete surfacePalette;
    surfacePalette = &emptyPalette();
}

int Surface::setClip(const ClipRecord& record)
{
    auto* own = new (std::nothrow) ClipRecord(record);
    if (!own) return 0;
    if (attachClip(own)) return 1;
    delete own;
    return 0;
}

int Surface::attachClip(ClipRecord* record)
{
    if (!isValid() || !record) return 0;
    if (record != clipRecord) {
        releaseClip();
        clipRecord = record;
        record->addRef();
    }
    return 1;
}

void Surface::releaseClip()
{
    if (clipRecord && clipRecord->release() == 0) delete clipRecord;
    clipRecord = nullptr;
}

void Surface::releaseStorage()
{
    // A window thread may be repainting from this surface's store right now.
    surfaceConsole->surfaceLeaving(this);
    releaseClip();
    releasePalette();
    if (surfaceStore != &NullStore::shared()) delete surfaceStore;
    surfaceStore = &NullStore::shared();
    // An empty surface describes no pixels, so nothing can address them.
    surfaceWidth = surfaceHeight = 0;
    surfaceMemoryKind = surfaceVariant = surfaceOrientation = 0;
    surfaceLinePadding = surfacePitch = 0;
    surfaceFormat = PixelFormat();
}

void Surface::detachConsole()
{
    surfaceConsole->detach(this);
    surfaceConsole = &NullConsole::forSurfaces();
}

}  // namespace vxr

namespace vxr {
namespace {

// Moves an edge pair by a 64-bit offset; false when it leaves int32.
bool shift(std::int32_t& left, std::int32_t& top, std::int64_t dx, std::int64_t dy)
{
    const std::int64_t x = left + dx, y = top + dy;
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return false;
    left = static_cast<std::int32_t>(x);
    top = static_cast<std::int32_t>(y);
    return true;
}

// Moves the top-left corner of follower by as far as clipping moved the
// corner of its partner from before to after; false when the corner leaves
// int32 or passes the far edges.
bool followClip(Rect& follower, const Rect& before, const Rect& after)
{
    return shift(follower.left, follower.top, std::int64_t{after.left} - before.left,
                 std::int64_t{after.top} - before.top) &&
           follower.isNormalised();
}

}  // namespace

bool clipCopyAreas(const ClipRecord* sourceClip, Rect& sourceArea,
                   const ClipRecord* destinationClip, Rect& destinationArea)
{
    if (!sourceClip && !destinationClip) return true;
    if (!sourceClip) return destinationClip->clipDestination(destinationArea) != 0;
    if (!destinationClip) return sourceClip->clipSource(sourceArea) != 0;

    const Rect source = sourceArea.normalised();
    Rect target = destinationArea.normalised();
    Rect clippedSource = source;
    // Clip the source first so the destination moves with it, then the other
    // way round.
    if (!sourceClip->clipSource(clippedSource) || !followClip(target, source, clippedSource))
        return false;
    Rect clippedTarget = target;
    if (!destinationClip->clipDestination(clippedTarget) ||
        !followClip(clippedSource, target, clippedTarget))
        return false;

    const std::int64_t width = std::min(clippedSource.width(), clippedTarget.width());
    const std::int64_t height = std::min(clippedSource.height(), clippedTarget.height());
    sourceArea = Rect{clippedSource.left, clippedSource.top,
                      static_cast<std::int32_t>(clippedSource.left + width),
                      static_cast<std::int32_t>(clippedSource.top + height)};
    destinationArea = Rect{clippedTarget.left, clippedTarget.top,
                           static_cast<std::int32_t>(clippedTarget.left + width),
                           static_cast<std::int32_t>(clippedTarget.top + height)};
    return true;
}

}  // namespace vxr
