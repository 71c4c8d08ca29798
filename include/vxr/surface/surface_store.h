#pragma once

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

class Surface;

/// Creation codes shared by every store, in ranges of their own so that they
/// cannot be mistaken for one another.
inline constexpr std::int32_t VARIANT_DEFAULT = 10;
inline constexpr std::int32_t TOP_DOWN = 20;
inline constexpr std::int32_t BOTTOM_UP = 21;
inline constexpr std::int32_t MEMORY_SYSTEM = 30;
inline constexpr std::int32_t MEMORY_DISPLAY = 31;
inline constexpr std::int32_t MEMORY_ANY = 33;

/// What lies behind a store's pixels, for presenters that can use it.
inline constexpr std::int32_t BACKING_NONE = 0;
inline constexpr std::int32_t BACKING_DIB = 1;
inline constexpr std::int32_t BACKING_DIRECTX = 2;

/// Where a surface's pixels live. copy and copyArea work on the two surfaces
/// they are given, not on the store they are called on: a surface offers a
/// copy to the destination's store first and then to the source's, so a store
/// answers 0 and changes nothing when it cannot do the work.
class SurfaceStore {
public:
    virtual ~SurfaceStore() = default;
    virtual std::uint8_t* lock(int mode) = 0;
    virtual void unlock() = 0;
    virtual int lockCount() = 0;
    virtual int isLockable() = 0;
    virtual int restore() = 0;
    virtual int spare1(std::int32_t, std::int32_t, std::int32_t) = 0;
    virtual int spare2(std::int32_t, std::int32_t) = 0;
    virtual int copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                         const Rect* destinationArea, int flags, const void* lookup) = 0;
    virtual int copy(Surface* source, Surface* destination, int flags, const void* lookup) = 0;
    virtual int spare3(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t) = 0;
    virtual int spare4(std::int32_t, std::int32_t, std::int32_t, std::int32_t) = 0;
    virtual int backing() = 0;
    virtual void* nativeHandle() = 0;
    virtual int isValid() = 0;
};

}  // namespace vxr
