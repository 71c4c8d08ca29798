#include "vxr/console/wayland/shm_buffer.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>

namespace vxr {
namespace {

constexpr std::int64_t PIXEL_BYTES = 4;
// A pool's size travels as a 32-bit signed number.
constexpr std::int64_t LARGEST_POOL = INT32_MAX;

void released(void* data, wl_buffer*)
{
    auto& buffer = *static_cast<ShmBuffer*>(data);
    if (buffer.listener()) buffer.listener()->bufferReleased(buffer);
}

const wl_buffer_listener BUFFER_LISTENER = {released};

}  // namespace

ShmBuffer::~ShmBuffer() { release(); }

bool ShmBuffer::create(wl_shm* shm, std::uint32_t format, std::int32_t width,
                       std::int32_t height, Listener& listener)
{
    release();
    if (!shm || width <= 0 || height <= 0) return false;
    const std::int64_t stride = std::int64_t{width} * PIXEL_BYTES;
    if (stride > LARGEST_POOL / height) return false;
    const std::int64_t size = stride * height;

    const int file = memfd_create("vxr-frame", MFD_CLOEXEC);
    if (file < 0) return false;
    void* memory = MAP_FAILED;
    if (ftruncate(file, size) == 0)
        memory = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED,
                      file, 0);
    wl_shm_pool* pool = memory != MAP_FAILED
                            ? wl_shm_create_pool(shm, file, static_cast<std::int32_t>(size))
                            : nullptr;
    // The compositor keeps its own copy of the descriptor, and a buffer
    // keeps its pool's memory: neither needs to stay open here.
    close(file);
    if (!pool) {
        if (memory != MAP_FAILED) munmap(memory, static_cast<std::size_t>(size));
        return false;
    }
    buffer = wl_shm_pool_create_buffer(pool, 0, width, height, static_cast<std::int32_t>(stride),
                                       format);
    wl_shm_pool_destroy(pool);
    mapped = static_cast<std::uint8_t*>(memory);
    mappedBytes = size;
    if (!buffer) {
        release();
        return false;
    }
    releaseListener = &listener;
    wl_buffer_add_listener(buffer, &BUFFER_LISTENER, this);
    lineBytes = stride;
    pixelsWide = width;
    pixelsHigh = height;
    return true;
}

void ShmBuffer::release()
{
    if (buffer) wl_buffer_destroy(buffer);
    if (mapped) munmap(mapped, static_cast<std::size_t>(mappedBytes));
    buffer = nullptr;
    mapped = nullptr;
    mappedBytes = lineBytes = 0;
    pixelsWide = pixelsHigh = 0;
    releaseListener = nullptr;
    held = false;
    bars.forget();
}

}  // namespace vxr
