#pragma once

/// @file
/// Console, a display device and the interface every display console
/// implements.

#include <cstdint>
#include <vector>

#include "vxr/console/console_mode.h"
#include "vxr/console/event.h"
#include "vxr/console/presentation.h"
#include "vxr/format/palette.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

class Surface;
class SurfaceStore;
class WindowInput;

/// What Console::reserved1() returns: kept so that the interface's order
/// stays fixed, carrying nothing here.
struct ReservedRecord {
    std::int32_t first = 0;   ///< always 0
    std::int32_t second = 0;  ///< always 0
    std::int32_t third = 0;   ///< always 0
};

/// A display device. Used as it is, it is a console without a display: it is
/// usable, its surfaces keep their pixels in plain memory, and its keys come
/// from the process's terminal. The display consoles derive from it.
///
/// The open codes: output FULLSCREEN or WINDOWED; parameter a refresh rate
/// in hertz, 0 for the display's own (no console here sets one); variant
/// VARIANT_DEFAULT. Each may be -1 for the console's own choice. Operations
/// return 1 on success and 0 on failure.
class Console {
public:
    /// Room a caller gives title(), terminator included: a console keeps
    /// titles of at most TITLE_CAPACITY - 1 characters.
    static constexpr int TITLE_CAPACITY = 256;
    /// Room a caller gives name(), terminator included; a name fits a
    /// ConsoleMode's driver field.
    static constexpr int NAME_CAPACITY = 8;

    /// A console without a display, usable at once.
    Console();
    /// Empties every surface still attached; they stay the application's to
    /// delete.
    virtual ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here and returns a zeroed record.
    virtual ReservedRecord reserved1() { return {}; }
    /// Fills list with the modes the console can open (a desktop window
    /// console lists the screen in its format, DirectDraw the display's
    /// modes). The base console has none: the list is emptied, and 0.
    virtual int modes(std::vector<ConsoleMode>& list);
    /// Opens the display with a width x height frame in format, closing what
    /// was open. 0 when the console cannot show that format; the base
    /// console opens nothing.
    virtual int openFormat(int width, int height, const PixelFormat& format, int output,
                           int parameter, int variant);
    /// As openFormat(), with the format given by request: PREFER8, PREFER16,
    /// PREFER32, DIRECT or INDEXED for the best mode of that kind, a format
    /// id, or a bit depth.
    virtual int open(int width, int height, int request, int output, int parameter, int variant);
    /// Opens a mode modes() listed; 0 for a mode another console reported.
    virtual int openMode(const ConsoleMode& mode);
    /// The open mode; a zeroed mode for the base console.
    virtual ConsoleMode mode();
    /// Sets an indexed display's colours; 0 where the display is not indexed.
    virtual int setPalette(const Palette& palette);
    /// Reads an indexed display's colours into palette; 0 where it is not
    /// indexed.
    virtual int getPalette(Palette& palette);
    /// Waits for the display's next vertical retrace (on a compositor, its
    /// next frame); 0 where the console cannot wait for one.
    virtual int waitRetrace() { return 0; }
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here (0).
    virtual int reserved10(Surface&) { return 0; }
    /// The surface that stands for the screen: copying a surface into it
    /// shows the pixels. Owned by the console; null while nothing is open.
    virtual Surface* primary() { return nullptr; }
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here (0).
    virtual int reserved12(int, int) { return 0; }
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here but set *first and *second to 0 (either may be null), and
    /// returns 0.
    virtual int reserved13(int* first, int* second);
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here (0).
    virtual int reserved14() { return 0; }
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here (0).
    virtual int reserved15() { return 0; }
    /// A slot kept so that the interface's order stays fixed; does nothing
    /// here (0).
    virtual int reserved16() { return 0; }
    /// Waits for a key press and takes it. With a window open every press
    /// reads as 1, and 0 comes once the window has gone; without one, a byte
    /// of the terminal's input, 0 at its end.
    virtual int readKey();
    /// 1 when a press (or terminal input) waits, so readKey() returns at once.
    virtual int keyPressed();
    /// Sets the window's title, kept for windows opened later; 0 for null
    /// text, or where no window shows it.
    virtual int setTitle(const char* text);
    /// Writes the title into out, TITLE_CAPACITY bytes; 0 for the base
    /// console.
    virtual int title(char* out);
    /// Which console this is: CONSOLE_ID_BASE or one of the CONSOLE_ID_ codes.
    virtual int consoleId() { return CONSOLE_ID_BASE; }
    /// Where the console keeps its native connection (xcb_connection_t** on
    /// X11, wl_display** on Wayland, HDC* for GDI, IDirectDraw** for
    /// DirectDraw); null for the base console.
    virtual void* handle() { return nullptr; }
    /// Writes the console's name ("X11", "Wayland", ...) into out,
    /// NAME_CAPACITY bytes; returns its length plus the terminator, 0 for a
    /// null out. The base console's name is "".
    virtual int name(char* out);
    /// The open frame's width in pixels; 0 while nothing is open.
    virtual int width() { return 0; }
    /// The open frame's height in pixels; 0 while nothing is open.
    virtual int height() { return 0; }
    /// The display format's bits per pixel; 0 without a display.
    virtual int bits() { return 0; }
    /// The display format's bytes per pixel; 0 without a display.
    virtual int bytes() { return 0; }
    /// The output the console was opened with; 0 while none.
    virtual int output() { return 0; }
    /// The parameter the console was opened with.
    virtual int parameter() { return 0; }
    /// VARIANT_DEFAULT for a display console, 0 for the base console.
    virtual int variant() { return 0; }
    /// The display's pixel format; empty without a display.
    virtual PixelFormat format() { return {}; }
    /// The native window (an HWND, the X window id, the wl_surface*; in a
    /// browser the canvas's CSS selector, a C string); null while none is
    /// open.
    virtual void* window() { return nullptr; }
    /// 1 when the console reached its display and may be opened; 0 when it
    /// could not (no server, no DirectDraw). The base console answers 1.
    virtual int ok() { return 1; }
    /// Makes a store for a surface. The pointers, none null, hold the
    /// surface's request (-1: any) and receive what the store chose; null
    /// when no store meets the request. The base console gives plain memory.
    /// The caller owns the store.
    virtual SurfaceStore* createStore(int* width, int* height, const PixelFormat* format,
                                      int* memoryKind, int* orientation, int* linePadding,
                                      int* variant);
    /// Lists surface as one of the console's, to be emptied when the console
    /// goes; 0 for null. Surfaces list themselves as they are made on a
    /// console, so a program has no need to call it.
    virtual int attach(Surface* surface);
    /// Takes surface off the list; 0 when it was not listed. Surfaces leave
    /// by themselves as they go.
    virtual int detach(Surface* surface);

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
    /// Chooses how frames are stretched to the window (SCALING_SHARP,
    /// SCALING_COMPOSITOR, SCALING_INTEGER or SCALING_STRETCH) from the next
    /// frame on; pointer positions map through the new placement at once.
    /// 1 where this console scales that way; 0, with the reason in
    /// lastError(), where it does not, and the old way stays.
    virtual int setScaling(int) { return 0; }
    /// Shows (1) or hides (0) the pointer while it is over the console's
    /// window: 1 where the console can.
    virtual int setPointerVisible(int) { return 0; }
    /// Switches the open window between a window (WINDOWED) and the whole
    /// screen (FULLSCREEN), the frame's aspect kept; output() and mode()
    /// report the new state and a Resize event follows. 0 where the console
    /// cannot switch, or has no window.
    virtual int setOutput(int) { return 0; }
    /// How many physical pixels the output the window is on gives one
    /// logical pixel (1.5 on a 144-DPI monitor): the window opens at the
    /// frame's size times it. A change is followed by a Resize event. 1
    /// where the console has no window or the platform does not tell.
    virtual double scale() { return 1.0; }
    /// Fills out with when the last presented frame reached the screen, as
    /// the platform reported it: 1 when out was filled, 0 while no frame has
    /// been reported shown or where the platform does not tell (out is left
    /// as it was).
    virtual int lastPresentation(Presentation*) { return 0; }
    /// With 1 (the default) the user may resize the window, down to the
    /// frame at one screen pixel a pixel (less where the screen is smaller);
    /// 0 keeps it at the size it opened at. For the open window and those to
    /// come; 1 where the console can, 0 with the reason in lastError().
    virtual int setResizable(int) { return 0; }

    /// The surfaces listed, in order, for inspection.
    std::vector<Surface*> attachedSurfaces() const;

    /// The console of every surface loaded from an image file.
    static Console& defaultConsole();

protected:
    /// The input a display console's window fills; null for consoles
    /// without one. The event operations above answer from it.
    virtual WindowInput* windowInput() { return nullptr; }

    /// Ends the process here, on the program's thread, where this console's
    /// window asked for that: a close that the program does not take as an
    /// event (exit code 0), or a lost display (exit code 1, after a line on
    /// standard error). A console's own operations call it as they begin,
    /// and so do surfaces when they are locked; on a thread the library
    /// started it does nothing.
    void endIfAsked();

    /// Writes a console's name into a caller's NAME_CAPACITY bytes; returns
    /// what name() reports, its length plus the terminator.
    static int writeName(char* out, const char* text);
    /// Empties and unlinks every attached surface; display consoles call it
    /// once their display is closed, the base destructor calls it again.
    void releaseSurfaces();

private:
    // What surfaces ask of their console, out of a program's reach.
    friend class Surface;

    // A surface calls it before it lets go of its pixels, so that a console
    // that draws the surface from another thread stops first. Virtual, and
    // after the interface's slots, so that their order stays.
    virtual void surfaceLeaving(Surface* surface);

    struct Node {
        Surface* surface = nullptr;
        Node* next = nullptr;
        Node* previous = nullptr;
    };
    Node sentinel;
};

}  // namespace vxr
