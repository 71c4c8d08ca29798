#pragma once

/// @file
/// The creation codes surfaces are made with, and SurfaceStore, the
/// interface of what holds a surface's pixels.
///
/// The creation codes are shared by every store, in ranges of their own so
/// that they cannot be mistaken for one another (variants 10, orientations
/// 20s, memory kinds 30s); a request of -1 takes the store's choice.

#include <cstdint>

#include "vxr/format/rect.h"

namespace vxr {

class Surface;

/// The one variant a surface can have.
inline constexpr std::int32_t VARIANT_DEFAULT = 10;
inline constexpr std::int32_t TOP_DOWN = 20;  ///< the top line first in memory: a positive pitch
/// The bottom line first in memory: a negative pitch.
inline constexpr std::int32_t BOTTOM_UP = 21;
inline constexpr std::int32_t MEMORY_SYSTEM = 30;  ///< pixels in ordinary memory
/// Pixels in the display itself; a console gives it only to its own
/// screen surface.
inline constexpr std::int32_t MEMORY_DISPLAY = 31;
inline constexpr std::int32_t MEMORY_ANY = 33;  ///< a request for either kind of memory

/// Nothing a presenter can use lies behind the pixels (plain memory, or
/// none). The BACKING_ codes say what lies behind a store's pixels, for
/// presenters that can use it.
inline constexpr std::int32_t BACKING_NONE = 0;
inline constexpr std::int32_t BACKING_DIB = 1;      ///< a GDI DIB section (Windows)
inline constexpr std::int32_t BACKING_DIRECTX = 2;  ///< a DirectDraw surface (Windows)

/// Where a surface's pixels live. copy and copyArea work on the two surfaces
/// they are given, not on the store they are called on: a surface offers a
/// copy to the destination's store first and then to the source's, so a store
/// answers 0 and changes nothing when it cannot do the work. Consoles make
/// stores (Console::createStore); the surface owns its store.
class SurfaceStore {
public:
    /// Frees the pixels the store holds.
    virtual ~SurfaceStore() = default;
    /// The first pixel of the top line, or null when the store has no pixels
    /// to give; locks nest, each ended by one unlock(). No store here reads
    /// mode.
    virtual std::uint8_t* lock(int mode) = 0;
    /// Ends one lock().
    virtual void unlock() = 0;
    /// Locks not yet ended.
    virtual int lockCount() = 0;
    /// 1 when lock() can give pixels; 0 for stores that hold none.
    virtual int isLockable() = 0;
    /// Brings back pixels the display took away (a lost DirectDraw surface):
    /// 1 when restored, 0 where the store cannot.
    virtual int restore() = 0;
    /// A slot kept so that the interface's order stays fixed; every store
    /// of the library answers 0.
    virtual int spare1(std::int32_t, std::int32_t, std::int32_t) = 0;
    /// A slot kept so that the interface's order stays fixed; every store
    /// of the library answers 0.
    virtual int spare2(std::int32_t, std::int32_t) = 0;
    /// Copies sourceArea of source to destinationArea of destination, converting
    /// the format with lookup (the palette table of an indexed source, else
    /// null). The areas come clipped and of one size; flags must be 0. 1 when
    /// done.
    virtual int copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                         const Rect* destinationArea, int flags, const void* lookup) = 0;
    /// Copies the whole of source onto destination, of the same size and
    /// orientation, as copyArea() does.
    virtual int copy(Surface* source, Surface* destination, int flags, const void* lookup) = 0;
    /// A slot kept so that the interface's order stays fixed; every store
    /// of the library answers 0.
    virtual int spare3(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                       std::int32_t) = 0;
    /// A slot kept so that the interface's order stays fixed; every store
    /// of the library answers 0.
    virtual int spare4(std::int32_t, std::int32_t, std::int32_t, std::int32_t) = 0;
    /// BACKING_NONE, BACKING_DIB or BACKING_DIRECTX.
    virtual int backing() = 0;
    /// Where the platform object behind the pixels is kept (an HBITMAP* or an
    /// IDirectDrawSurface**); null when there is none.
    virtual void* nativeHandle() = 0;
    /// 1 while the store holds usable pixels, or for a screen can show them.
    virtual int isValid() = 0;
};

}  // namespace vxr
