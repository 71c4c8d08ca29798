#pragma once

#include <cstdint>
#include <vector>

#include "vxr/console/console.h"
#include "vxr/console/console_mode.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

class Surface;
class SurfaceStore;

// A console that opens a real display: the state every such console keeps
// about the display it opened (its format, the output and parameter it was
// opened with, its screen surface) and the queries that report it, written
// once for all of them.
class DisplayConsole : public Console {
public:
    // A console that cannot change the display opens in the display's format
    // alone: every preference, that format's id and its bit depth.
    int open(int width, int height, int request, int output, int parameter, int variant) override
    {
        return openRequestInDisplayFormat(width, height, request, output, parameter, variant);
    }
    int openFormat(int width, int height, const PixelFormat& format, int output, int parameter,
                   int variant) override
    {
        return openFormatInDisplayFormat(width, height, format, output, parameter, variant);
    }
    int openMode(const ConsoleMode& requested) override;
    ConsoleMode mode() override;
    Surface* primary() override { return primarySurface; }
    int bits() override { return displayFormat.bits; }
    int bytes() override { return displayFormat.bytes; }
    int output() override { return openOutput; }
    int parameter() override { return openParameter; }
    int variant() override { return 10; }
    PixelFormat format() override { return displayFormat; }
    // Display consoles scale with the library's nearest-pixel scaler unless
    // they say otherwise.
    int setScaling(int scaling) override { return scaling == SCALING_SHARP ? 1 : 0; }

    // The console's own screen gets the store makeScreenStore makes, every
    // other surface the one makeProgramStore makes; either falls back to
    // plain memory where its kind cannot be made.
    SurfaceStore* createStore(int* width, int* height, const PixelFormat* format, int* memoryKind,
                              int* orientation, int* linePadding, int* variant) override;

    // Whether the surface being created now is the console's own screen, so
    // that only the console itself ever gets a store of the display.
    int isCreatingPrimary() const { return creatingPrimary; }

protected:
    // A store request: it holds the surface's wishes (-1: any) and receives
    // what the store chose.
    struct StoreRequest {
        int& width;
        int& height;
        const PixelFormat& format;
        int& memoryKind;
        int& orientation;
        int& linePadding;
        int& variant;
    };
    // The store of the console's screen surface, and of a program's
    // surface; null, or a store that is not valid, leaves plain memory.
    virtual SurfaceStore* makeScreenStore(StoreRequest&) { return nullptr; }
    virtual SurfaceStore* makeProgramStore(StoreRequest&) { return nullptr; }

    // For consoles that cannot change the display: every preference, the
    // display format's id and its bit depth open that format through
    // openDisplayFormat; any other request fails.
    int openRequestInDisplayFormat(int width, int height, int request, int output, int parameter,
                                   int variant);
    int openFormatInDisplayFormat(int width, int height, const PixelFormat& format, int output,
                                  int parameter, int variant);
    virtual int openDisplayFormat(int, int, int, int, int) { return 0; }

    // For consoles that show frames in a desktop window, windowed or over the
    // whole screen. Settles an open's codes (-1 becomes WINDOWED, 0 and 10)
    // and refuses sizes no window can have.
    static bool settleWindowRequest(int width, int height, int& output, int& parameter,
                                    int variant);
    // Reports the one mode such a console has: the screen in its format.
    int reportScreenMode(std::vector<ConsoleMode>& list, std::int32_t screenWidth,
                         std::int32_t screenHeight);

    // The console's screen surface, of the given size in the display format,
    // made while isCreatingPrimary() says so; null when it cannot be made.
    Surface* makeScreenSurface(std::int32_t width, std::int32_t height);
    // Replaces the screen surface with one of the given size; false, with
    // none left, when it cannot be made.
    bool replacePrimary(std::int32_t width, std::int32_t height);

    PixelFormat displayFormat;
    std::int32_t openOutput = 0;
    std::int32_t openParameter = 0;
    std::int32_t creatingPrimary = 0;
    Surface* primarySurface = nullptr;
};

}  // namespace vxr
