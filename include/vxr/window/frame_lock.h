#pragma once

/// @file
/// FrameLock, a frame's pixels locked for the length of a scope.

#include <cstddef>
#include <cstdint>
#include <span>

#include "vxr/format/pixel_format.h"

namespace vxr {

class Surface;

/// A frame's pixels, locked for as long as this object lives, line by line:
///
///     vxr::FrameLock pixels = window.lock();
///     for (int y = 0; y < pixels.height(); ++y)
///         for (std::uint32_t& pixel : pixels.row<std::uint32_t>(y)) pixel = 0xFF8000;
///
/// row<Pixel>(y) gives the line as Pixels when Pixel has the format's size
/// (std::uint32_t for 32-bit formats, std::uint16_t for 16-bit, std::uint8_t
/// for 8-bit); 24-bit lines are read as bytes().
class FrameLock {
public:
    /// Locks frame until this object goes; test it to see that it did.
    explicit FrameLock(Surface& frame);
    /// Holds nothing: every row is empty.
    FrameLock() = default;
    /// Unlocks the frame.
    ~FrameLock();
    /// Takes over other's lock; other then holds nothing.
    FrameLock(FrameLock&& other) noexcept;
    FrameLock(const FrameLock&) = delete;
    FrameLock& operator=(const FrameLock&) = delete;
    FrameLock& operator=(FrameLock&&) = delete;

    /// False when the frame could not be locked; every row is then empty.
    explicit operator bool() const { return pixels != nullptr; }
    /// The frame's width in pixels; 0 when the lock holds nothing.
    std::int32_t width() const { return lineWidth; }
    /// The frame's height in lines; 0 when the lock holds nothing.
    std::int32_t height() const { return lineCount; }
    /// The frame's pixel format; empty when the lock holds nothing.
    PixelFormat format() const { return pixelFormat; }

    /// Line y as pixels; empty for a line outside the frame, a Pixel whose
    /// size is not the format's, or a line not aligned for Pixel.
    template <typename Pixel>
    std::span<Pixel> row(std::int32_t y) const
    {
        std::uint8_t* line = lineAt(y);
        if (!line || sizeof(Pixel) != static_cast<std::size_t>(pixelFormat.bytes) ||
            reinterpret_cast<std::uintptr_t>(line) % alignof(Pixel) != 0)
            return {};
        return {reinterpret_cast<Pixel*>(line), static_cast<std::size_t>(lineWidth)};
    }
    /// Line y's pixel bytes, in any format.
    std::span<std::uint8_t> bytes(std::int32_t y) const;

    /// Unlocks now rather than at the end of the scope.
    void release();

private:
    std::uint8_t* lineAt(std::int32_t y) const;

    Surface* surface = nullptr;
    std::uint8_t* pixels = nullptr;
    std::int64_t pitch = 0;
    std::int32_t lineWidth = 0;
    std::int32_t lineCount = 0;
    PixelFormat pixelFormat;
};

}  // namespace vxr
