#include "gdi_test_support.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace vxr::testing {

ClientPixels readClient(HWND window)
{
    ClientPixels result;
    RECT client{};
    GetClientRect(window, &client);
    result.width = client.right;
    result.height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = result.width;
    info.bmiHeader.biHeight = -result.height;  // top line first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC windowContext = GetDC(window);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(windowContext, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(windowContext);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, result.width, result.height, windowContext, 0, 0, SRCCOPY);
    GdiFlush();
    result.pixels.resize(std::size_t(result.width) * result.height);
    std::memcpy(result.pixels.data(), bits, result.pixels.size() * 4);
    for (std::uint32_t& pixel : result.pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(section);
    ReleaseDC(window, windowContext);
    return result;
}

int desktopDepth()
{
    static const int depth = [] {
        HDC screen = GetDC(nullptr);
        const int bits = GetDeviceCaps(screen, BITSPIXEL);
        ReleaseDC(nullptr, screen);
        return bits;
    }();
    return depth;
}

bool sameAtDepth(std::uint32_t expected, std::uint32_t actual, const PixelFormat& frameFormat)
{
    const bool direct = frameFormat.model == DIRECT;
    const Channel* channels[3] = {&frameFormat.red, &frameFormat.green, &frameFormat.blue};
    const int desktopBits[3] = {5, 6, 5};
    for (int i = 0; i < 3; ++i) {
        const int shift = 16 - 8 * i;
        const int wanted = int(expected >> shift & 0xFF), shown = int(actual >> shift & 0xFF);
        // An 8-bit desktop shows colours through the shared system palette,
        // which holds them only to within one of its steps (0x20 here).
        if (desktopDepth() == 8) {
            if (std::abs(wanted - shown) > 0x20) return false;
            continue;
        }
        int kept = direct ? channels[i]->size : 8;
        if (desktopDepth() == 16 && desktopBits[i] < kept) kept = desktopBits[i];
        if (wanted >> (8 - kept) != shown >> (8 - kept)) return false;
    }
    return true;
}

std::vector<std::uint32_t> frameColours(Surface& frame)
{
    const PixelFormat format = frame.format();
    std::vector<std::uint32_t> colours;
    const std::uint32_t* palette = frame.palette() ? frame.palette()->lock() : nullptr;
    const std::uint8_t* top = frame.lock(1);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const std::uint8_t* pixel = top + std::int64_t{y} * frame.pitch() + x * format.bytes;
            std::uint8_t r, g, b, a;
            if (format.model == INDEXED)
                colours.push_back(palette ? palette[*pixel] & 0xFFFFFF : 0);
            else if (format.unpack(pixel, &r, &g, &b, &a, RGB))
                colours.push_back(std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b);
        }
    frame.unlock();
    if (palette) frame.palette()->unlock();
    return colours;
}

namespace {

template <typename Colour>
void fill(Surface& frame, Colour colourAt)
{
    const PixelFormat format = frame.format();
    std::uint8_t* top = frame.lock(1);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            std::uint8_t* pixel = top + std::int64_t{y} * frame.pitch() + x * format.bytes;
            const std::uint32_t colour = colourAt(x, y);
            if (format.model == INDEXED)
                *pixel = static_cast<std::uint8_t>(colour);
            else
                format.pack(int(colour >> 16), int(colour >> 8 & 0xFF), int(colour & 0xFF), 255,
                            pixel, RGB);
        }
    frame.unlock();
}

}  // namespace

void fillBlocks(Surface& frame, int block)
{
    static const std::uint32_t pure[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                          0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    const bool palettised = desktopDepth() == 8;
    fill(frame, [&](int x, int y) {
        const std::uint32_t column = std::uint32_t(x / block), row = std::uint32_t(y / block);
        if (palettised) return pure[(column + 2 * row) % 8];
        // Steps of 8 keep neighbours apart in the top five bits of a channel.
        return (column * 8 & 0xFF) << 16 | (row * 8 & 0xFF) << 8 | ((column * 3 + row * 5) * 8 & 0xFF);
    });
}

void fillIndices(Surface& frame, int count)
{
    fill(frame, [count](int x, int y) { return std::uint32_t((x + 3 * y) % count); });
}

void fillColour(Surface& frame, std::uint32_t colour)
{
    fill(frame, [colour](int, int) { return colour; });
}

int mismatches(const ClientPixels& client, Surface& frame, int step)
{
    const std::vector<std::uint32_t> colours = frameColours(frame);
    int count = 0;
    for (int y = 0; y < client.height; y += step)
        for (int x = 0; x < client.width; x += step) {
            const int sourceX = x * frame.width() / client.width;
            const int sourceY = y * frame.height() / client.height;
            count += !sameAtDepth(colours[std::size_t(sourceY) * frame.width() + sourceX],
                                  client.at(x, y), frame.format());
        }
    return count;
}

int mismatchesAtBlockCentres(const ClientPixels& client, Surface& frame, int block)
{
    const std::vector<std::uint32_t> colours = frameColours(frame);
    int count = 0;
    for (int y = block / 2; y < frame.height(); y += block)
        for (int x = block / 2; x < frame.width(); x += block)
            count += !sameAtDepth(colours[std::size_t(y) * frame.width() + x],
                                  client.at(x * client.width / frame.width(),
                                            y * client.height / frame.height()),
                                  frame.format());
    return count;
}

PointerPosition pointerAt(Console& console, HWND window, int clientX, int clientY)
{
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(clientX, clientY));
    Event event;
    while (console.waitEvent(&event, 10000))
        if (event.type == EventType::MouseMove && event.pointer.windowX == clientX &&
            event.pointer.windowY == clientY)
            return event.pointer;
    ADD_FAILURE() << "no move to " << clientX << "," << clientY;
    return PointerPosition{};
}

void settle(HWND window)
{
    // A message sent from here is handled once the window thread is back in
    // its loop; UpdateWindow then makes any repaint it still owes.
    SendMessageA(window, WM_NULL, 0, 0);
    UpdateWindow(window);
    SendMessageA(window, WM_NULL, 0, 0);
}

bool openSettled(GdiConsole& console, int width, int height)
{
    if (!console.open(width, height, PREFER16, -1, -1, -1)) return false;
    settle(static_cast<HWND>(console.window()));
    return true;
}

void resizeClient(HWND window, int width, int height)
{
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetWindowPos(window, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                 height + (outer.bottom - outer.top) - client.bottom, SWP_NOZORDER | SWP_NOMOVE);
    settle(window);
}

}  // namespace vxr::testing
