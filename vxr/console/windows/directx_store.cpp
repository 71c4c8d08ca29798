#include "vxr/console/windows/directx_store.h"

#include <cstring>

#include "vxr/console/windows/direct_draw_error.h"
#include "vxr/console/windows/directx_console.h"
#include "vxr/set_last_error.h"
#include "vxr/surface/store_parameters.h"
#include "vxr/surface/surface.h"

namespace vxr {
namespace {

// The second surface interface, spelt out so that the library needs no GUID
// library.
constexpr GUID DIRECT_DRAW_SURFACE2_INTERFACE = {
    0x57805885, 0x6EEC, 0x11CF, {0x94, 0x41, 0xA8, 0x23, 0x03, 0xC1, 0x0E, 0x27}};

// Only direct RGB formats and INDEX8 have a DirectDraw description; any
// other format leaves it zero.
DDPIXELFORMAT formatToDirectDraw(const PixelFormat& format)
{
    DDPIXELFORMAT description{};
    if (format.model == DIRECT) {
        description.dwSize = sizeof description;
        description.dwFlags = DDPF_RGB;
        description.dwRGBBitCount = static_cast<DWORD>(format.bits);
        description.dwRBitMask = format.red.mask;
        description.dwGBitMask = format.green.mask;
        description.dwBBitMask = format.blue.mask;
    } else if (format.id == INDEX8) {
        description.dwSize = sizeof description;
        description.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        description.dwRGBBitCount = 8;
    }
    return description;
}

}  // namespace

DirectXStore::DirectXStore(DirectXConsole& owner, std::int32_t& width, std::int32_t& height,
                           const PixelFormat& format, std::int32_t& memoryKind,
                           std::int32_t& orientation, std::int32_t& linePadding,
                           std::int32_t& variant)
    : console(&owner)
{
    std::int32_t kind = memoryKind;
    std::int32_t chosenOrientation = orientation;
    if (!accepts(width, height, format, kind, chosenOrientation, linePadding, variant)) return;

    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    // The primary surface has the display's size and format whatever is
    // asked: they are written but not flagged.
    description.dwWidth = static_cast<DWORD>(width);
    description.dwHeight = static_cast<DWORD>(height);
    description.ddpfPixelFormat = formatToDirectDraw(format);
    if (kind == MEMORY_SYSTEM) {
        description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        description.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    } else {
        description.dwFlags = DDSD_CAPS;
        description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        isPrimary = 1;
    }
    const HRESULT created = console->createSurface(&description, surface.receive());
    if (created != DD_OK) {
        // Ordinary surfaces fall back on plain memory; the reason stays for
        // the screen, which has no such way out.
        setDirectDrawError(isPrimary ? "could not make the primary surface"
                                     : "could not make a system-memory surface",
                           created);
        surface.reset();
        return;
    }

    std::int32_t padding = 0;
    if (!measurePadding(width, height, format, padding)) {
        setLastError("the DirectDraw surface is smaller or of another depth than %d x %d at %d "
                     "bits",
                     width, height, format.bits);
        surface.reset();
        return;
    }
    void* second = nullptr;
    if (surface->QueryInterface(DIRECT_DRAW_SURFACE2_INTERFACE, &second) == S_OK)
        surface2.reset(static_cast<IDirectDrawSurface2*>(second));

    const std::int64_t lineBytes = std::int64_t{width} * format.bytes;
    clearPixels(lineBytes, height, lineBytes + padding);
    memoryKind = kind;
    orientation = TOP_DOWN;
    linePadding = padding;
    variant = VARIANT_DEFAULT;
}

// The second interface goes before the first, as it was taken after it.
DirectXStore::~DirectXStore() = default;

bool DirectXStore::accepts(std::int32_t width, std::int32_t height, const PixelFormat& format,
                           std::int32_t& memoryKind, std::int32_t& orientation,
                           std::int32_t linePadding, std::int32_t variant) const
{
    const std::int32_t kindGiven = memoryKind == MEMORY_DISPLAY ? MEMORY_DISPLAY : MEMORY_SYSTEM;
    if (!StoreParameters::accepts(width, height, format, memoryKind, orientation, linePadding,
                                  variant, kindGiven))
        return false;
    if (format.model == DIRECT && format.colour != RGB) return false;
    // DirectDraw chooses its own pitch: a caller that needs a given padding
    // gets plain memory from the console's fallback instead.
    if (linePadding != -1) return false;
    orientation = StoreParameters::settledOrientation(orientation, TOP_DOWN);
    if (orientation != TOP_DOWN) return false;
    memoryKind = kindGiven;
    // The display memory is the console's screen, and nobody else's.
    if (memoryKind == MEMORY_DISPLAY) return console->isCreatingPrimary() != 0;
    return format.model == DIRECT || format.id == INDEX8;
}

// The store addresses width x height pixels of the given format at the
// surface's pitch; a surface that cannot hold them (a display that did not
// take the size or depth) is refused rather than overrun.
bool DirectXStore::measurePadding(std::int32_t width, std::int32_t height,
                                  const PixelFormat& format, std::int32_t& padding)
{
    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    if (surface->GetSurfaceDesc(&description) != DD_OK) return false;
    if (description.dwWidth < static_cast<DWORD>(width) ||
        description.dwHeight < static_cast<DWORD>(height))
        return false;
    if ((description.dwFlags & DDSD_PIXELFORMAT) &&
        description.ddpfPixelFormat.dwRGBBitCount != static_cast<DWORD>(format.bits))
        return false;
    const std::int64_t lineBytes = std::int64_t{width} * format.bytes;
    const std::int64_t pitch = description.lPitch;
    if (pitch < lineBytes || pitch > INT32_MAX) return false;
    padding = static_cast<std::int32_t>(pitch - lineBytes);
    return true;
}

// Every new surface, the screen included, starts black.
void DirectXStore::clearPixels(std::int64_t lineBytes, std::int32_t height, std::int64_t pitch)
{
    std::uint8_t* pixels = lock(1);
    if (!pixels) return;
    for (std::int32_t y = 0; y < height; ++y)
        std::memset(pixels + y * pitch, 0, static_cast<std::size_t>(lineBytes));
    unlock();
}

template <class Call>
HRESULT DirectXStore::callSurface(Call call)
{
    if (surface2) return call(surface2.get());
    if (surface) return call(surface.get());
    return DDERR_GENERIC;
}

// One DirectDraw lock serves any number of nested locks. A primary surface
// lost to another program is restored by the next outermost lock; when it
// cannot be, the lock fails and the caller's frame is skipped.
std::uint8_t* DirectXStore::lock(int)
{
    if (outstandingLocks > 0) {
        if (!lockedPointer) return nullptr;
        if (isValid()) {
            ++outstandingLocks;
            return lockedPointer;
        }
        outstandingLocks = 0;
        lockedPointer = nullptr;
        return nullptr;
    }
    DDSURFACEDESC description{};
    description.dwSize = sizeof description;
    const auto lockWhole = [&](auto* target) {
        return target->Lock(nullptr, &description, DDLOCK_WAIT, nullptr);
    };
    HRESULT result = callSurface(lockWhole);
    if (result == DDERR_SURFACELOST && isPrimary) {
        if (!restore()) return nullptr;
        result = callSurface(lockWhole);
    }
    if (result != DD_OK || !description.lpSurface) {
        setDirectDrawError("could not lock the DirectDraw surface", result);
        return nullptr;
    }
    lockedPointer = static_cast<std::uint8_t*>(description.lpSurface);
    outstandingLocks = 1;
    return lockedPointer;
}

void DirectXStore::unlock()
{
    if (outstandingLocks == 1) {
        callSurface([](auto* target) { return target->Unlock(nullptr); });
        lockedPointer = nullptr;
        if (isPrimary && console) console->screenWritten();
    }
    if (outstandingLocks > 0) --outstandingLocks;
}

// A restored primary surface has lost its picture until the program's
// next frame.
int DirectXStore::restore()
{
    const HRESULT result = callSurface([](auto* target) { return target->Restore(); });
    if (result == DD_OK) return 1;
    setDirectDrawError("could not restore the lost DirectDraw surface", result);
    return 0;
}

int DirectXStore::isValid()
{
    if (!surface) return 0;
    return callSurface([](auto* target) { return target->IsLost(); }) == DD_OK ? 1 : 0;
}

HRESULT DirectXStore::attachedPalette(IDirectDrawPalette** palette)
{
    return callSurface([&](auto* target) { return target->GetPalette(palette); });
}

HRESULT DirectXStore::attachPalette(IDirectDrawPalette* palette)
{
    return callSurface([&](auto* target) { return target->SetPalette(palette); });
}

}  // namespace vxr
