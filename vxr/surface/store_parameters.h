#pragma once

#include <cstdint>

#include "vxr/format/pixel_format.h"

namespace vxr {

// The creation rules every store shares: a store of any kind refuses the same
// malformed requests, so that a console's fallback from a device store to
// plain memory never accepts what the device store would have refused.
class StoreParameters {
public:
    // True when the request names a positive size, a valid format and known
    // codes (or -1), and its memory kind accepts kindGiven, the one kind the
    // store gives: a request of -1 or MEMORY_ANY accepts either kind.
    static bool accepts(std::int32_t width, std::int32_t height, const PixelFormat& format,
                        std::int32_t memoryKind, std::int32_t orientation,
                        std::int32_t linePadding, std::int32_t variant, std::int32_t kindGiven);

    // The orientation a store uses for a request: the one asked for, or the
    // store's own default for -1.
    static std::int32_t settledOrientation(std::int32_t requested, std::int32_t storeDefault)
    {
        return requested == -1 ? storeDefault : requested;
    }
};

}  // namespace vxr
