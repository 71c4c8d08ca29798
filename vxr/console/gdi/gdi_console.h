#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "vxr/console/frame_presenter.h"
#include "vxr/console/gdi/draw_dib_binding.h"
#include "vxr/console/win32/owned_resource.h"
#include "vxr/console/win32/window_console.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"
#include "vxr/surface/surface_store.h"

namespace vxr {

class DibStore;

// Shows frames in an ordinary desktop window through GDI, in whatever format
// the desktop has; frames of any size are stretched to the client area.
// Every surface made on it lives in a DIB section when GDI can hold its
// format, so a frame is drawn straight from the application's pixels.
class GdiConsole : public WindowConsole, public FramePresenter {
public:
    // A null window makes the console open windows of its own; a given
    // window is drawn into as it is and never opened.
    explicit GdiConsole(HWND given);
    ~GdiConsole() override;

    int openFormat(int width, int height, const PixelFormat& format, int output, int parameter,
                   int variant) override;
    int open(int width, int height, int request, int output, int parameter,
             int variant) override;
    int setPalette(const Palette& palette) override;
    int getPalette(Palette& palette) override;
    int name(char* out) override;
    // Turns the open window into a borderless one over its whole monitor,
    // the frame letterboxed there, and back into the window it was.
    int setOutput(int output) override;
    int ok() override { return constructedOk ? gdiOk : 0; }
    SurfaceStore* createStore(int* width, int* height, const PixelFormat* format,
                              int* memoryKind, int* orientation, int* linePadding,
                              int* variant) override;

    // Draws an area of a DIB-backed surface onto the window. The destination
    // area is in the screen surface's coordinates and is scaled onto the
    // client area as it is now; non-zero when something was drawn.
    int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) override;
    // For a surface that is not a DIB section: converts the area into the
    // staging surface and presents the staging surface's copy instead.
    int presentConverted(Surface* source, const Rect& sourceArea, const Rect& destinationArea,
                         int flags);

    // The GDI logical palette built from the last palette set, laid out as
    // CreatePalette reads it.
    struct LogicalPalette {
        WORD version;
        WORD entryCount;
        PALETTEENTRY entries[256];
    };

    Surface* staging() const { return stagingSurface; }
    const LogicalPalette* logicalPalette() const { return logicalColours.get(); }
    HPALETTE paletteHandle() const { return displayPalette.get(); }
    DrawDibBinding* drawDib() const { return drawDibBinding.get(); }

    // Where a destination area in screen-surface coordinates lands on a
    // client area of the given size. Right and bottom are held inside the
    // client area; left and top are not.
    static Rect scaleToClient(const Rect& destinationArea, int clientWidth, int clientHeight);

    // The pairs of every activated GDI window and its console.
    static WindowRegistry& registry();

    // Where a frame of the given size is shown in a client area: all of it
    // in a window, centred at its own aspect over the whole screen.
    static Rect shownArea(int frameWidth, int frameHeight, int clientAreaWidth,
                          int clientAreaHeight, bool letterboxed);

protected:
    // The frame fills shownArea.
    Rect frameArea(int clientAreaWidth, int clientAreaHeight) override;

private:
    static int screenCapability(int index);
    static PixelFormat desktopFormat();
    static ConsoleMode desktopMode();
    static void registerClasses();
    static LRESULT CALLBACK windowedProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam);
    static LRESULT CALLBACK fullscreenProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam);

    int openWindowed(int width, int height, int output, int parameter, int variant);
    int prepareWindow(int width, int height, int output);
    int fitWindow(int width, int height, int output);
    int activateWindow(int output);
    int coverScreen();
    int restoreWindow();
    void setOutputState(int output);
    void fillBars(const Rect& area, int windowWidth, int windowHeight);
    void closeGdiWindow();
    int createPrimary();
    int createStaging();
    void releaseScreenSurfaces();
    void shareStagingPalette();
    int buildPalette();
    void releasePalette();
    LRESULT realisePalette(BOOL background);

    // The two ways onto the window, and what present does for each kind of
    // source; each returns non-zero when it drew.
    int drawThroughDrawDib(DibStore& store, const Rect& target, const Rect& source, UINT flags);
    int drawThroughStretchBlt(DibStore& store, const Rect& target, const Rect& source,
                              const std::uint32_t* colours, bool selectPalette);
    int drawIndexed(Surface& source, DibStore& store, const Rect& target, const Rect& area);
    int drawDirect(Surface& source, DibStore& store, const Rect& target, const Rect& area);
    int drawLocked(Surface* source, const Rect& sourceArea, const Rect& destinationArea);
    void remember(Surface* source, const Rect& sourceArea, const Rect& destinationArea);

    Surface* stagingSurface = nullptr;
    Palette consolePalette;
    std::unique_ptr<LogicalPalette> logicalColours;
    GdiObject<HPALETTE> displayPalette;
    std::unique_ptr<DrawDibBinding> drawDibBinding;
    std::int32_t gdiOk = 1;
    // Where the window stood before it covered the screen.
    RECT windowedPlace{};
};

}  // namespace vxr
