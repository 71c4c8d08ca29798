#pragma once

#include <cstdint>
#include <vector>

#include "vxr/console/console_mode.h"
#include "vxr/console/event.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

class Surface;
class SurfaceStore;
class WindowInput;

struct ReservedRecord {
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::int32_t third = 0;
};

/// A display device. Used as it is, it is a console without a display: it is
/// usable, its surfaces keep their pixels in plain memory, and its keys come
/// from the process's terminal. The display consoles derive from it.
class Console {
public:
    /// Room a caller gives title() and name(), terminator included: a console
    /// keeps titles of at most TITLE_CAPACITY - 1 characters, and its name
    /// fits a ConsoleMode's driver field.
    static constexpr int TITLE_CAPACITY = 256;
    static constexpr int NAME_CAPACITY = 8;

    Console();
    virtual ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    virtual ReservedRecord reserved1() { return {}; }
    virtual int modes(std::vector<ConsoleMode>& list);
    virtual int openFormat(int width, int height, const PixelFormat& format, int output,
                           int parameter, int variant);
    virtual int open(int width, int height, int request, int output, int parameter, int variant);
    virtual int openMode(const ConsoleMode& mode);
    virtual ConsoleMode mode();
    virtual int setPalette(const Palette& palette);
    virtual int getPalette(Palette& palette);
    virtual int waitRetrace() { return 0; }
    virtual int reserved10(Surface&) { return 0; }
    virtual Surface* primary() { return nullptr; }
    virtual int reserved12(int, int) { return 0; }
    virtual int reserved13(int* first, int* second);
    virtual int reserved14() { return 0; }
    virtual int reserved15() { return 0; }
    virtual int reserved16() { return 0; }
    virtual int readKey();
    virtual int keyPressed();
    virtual int setTitle(const char* text);
    virtual int title(char* out);
    virtual int consoleId() { return CONSOLE_ID_BASE; }
    virtual void* handle() { return nullptr; }
    virtual int name(char* out);
    virtual int width() { return 0; }
    virtual int height() { return 0; }
    virtual int bits() { return 0; }
    virtual int bytes() { return 0; }
    virtual int output() { return 0; }
    virtual int parameter() { return 0; }
    virtual int variant() { return 0; }
    virtual PixelFormat format() { return {}; }
    virtual void* window() { return nullptr; }
    virtual int ok() { return 1; }
    virtual SurfaceStore* createStore(int* width, int* height, const PixelFormat* format,
                                      int* memoryKind, int* orientation, int* linePadding,
                                      int* variant);
    virtual int attach(Surface* surface);
    virtual int detach(Surface* surface);

    /// Not one of the interface's slots, and placed after them so that their
    /// order stays: a surface calls it before it lets go of its pixels, so a
    /// console that draws the surface from another thread stops first.
    virtual void surfaceLeaving(Surface* surface);

    /// Input and window events, after the interface's slots as well. A
    /// console without a window of its own has no events: these answer 0.
    ///
    /// Takes the oldest waiting event without waiting: 1 when out was filled.
    virtual int pollEvent(Event* out);
    /// Waits up to timeoutMilliseconds (negative: until an event comes or
    /// the window goes) for an event: 1 when out was filled.
    virtual int waitEvent(Event* out, int timeoutMilliseconds);
    /// With 1, the close box and the window manager's close post a Close
    /// event instead of ending the process (which stays the default, 0).
    /// Returns 1 where the console can do so.
    virtual int closeAsEvent(int wanted);
    /// Whether a key is held now, as the window's events last said.
    virtual int keyDown(Key key);
    /// The pointer's last position and the buttons held: 1 when out was filled.
    virtual int mouseState(MouseState* out);
    /// Events the full queue dropped since the last call.
    virtual std::uint64_t droppedEvents();
    /// Chooses how frames are stretched to the window (SCALING_SHARP or
    /// SCALING_COMPOSITOR) from the next frame on: 1 where this console
    /// scales that way.
    virtual int setScaling(int) { return 0; }

    /// The surfaces listed, in order, for inspection.
    std::vector<Surface*> attachedSurfaces() const;

    /// The console of every surface loaded from an image file.
    static Console& defaultConsole();

protected:
    /// The input a display console's window fills; null for consoles
    /// without one. The event operations above answer from it.
    virtual WindowInput* windowInput() { return nullptr; }

    /// Writes a console's name into a caller's NAME_CAPACITY bytes; returns
    /// what name() reports, its length plus the terminator.
    static int writeName(char* out, const char* text);
    /// Empties and unlinks every attached surface; display consoles call it
    /// once their display is closed, the base destructor calls it again.
    void releaseSurfaces();

private:
    struct Node {
        Surface* surface = nullptr;
        Node* next = nullptr;
        Node* previous = nullptr;
    };
    Node sentinel;
};

}  // namespace vxr
