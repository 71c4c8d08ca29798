#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdint>

#include "vxr/format/rect.h"
#include "vxr/non_copyable.h"

namespace vxr {

class X11Display;

// Pixels laid out as the X server lays out images of its root depth, in a
// System V shared-memory segment the server has attached where it can, and
// in plain memory otherwise. The server reads a shared image after the put
// request has gone, so nothing may write it before waitIdle.
class SharedImage : NonCopyable {
public:
    SharedImage() = default;
    ~SharedImage();

    // shared: whether to try shared memory at all; requireShared: fail rather
    // than fall back to plain memory. Any earlier pixels are released first.
    bool create(X11Display& display, std::int32_t width, std::int32_t height, bool shared,
                bool requireShared);
    void release();

    bool isValid() const { return memory != nullptr; }
    bool isShared() const { return segment != 0; }
    std::uint8_t* pixels() const { return memory; }
    std::int64_t stride() const { return lineBytes; }
    std::int32_t width() const { return imageWidth; }
    std::int32_t height() const { return imageHeight; }

    // Returns once the server no longer reads the pixels; false when that
    // could not be learnt (the display is gone). The caller holds the lock
    // under which the display's events are read.
    bool waitIdle();

    // Draws an area of the image with its top left at (x, y) in the target.
    // A plain image is drawn whole lines wide: the pixels beside the area on
    // its lines land beside it.
    bool put(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area, std::int32_t x,
             std::int32_t y);

private:
    bool attach(std::size_t size);
    bool putShared(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area, std::int32_t x,
                   std::int32_t y);
    bool putPlain(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area, std::int32_t x,
                  std::int32_t y);

    X11Display* display = nullptr;
    std::uint8_t* memory = nullptr;
    int segmentId = -1;
    xcb_shm_seg_t segment = 0;
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    std::int64_t lineBytes = 0;
    bool pending = false;
    std::uint32_t pendingSequence = 0;
};

}  // namespace vxr
