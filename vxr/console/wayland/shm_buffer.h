#pragma once

#include <cstdint>

#include "vxr/console/placement/letterbox_bars.h"

struct wl_buffer;
struct wl_shm;

namespace vxr {

// One frame's pixels in memory shared with the compositor, as a wl_buffer
// of 32-bit pixels, top line first. The compositor may read it from the
// moment it is committed until it sends release; until then it is held and
// must not be written.
class ShmBuffer {
public:
    // Told, on the thread that dispatches events, when the compositor lets
    // a buffer go.
    class Listener {
    public:
        virtual void bufferReleased(ShmBuffer& buffer) = 0;

    protected:
        ~Listener() = default;
    };

    ShmBuffer() = default;
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    // Replaces any earlier pixels. False for sizes that are not positive or
    // too large for a pool, or when the memory or buffer cannot be made.
    bool create(wl_shm* shm, std::uint32_t format, std::int32_t width, std::int32_t height,
                Listener& listener);
    void release();

    bool isValid() const { return buffer != nullptr; }
    bool isHeld() const { return held; }
    // The compositor has it from the next commit on.
    void markHeld() { held = true; }
    void markReleased() { held = false; }

    wl_buffer* handle() const { return buffer; }
    std::uint8_t* pixels() const { return mapped; }
    std::int64_t stride() const { return lineBytes; }
    std::int32_t width() const { return pixelsWide; }
    std::int32_t height() const { return pixelsHigh; }
    Listener* listener() const { return releaseListener; }

    // The frame area and client size the bars in it were last drawn for.
    LetterboxBars bars;

private:
    wl_buffer* buffer = nullptr;
    std::uint8_t* mapped = nullptr;
    std::int64_t mappedBytes = 0;
    std::int64_t lineBytes = 0;
    std::int32_t pixelsWide = 0;
    std::int32_t pixelsHigh = 0;
    Listener* releaseListener = nullptr;
    bool held = false;
};

}  // namespace vxr
