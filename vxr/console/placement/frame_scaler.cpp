#include "vxr/console/placement/frame_scaler.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vxr {
namespace {

// Division that rounds towards minus infinity, for edges left of the origin.
std::int64_t floorDivide(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1
                                                                                  : quotient;
}

std::int32_t heldInInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// A constant size lets the compiler turn each pixel copy into one move.
template <std::size_t Bytes>
void repeatPixels(const std::uint8_t* source, std::uint8_t* target, std::int32_t count,
                  std::int32_t repeat)
{
    for (std::int32_t i = 0; i < count; ++i, source += Bytes)
        for (std::int32_t r = 0; r < repeat; ++r, target += Bytes)
            std::memcpy(target, source, Bytes);
}

template <std::size_t Bytes>
void gatherPixels(const std::uint8_t* source, std::uint8_t* target, const std::int32_t* offsets,
                  std::int32_t count)
{
    for (std::int32_t x = 0; x < count; ++x, target += Bytes)
        std::memcpy(target, source + offsets[x], Bytes);
}

}  // namespace

Rect FrameScaler::letterbox(std::int32_t frameWidth, std::int32_t frameHeight,
                            std::int32_t clientWidth, std::int32_t clientHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return {};
    // Fill the width first; a frame too tall for that fills the height.
    // A client too thin for one line of the frame's aspect still shows a
    // line of it, so that a frame is never placed nowhere.
    std::int64_t width = clientWidth;
    std::int64_t height = std::max<std::int64_t>(
        1, std::int64_t{clientWidth} * frameHeight / frameWidth);
    if (height > clientHeight) {
        height = clientHeight;
        width = std::max<std::int64_t>(1, std::int64_t{clientHeight} * frameWidth / frameHeight);
    }
    const std::int64_t left = (clientWidth - width) / 2;
    const std::int64_t top = (clientHeight - height) / 2;
    return Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                static_cast<std::int32_t>(left + width), static_cast<std::int32_t>(top + height)};
}

std::int32_t FrameScaler::windowScale(std::int32_t width, std::int32_t height,
                                      std::int32_t screenWidth, std::int32_t screenHeight)
{
    // Window sides are 16-bit on X11 and kept as small on Wayland.
    constexpr std::int64_t LARGEST_SCALE = 32767;
    if (width <= 0 || height <= 0) return 1;
    const std::int64_t across = std::int64_t{screenWidth} * 3 / 4 / width;
    const std::int64_t down = std::int64_t{screenHeight} * 3 / 4 / height;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::min(across, down), 1, LARGEST_SCALE));
}

Rect FrameScaler::mapArea(const Rect& area, std::int32_t frameWidth, std::int32_t frameHeight,
                          const Rect& target)
{
    if (frameWidth <= 0 || frameHeight <= 0) return {};
    auto edge = [](std::int32_t value, std::int64_t origin, std::int64_t span, std::int32_t whole) {
        return heldInInt32(origin + floorDivide(std::int64_t{value} * span, whole));
    };
    return Rect{edge(area.left, target.left, target.width(), frameWidth),
                edge(area.top, target.top, target.height(), frameHeight),
                edge(area.right, target.left, target.width(), frameWidth),
                edge(area.bottom, target.top, target.height(), frameHeight)};
}

std::unique_ptr<std::int32_t[]> FrameScaler::centreMap(std::int32_t sourceCount,
                                                       std::int32_t targetCount)
{
    std::unique_ptr<std::int32_t[]> map(new (std::nothrow) std::int32_t[targetCount]);
    if (!map) return map;
    // Target position i covers [i, i + 1) in target units; its centre lies
    // over source (i + 1/2) * source / target.
    for (std::int32_t i = 0; i < targetCount; ++i)
        map[i] = static_cast<std::int32_t>((2 * std::int64_t{i} + 1) * sourceCount /
                                           (2 * std::int64_t{targetCount}));
    return map;
}

bool FrameScaler::prepare(std::int32_t sourceWidth, std::int32_t sourceHeight,
                          std::int32_t targetWidth, std::int32_t targetHeight,
                          std::int32_t pixelBytes)
{
    if (isPreparedFor(sourceWidth, sourceHeight, targetWidth, targetHeight, pixelBytes))
        return true;
    rowMap.reset();
    columnMap.reset();
    if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0 ||
        pixelBytes <= 0 || pixelBytes > MAX_PIXEL_BYTES)
        return false;
    // A target row is addressed by int32 byte offsets within it.
    if (std::int64_t{targetWidth} * pixelBytes > INT32_MAX ||
        std::int64_t{sourceWidth} * pixelBytes > INT32_MAX)
        return false;
    std::unique_ptr<std::int32_t[]> columns = centreMap(sourceWidth, targetWidth);
    std::unique_ptr<std::int32_t[]> rows = centreMap(sourceHeight, targetHeight);
    if (!columns || !rows) return false;
    for (std::int32_t x = 0; x < targetWidth; ++x) columns[x] *= pixelBytes;

    columnMap = std::move(columns);
    rowMap = std::move(rows);
    fromWidth = sourceWidth;
    fromHeight = sourceHeight;
    toWidth = targetWidth;
    toHeight = targetHeight;
    bytes = pixelBytes;
    wholeRepeat = targetWidth % sourceWidth == 0 ? targetWidth / sourceWidth : 0;
    return true;
}

bool FrameScaler::isPreparedFor(std::int32_t sourceWidth, std::int32_t sourceHeight,
                                std::int32_t targetWidth, std::int32_t targetHeight,
                                std::int32_t pixelBytes) const
{
    return isPrepared() && fromWidth == sourceWidth && fromHeight == sourceHeight &&
           toWidth == targetWidth && toHeight == targetHeight && bytes == pixelBytes;
}

void FrameScaler::scaleRow(const std::uint8_t* source, std::uint8_t* target) const
{
    if (wholeRepeat == 1) {
        std::memcpy(target, source, static_cast<std::size_t>(toWidth) * bytes);
        return;
    }
    if (wholeRepeat > 1) {
        switch (bytes) {
            case 1:
                return repeatPixels<1>(source, target, fromWidth, wholeRepeat);
            case 2:
                return repeatPixels<2>(source, target, fromWidth, wholeRepeat);
            case 3:
                return repeatPixels<3>(source, target, fromWidth, wholeRepeat);
            default:
                return repeatPixels<4>(source, target, fromWidth, wholeRepeat);
        }
    }
    switch (bytes) {
        case 1:
            return gatherPixels<1>(source, target, columnMap.get(), toWidth);
        case 2:
            return gatherPixels<2>(source, target, columnMap.get(), toWidth);
        case 3:
            return gatherPixels<3>(source, target, columnMap.get(), toWidth);
        default:
            return gatherPixels<4>(source, target, columnMap.get(), toWidth);
    }
}

void FrameScaler::scale(const std::uint8_t* source, std::int64_t sourcePitch, std::uint8_t* target,
                        std::int64_t targetPitch) const
{
    if (!isPrepared() || !source || !target) return;
    const std::size_t rowBytes = static_cast<std::size_t>(toWidth) * bytes;
    for (std::int32_t y = 0; y < toHeight; ++y) {
        std::uint8_t* line = target + y * targetPitch;
        // A row that takes the same source row as the one above is a copy of it.
        if (y > 0 && rowMap[y] == rowMap[y - 1])
            std::memcpy(line, line - targetPitch, rowBytes);
        else
            scaleRow(source + rowMap[y] * sourcePitch, line);
    }
}

}  // namespace vxr
