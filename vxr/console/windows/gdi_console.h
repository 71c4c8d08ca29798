#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "vxr/console/core/frame_presenter.h"
#include "vxr/console/windows/draw_dib_binding.h"
#include "vxr/console/windows/owned_resource.h"
#include "vxr/console/windows/repaint_handoff.h"
#include "vxr/console/windows/window_console.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"
#include "vxr/format/rect.h"
#include "vxr/surface/surface_store.h"

namespace vxr {

class DibStore;

// Shows frames in an ordinary desktop window through GDI, in whatever format
// the desktop has; a frame is stretched to the client area as the program's
// choice of scaling places it (at its own aspect, in whole multiples, or
// over the whole client), with black bars around it.
//
// Every surface made on it lives in a DIB section when GDI can hold its
// format. A present copies the frame, converted to the desktop's format
// where the library can, into a DIB section of the console's own, and
// draws that: the window thread repaints from the copy of the last whole
// frame and never reads the program's pixels, which the program may be
// rewriting meanwhile. Two such copies take turns: the shown one, read under
// presentLock, and the next one, which only the program's thread touches,
// so the copy is made without holding a lock the window thread waits for.
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
    // The DPI of the window's monitor against 96.
    double scale() override;

    // Shows an area of a surface in the window. The destination area is in
    // the screen surface's coordinates and is scaled onto the frame's place
    // in the client area as it is now; non-zero when something was drawn.
    int present(Surface* source, const Rect& sourceArea, const Rect& destinationArea) override;
    // The same with the copy's flags, which GDI honours.
    int presentCopy(Surface* source, const Rect& sourceArea, const Rect& destinationArea,
                    int flags) override;

    // The GDI logical palette built from the last palette set, laid out as
    // CreatePalette reads it.
    struct LogicalPalette {
        WORD version;
        WORD entryCount;
        PALETTEENTRY entries[256];
    };

    // The copy the window shows and repaints from (null until a whole frame
    // was shown), and the one the next present fills.
    Surface* shownFrame() const { return holdsShownFrame ? shownCopy : nullptr; }
    Surface* nextFrame() const { return nextCopy; }
    const LogicalPalette* logicalPalette() const { return logicalColours.get(); }
    HPALETTE paletteHandle() const { return displayPalette.get(); }
    DrawDibBinding* drawDib() const { return drawDibBinding.get(); }

    // Where a destination area in screen-surface coordinates lands on a
    // client area of the given size. Right and bottom are held inside the
    // client area; left and top are not.
    static Rect scaleToClient(const Rect& destinationArea, int clientWidth, int clientHeight);

    // The pairs of every activated GDI window and its console.
    static WindowRegistry& registry();

protected:
    // The screen draws into the window; every other surface lives in a DIB
    // section where GDI can hold its format.
    SurfaceStore* makeScreenStore(StoreRequest& request) override;
    SurfaceStore* makeProgramStore(StoreRequest& request) override;
    // The frame is placed in the client area as the scaling says.
    Rect frameArea(int clientAreaWidth, int clientAreaHeight) override;
    bool repaintFrame() override;

    // GDI opens windows only, in the desktop's format, and reuses its
    // window where that fits the new frame.
    bool canOpenWindow(int output) override;
    bool openWindow(int width, int height, int output) override;
    bool refitWindow(int width, int height, int output) override;
    void closeWindow() override;
    void dpiChanged(int dpi) override;
    bool placeFrameFor(int scaling) override;
    bool applyResizing() override;
    bool limitTracking(HWND window, MINMAXINFO* limits) override;

private:
    static int screenCapability(int index);
    static PixelFormat desktopFormat();
    static ConsoleMode desktopMode();
    static void registerWindowClass();
    static LRESULT CALLBACK windowedProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam);

    bool showFrames();
    // The outer size of a window that shows a frame of the given size at
    // the DPI of the monitor it is on.
    SIZE windowSizeFor(int width, int height) const;
    // A window with a frame of its own, resizable or fixed as asked.
    DWORD windowedStyle() const;
    // When the frame just drawn reaches the screen.
    void notePresented();
    int activateWindow();
    int coverScreen();
    int restoreWindow();
    void fillBars(const Rect& area, int windowWidth, int windowHeight);
    int createCopies();
    void releaseCopies();
    int buildPalette();
    void releasePalette();
    LRESULT realisePalette(BOOL background);

    // The frame into the next copy, on the program's thread; the copy, or
    // null with a reason.
    Surface* copyFrame(Surface& source, const Rect& sourceArea, const Rect& destinationArea,
                       int flags);
    bool prepareNextCopy(const PixelFormat& format);
    Surface* makeCopy(const PixelFormat& format);
    void keepShown(const Rect& area);
    void forgetShown();

    // The two ways onto the window, and what a draw does for each kind of
    // copy; each returns non-zero when it drew. Under presentLock.
    int drawThroughDrawDib(DibStore& store, const Rect& target, const Rect& source, UINT flags);
    int drawThroughStretchBlt(DibStore& store, const Rect& target, const Rect& source,
                              const std::uint32_t* colours, bool selectPalette);
    int drawIndexed(DibStore& store, const Rect& target, const Rect& area);
    int drawDirect(Surface& copy, DibStore& store, const Rect& target, const Rect& area);
    // Draws an area of a copy, which lies where it does on the screen
    // surface; whole says whether it covered the frame's whole place.
    int drawLocked(Surface& copy, const Rect& area, bool* whole);

    Surface* shownCopy = nullptr;  // swapped and read under presentLock
    Surface* nextCopy = nullptr;   // the program's thread alone
    Rect shownArea{};              // the shown copy's area, under presentLock
    bool holdsShownFrame = false;  // under presentLock
    RepaintHandoff repaintHandoff;
    Palette consolePalette;
    std::unique_ptr<LogicalPalette> logicalColours;
    GdiObject<HPALETTE> displayPalette;
    std::unique_ptr<DrawDibBinding> drawDibBinding;
    std::int32_t gdiOk = 1;
    // Written on the window thread when the window changes monitors.
    std::atomic<int> monitorDpi{96};
    // How the frame is placed in the client area: read on the window thread
    // and under presentLock, set by the program's thread.
    std::atomic<int> placement{SCALING_SHARP};
    // Where the window stood before it covered the screen.
    RECT windowedPlace{};
};

}  // namespace vxr
