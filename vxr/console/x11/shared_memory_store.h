#pragma once

#include <cstdint>

#include "vxr/console/x11/shared_image.h"
#include "vxr/format/pixel_format.h"
#include "vxr/surface/memory_store.h"

namespace vxr {

class X11Console;

// A surface's pixels in an image the X11 console can put on its window as
// it is: the display's layout, top line first, lines padded as the server
// pads them, in shared memory the server reads, so that a frame is shown
// without being copied first. Invalid where the server cannot reach this
// process's memory. The MemoryStore part stays empty: its copies reach the
// pixels through lock.
class SharedMemoryStore : public MemoryStore {
public:
    SharedMemoryStore(X11Console& console, std::int32_t& width,
                      std::int32_t& height, const PixelFormat& format, std::int32_t& memoryKind,
                      std::int32_t& orientation, std::int32_t& linePadding, std::int32_t& variant);
    ~SharedMemoryStore() override;

    // Waits until the server has finished reading the pixels, so that the
    // caller may write them.
    std::uint8_t* lock(int mode) override;
    void unlock() override;
    int lockCount() override { return imageLocks; }
    int isValid() override { return sharedImage.isValid() ? 1 : 0; }

    SharedImage& image() { return sharedImage; }
    const X11Console* owner() const { return &console; }

private:
    X11Console& console;
    SharedImage sharedImage;
    std::int32_t imageLocks = 0;
};

}  // namespace vxr
