#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "vxr/console/event.h"
#include "vxr/console/windows/gdi_console.h"
#include "vxr/surface/surface.h"

namespace vxr::testing {

// The client area as 0x00RRGGBB values, top line first, read back through
// the window's device context as a screen grab would see it.
struct ClientPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};
ClientPixels readClient(HWND window);

// Bits per pixel of the desktop (8, 16 or 32).
int desktopDepth();
// Whether a frame colour and a shown colour agree at the precision both the
// frame format and the desktop keep.
bool sameAtDepth(std::uint32_t expected, std::uint32_t actual, const PixelFormat& frameFormat);
// Every pixel of a frame as 0x00RRGGBB, indexed ones through its palette.
std::vector<std::uint32_t> frameColours(Surface& frame);

// Square blocks whose colours differ from each neighbour, so that shifted,
// mirrored or dropped lines show; on an 8-bit desktop the eight pure colours
// every system palette holds.
void fillBlocks(Surface& frame, int block);
void fillIndices(Surface& frame, int count);  // index (x + 3y) mod count
void fillColour(Surface& frame, std::uint32_t colour);

// Client pixels (every step-th both ways) that differ from the frame
// stretched over the whole client area with nearest-pixel sampling.
int mismatches(const ClientPixels& client, Surface& frame, int step = 1);
// The same at block centres only, for scales where GDI may round an edge
// either way.
int mismatchesAtBlockCentres(const ClientPixels& client, Surface& frame, int block);

// The frame position a client pixel maps to, read from the move a mouse
// message there makes.
PointerPosition pointerAt(Console& console, HWND window, int clientX, int clientY);

// Lets the window thread handle what is queued for it, repaints included,
// so that no late black fill overwrites a test's frame.
void settle(HWND window);
bool openSettled(GdiConsole& console, int width, int height);
void resizeClient(HWND window, int width, int height);

}  // namespace vxr::testing
