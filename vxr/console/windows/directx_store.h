#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>

#include "vxr/console/windows/owned_resource.h"
#include "vxr/surface/memory_store.h"

namespace vxr {

class DirectXConsole;

// A surface's pixels in a DirectDraw surface: a system-memory surface in the
// surface's own format, or, for the console's own screen, the primary
// surface itself. Copies are MemoryStore's, through this store's lock. The
// MemoryStore part stays empty: its buffer is never set, so it frees nothing.
class DirectXStore : public MemoryStore {
public:
    // The in/out parameters hold the request (-1: any) and receive what the
    // store chose, only when it is valid; a refused request leaves them as
    // they were, for the console's plain-memory fallback.
    DirectXStore(DirectXConsole& console, std::int32_t& width, std::int32_t& height,
                 const PixelFormat& format, std::int32_t& memoryKind, std::int32_t& orientation,
                 std::int32_t& linePadding, std::int32_t& variant);
    ~DirectXStore() override;

    std::uint8_t* lock(int mode) override;
    void unlock() override;
    int lockCount() override { return outstandingLocks; }
    int isLockable() override { return 1; }
    int restore() override;
    int backing() override { return BACKING_DIRECTX; }
    void* nativeHandle() override { return surface.address(); }
    int isValid() override;

    // The display palette hangs on the primary surface.
    bool hasSurface() const { return static_cast<bool>(surface); }
    HRESULT attachedPalette(IDirectDrawPalette** palette);
    HRESULT attachPalette(IDirectDrawPalette* palette);

private:
    bool accepts(std::int32_t width, std::int32_t height, const PixelFormat& format,
                 std::int32_t& memoryKind, std::int32_t& orientation, std::int32_t linePadding,
                 std::int32_t variant) const;
    bool measurePadding(std::int32_t width, std::int32_t height, const PixelFormat& format,
                        std::int32_t& padding);
    void clearPixels(std::int64_t lineBytes, std::int32_t height, std::int64_t pitch);
    template <class Call>
    HRESULT callSurface(Call call);

    std::uint8_t* lockedPointer = nullptr;
    ComPointer<IDirectDrawSurface> surface;
    ComPointer<IDirectDrawSurface2> surface2;
    std::int32_t outstandingLocks = 0;
    std::int32_t isPrimary = 0;
    DirectXConsole* console;
};

}  // namespace vxr
