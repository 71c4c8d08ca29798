#pragma once

#include <windows.h>
#include <ddraw.h>

#include <cstdint>

#include "vxr/console/windows/owned_resource.h"
#include "vxr/console/windows/window_console.h"

namespace vxr {

class DirectXStore;

// A full-screen display through DirectDraw: the console changes the display
// mode to the requested size and a depth chosen from the request, holds the
// exclusive level through a hidden popup window, and keeps its screen
// surface in the DirectDraw primary surface. Frames reach the screen as one
// converting copy into the locked primary surface.
//
// A console that loaded DirectDraw keeps the process at high priority until
// it is destroyed; destroying it gives the display back as it was found.
class DirectXConsole : public WindowConsole {
public:
    // The front end passes null: the console makes its own windows.
    explicit DirectXConsole(HWND given);
    ~DirectXConsole() override;

    int openFormat(int width, int height, const PixelFormat& format, int output, int parameter,
                   int variant) override;
    int open(int width, int height, int request, int output, int parameter, int variant) override;
    int setPalette(const Palette& palette) override;
    int getPalette(Palette& palette) override;
    int waitRetrace() override;
    int consoleId() override { return CONSOLE_ID_DIRECTX; }
    void* handle() override { return directDraw.address(); }
    int name(char* out) override;
    int ok() override { return constructedOk && ready ? 1 : 0; }

    // For the stores this console makes: whether the surface asked for now
    // is the console's own screen, and surface creation through whichever
    // DirectDraw interface the console holds.
    HRESULT createSurface(DDSURFACEDESC* description, IDirectDrawSurface** created);
    // The primary surface's last lock ended: what was written into the
    // display's memory is seen from its next refresh. Every such unlock
    // counts, since a store is never told whether it was written.
    void screenWritten() { noteShownAtNextRefresh(); }

protected:
    // The screen and the program's surfaces alike are DirectDraw surfaces
    // where DirectDraw can hold them.
    SurfaceStore* makeScreenStore(StoreRequest& request) override { return makeStore(request); }
    SurfaceStore* makeProgramStore(StoreRequest& request) override { return makeStore(request); }
    // The screen surface is the display: the frame lies at the screen's
    // origin, wherever the window is.
    Rect frameArea(int clientAreaWidth, int clientAreaHeight) override;

private:
    int loadDirectDraw();
    void releaseDirectDraw();
    void registerWindowClass();
    void enumerateModes();
    static HRESULT CALLBACK addReportedMode(LPDDSURFACEDESC description, LPVOID context);
    PixelFormat readDisplayFormat();

    int openPreferred(int width, int height, int request, int output, int parameter,
                      int variant);
    int openExact(int width, int height, const PixelFormat& format, int output, int parameter,
                  int variant);
    static bool settleRequest(int width, int height, int& output, int& parameter, int variant);
    int beginOpen(int width, int height, int output, int parameter, int variant);
    int endOpen(int width, int height, const PixelFormat& display, int output, int parameter);
    int modeAvailable(int width, int height, int request) const;
    int exactModeAvailable(int width, int height, const PixelFormat& format) const;
    int setPreferredMode(int width, int height, int request);
    int setExactMode(int width, int height, const PixelFormat& format);
    int setDisplayMode(int width, int height, int bits);
    int setExclusive();
    HRESULT setCooperativeLevel(HWND window, DWORD flags);

    bool openWindow(int width, int height, int output) override;
    int finishOpen(int width, int height, const PixelFormat& format, int output, int parameter);
    int createPrimary();
    void destroyPrimary();
    void restoreDisplay();
    // Gives the display mode back and lets go of the screen surface.
    void leaveDisplay();
    void close();
    bool isOpen() const { return primarySurface != nullptr; }
    DirectXStore* screenStore() const;
    // The screen's store while the display is open; null otherwise, with
    // the reason that the display is not open and what is missing.
    DirectXStore* openScreenStore(const char* missing) const;
    SurfaceStore* makeStore(StoreRequest& request);

    static LRESULT CALLBACK fullscreenProcedure(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam);
    static LRESULT handlePaletteMessage(DirectXConsole* console, HWND window, UINT message,
                                        WPARAM wParam, LPARAM lParam);
    static WindowRegistry& registry();

    // Calls on the DirectDraw object that may touch the window run on the
    // window's own thread (see the source for why); the rest run here.
    struct WindowThreadCall;
    template <class Call>
    HRESULT onWindowThread(Call call);
    template <class Call>
    HRESULT useDirectDraw(Call call);
    template <class Call>
    HRESULT callDirectDraw(Call call);
    static bool runWindowThreadCall(HWND window, UINT message, LPARAM lParam);

    ComPointer<IDirectDraw> directDraw;
    ComPointer<IDirectDraw2> directDraw2;
    LoadedLibrary directDrawLibrary;
    std::int32_t ready = 0;
};

}  // namespace vxr
