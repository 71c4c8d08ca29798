#pragma once

#include <cstdint>

#include "vxr/console/core/present_store.h"

namespace vxr {

class GdiConsole;

// Stands for a GDI console's window, bottom-up like a DIB section: a copy
// into it is shown by the console, with the copy's own flags.
class WindowStore : public PresentStore {
public:
    WindowStore(GdiConsole* console, std::int32_t& width, std::int32_t& height,
                const PixelFormat& format, std::int32_t& memoryKind, std::int32_t& orientation,
                std::int32_t& linePadding, std::int32_t& variant);

    int copyArea(Surface* source, const Rect* sourceArea, Surface* destination,
                 const Rect* destinationArea, int flags, const void* lookup) override;

private:
    GdiConsole* console = nullptr;
};

}  // namespace vxr
