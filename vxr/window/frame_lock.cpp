#include "vxr/window/frame_lock.h"

#include "vxr/surface/surface.h"

namespace vxr {

FrameLock::FrameLock(Surface& frame) : surface(&frame)
{
    // The lock's mode is not used by any store: 1 asks for reading and writing.
    pixels = frame.lock(1);
    if (!pixels) return;
    pitch = frame.pitch();
    lineWidth = frame.width();
    lineCount = frame.height();
    pixelFormat = frame.format();
}

FrameLock::FrameLock(FrameLock&& other) noexcept
    : surface(other.surface),
      pixels(other.pixels),
      pitch(other.pitch),
      lineWidth(other.lineWidth),
      lineCount(other.lineCount),
      pixelFormat(other.pixelFormat)
{
    other.pixels = nullptr;
}

FrameLock::~FrameLock() { release(); }

void FrameLock::release()
{
    if (pixels) surface->unlock();
    pixels = nullptr;
}

std::uint8_t* FrameLock::lineAt(std::int32_t y) const
{
    if (!pixels || y < 0 || y >= lineCount) return nullptr;
    return pixels + y * pitch;
}

std::span<std::uint8_t> FrameLock::bytes(std::int32_t y) const
{
    std::uint8_t* line = lineAt(y);
    if (!line) return {};
    return {line, static_cast<std::size_t>(std::int64_t{lineWidth} * pixelFormat.bytes)};
}

}  // namespace vxr
