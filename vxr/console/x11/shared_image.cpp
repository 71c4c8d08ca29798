#include "vxr/console/x11/shared_image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "vxr/console/x11/x11_display.h"

namespace vxr {
namespace {

// X coordinates and image sizes are 16-bit. A gigabyte holds a 16384 x
// 16384 image at 32 bits per pixel; anything larger is refused before it is
// allocated and cleared.
constexpr std::int32_t LARGEST_SIDE = 32767;
constexpr std::int64_t LARGEST_IMAGE_BYTES = std::int64_t{1} << 30;

bool fitsImage(const Rect& area, std::int32_t width, std::int32_t height)
{
    return area.left >= 0 && area.top >= 0 && area.left <= area.right && area.top <= area.bottom &&
           area.right <= width && area.bottom <= height;
}

bool fitsCoordinates(std::int32_t x, std::int32_t y)
{
    return x >= INT16_MIN && x <= INT16_MAX && y >= INT16_MIN && y <= INT16_MAX;
}

}  // namespace

SharedImage::~SharedImage()
{
    release();
}

bool SharedImage::create(X11Display& target, std::int32_t width, std::int32_t height, bool shared,
                         bool requireShared)
{
    release();
    if (width <= 0 || height <= 0 || width > LARGEST_SIDE || height > LARGEST_SIDE) return false;
    const std::int64_t stride = target.imageStride(width);
    if (stride <= 0) return false;
    const std::int64_t size = stride * height;
    if (size > LARGEST_IMAGE_BYTES || static_cast<std::uint64_t>(size) > SIZE_MAX) return false;

    display = &target;
    imageWidth = width;
    imageHeight = height;
    lineBytes = stride;
    if (shared && target.hasSharedMemory() && attach(static_cast<std::size_t>(size))) return true;
    if (!requireShared) {
        memory = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)];
        if (memory) {
            std::memset(memory, 0, static_cast<std::size_t>(size));
            return true;
        }
    }
    release();
    return false;
}

bool SharedImage::attach(std::size_t size)
{
    xcb_connection_t* link = display->connection();
    segmentId = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segmentId < 0) return false;
    void* address = shmat(segmentId, nullptr, 0);
    const xcb_shm_seg_t id = xcb_generate_id(link);
    xcb_generic_error_t* error = nullptr;
    if (address != reinterpret_cast<void*>(-1) && id != static_cast<xcb_shm_seg_t>(-1))
        error = xcb_request_check(link, xcb_shm_attach_checked(link, id, segmentId, 1));
    // Marked for removal as soon as the server holds it too, so that the
    // segment goes with the last detach even if this process dies first.
    shmctl(segmentId, IPC_RMID, nullptr);
    segmentId = -1;
    const bool attached = address != reinterpret_cast<void*>(-1) &&
                          id != static_cast<xcb_shm_seg_t>(-1) && !error &&
                          !xcb_connection_has_error(link);
    std::free(error);
    if (!attached) {
        if (address != reinterpret_cast<void*>(-1)) shmdt(address);
        return false;
    }
    memory = static_cast<std::uint8_t*>(address);
    segment = id;
    return true;
}

void SharedImage::release()
{
    waitIdle();
    if (segment) {
        xcb_connection_t* link = display->connection();
        xcb_shm_detach(link, segment);
        xcb_flush(link);
        shmdt(memory);
    } else {
        delete[] memory;
    }
    memory = nullptr;
    segment = 0;
    imageWidth = imageHeight = 0;
    lineBytes = 0;
    display = nullptr;
}

bool SharedImage::waitIdle()
{
    if (!pending) return true;
    pending = false;
    return display->waitForCompletion(pendingSequence);
}

bool SharedImage::put(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area,
                      std::int32_t x, std::int32_t y)
{
    if (!memory || !fitsImage(area, imageWidth, imageHeight) || !fitsCoordinates(x, y))
        return false;
    if (area.width() == 0 || area.height() == 0) return true;
    return segment ? putShared(target, context, area, x, y) : putPlain(target, context, area, x, y);
}

bool SharedImage::putShared(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area,
                            std::int32_t x, std::int32_t y)
{
    // The completion event tells when the server is done reading.
    const xcb_void_cookie_t cookie = xcb_shm_put_image(
        display->connection(), target, context, static_cast<std::uint16_t>(imageWidth),
        static_cast<std::uint16_t>(imageHeight), static_cast<std::uint16_t>(area.left),
        static_cast<std::uint16_t>(area.top), static_cast<std::uint16_t>(area.width()),
        static_cast<std::uint16_t>(area.height()), static_cast<std::int16_t>(x),
        static_cast<std::int16_t>(y), display->depth(), XCB_IMAGE_FORMAT_Z_PIXMAP, 1, segment, 0);
    pending = true;
    pendingSequence = cookie.sequence;
    return true;
}

bool SharedImage::putPlain(xcb_drawable_t target, xcb_gcontext_t context, const Rect& area,
                           std::int32_t x, std::int32_t y)
{
    // Plain requests carry whole lines: the area's lines go whole, placed
    // so that the area lands at (x, y). A band of lines per request keeps
    // each under the server's request limit.
    const std::int32_t left = x - area.left;
    if (!fitsCoordinates(left, y)) return false;
    const std::int64_t rowsPerBand =
        std::max<std::int64_t>(1, display->maxImageBytes() / lineBytes);
    for (std::int32_t top = area.top; top < area.bottom;) {
        const std::int64_t rows = std::min<std::int64_t>(rowsPerBand, area.bottom - top);
        xcb_put_image(display->connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, target, context,
                      static_cast<std::uint16_t>(imageWidth), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(y + top - area.top), 0, display->depth(),
                      static_cast<std::uint32_t>(rows * lineBytes), memory + top * lineBytes);
        top += static_cast<std::int32_t>(rows);
    }
    return true;
}

}  // namespace vxr
