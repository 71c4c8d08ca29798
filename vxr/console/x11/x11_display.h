#pragma once

#include <xcb/present.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>

#include "vxr/console/desktop/display_connection.h"
#include "vxr/format/pixel_format.h"

namespace vxr {

class PresentationRecord;

// One connection to the X server named by DISPLAY, with what the consoles
// need to know about its screen: the root visual's pixel format, the image
// layout, the extensions that are there, and the atoms of the window
// manager conventions. Requests may be sent from any thread; the connection's
// events are read only through waitForCompletion, by one thread at a time.
class X11Display : public DisplayConnection {
public:
    struct Atoms {
        xcb_atom_t protocols = XCB_NONE;
        xcb_atom_t deleteWindow = XCB_NONE;
        xcb_atom_t name = XCB_NONE;
        xcb_atom_t utf8String = XCB_NONE;
        xcb_atom_t icon = XCB_NONE;
        xcb_atom_t state = XCB_NONE;
        xcb_atom_t stateFullscreen = XCB_NONE;
        xcb_atom_t supportingCheck = XCB_NONE;
    };

    // Longest display name kept; DISPLAY values are a few characters.
    static constexpr int NAME_CAPACITY = 256;

    X11Display();
    ~X11Display();
    bool isUsable() const override;
    xcb_connection_t* connection() const { return link; }
    // The name the connection was made to, for a second connection to the
    // same display.
    const char* name() const { return displayName; }

    xcb_window_t root() const { return rootWindow; }
    xcb_visualid_t visual() const { return rootVisual; }
    std::uint8_t depth() const { return rootDepth; }
    std::uint8_t visualClass() const { return rootVisualClass; }
    std::int32_t screenWidth() const { return widthInPixels; }
    std::int32_t screenHeight() const { return heightInPixels; }
    std::uint32_t blackPixel() const { return black; }
    // The layout of the visual's pixels, which may be no table format.
    const PixelFormat& format() const { return pixelFormat; }
    // The format the console's surfaces and frames are in: the visual's own
    // where the library's table has it, else one of the same pixel size.
    PixelFormat frameFormat() const;
    // The root visual's description; null when the screen did not list it.
    const xcb_visualtype_t* visualType() const
    {
        return rootVisualType.visual_id ? &rootVisualType : nullptr;
    }
    bool isDirectColor() const { return rootVisualClass == XCB_VISUAL_CLASS_DIRECT_COLOR; }
    bool isPseudoColor() const { return rootVisualClass == XCB_VISUAL_CLASS_PSEUDO_COLOR; }
    bool hasSharedMemory() const { return sharedMemory; }
    bool hasPresent() const { return presentExtension; }
    const Atoms& atoms() const { return names; }

    // Bytes from one line of a width-pixel image to the next, as the server
    // lays images out; -1 when that does not fit 32 bits.
    std::int64_t imageStride(std::int32_t width) const;
    // The most pixel data one plain image request may carry.
    std::uint32_t maxImageBytes() const { return largestRequest; }
    // Whether a window manager that follows the desktop conventions runs.
    bool hasWindowManager() const;

    // Waits until the server has finished the request with this sequence
    // number (a completion or an error for it, or for a later request,
    // arrived). False when the connection fails or the server stays silent
    // for a long time. The caller serialises readers of the events.
    bool waitForCompletion(std::uint32_t sequence);
    // What a report of a window's next refresh stands for.
    enum class Refresh {
        Retrace,     // a refresh to wait for (waitForRetrace)
        FrameShown,  // the refresh at which what was drawn so far is shown
    };
    // Asks the Present extension to report the window's next refresh, and
    // gives the serial the report will carry; 0 where a frame's report that
    // was asked for already stands for this one. Not flushed.
    std::uint32_t askForNextRefresh(xcb_window_t window, Refresh meaning);
    // Waits for the Present extension's completion of the NotifyMSC request
    // with this serial (a window's next frame); false when it does not come
    // within a few frames or the connection fails. The same readers' rule.
    bool waitForRetrace(std::uint32_t serial);
    // Reads the events that have arrived, without waiting: frames' reports
    // reach the record. The same readers' rule.
    void takeArrivedEvents();
    // Where the frames' reports go as they are read; the record's lock is
    // taken inside the readers' own.
    void recordPresentationsIn(PresentationRecord& record) { presentations = &record; }
    // Only the reports of this window's frames reach the record (none for
    // XCB_NONE), so that a closed window's late reports are dropped. Under
    // the readers' rule.
    void recordFramesOf(xcb_window_t window);

    // The pixel format of a visual's pixels in the server's image layout;
    // the empty format for visuals the library cannot draw into. Bits the
    // visual leaves unused count as alpha, so that depth 24 in 32-bit pixels
    // is ARGB8888; a channel wider than 8 bits gets its top 8.
    static PixelFormat formatOf(const xcb_visualtype_t& visual, std::uint8_t depth,
                                std::int32_t bitsPerPixel, std::uint8_t imageByteOrder);

private:
    bool readScreen(int screenNumber);
    void readExtensions();
    // Why a connection failed, from xcb's error code.
    static const char* connectionFailure(int code);
    void internAtoms();
    void noteEvent(const xcb_generic_event_t& event);
    void notePresentEvent(const xcb_present_complete_notify_event_t& notice);
    void noteQueuedEvents();
    bool isCompleted(std::uint32_t sequence) const;
    template <class Condition>
    bool waitUntil(Condition reached, std::chrono::milliseconds limit);

    char displayName[NAME_CAPACITY] = {};
    xcb_connection_t* link = nullptr;
    xcb_window_t rootWindow = 0;
    xcb_visualid_t rootVisual = 0;
    std::uint8_t rootDepth = 0;
    std::uint8_t rootVisualClass = 0;
    std::int32_t widthInPixels = 0;
    std::int32_t heightInPixels = 0;
    std::uint32_t black = 0;
    std::int32_t bitsPerPixel = 0;
    std::int32_t scanlinePad = 32;
    std::uint32_t largestRequest = 0;
    PixelFormat pixelFormat;
    xcb_visualtype_t rootVisualType{};
    bool sharedMemory = false;
    bool presentExtension = false;
    std::uint8_t completionEvent = 0;
    std::uint8_t presentOpcode = 0;
    std::uint32_t completedThrough = 0;
    std::uint32_t lastRetrace = 0;
    std::uint32_t retraceSerial = 0;
    std::uint32_t frameSerial = 0;
    bool frameReportPending = false;
    int framesSinceAsked = 0;
    xcb_window_t shownWindow = XCB_NONE;
    PresentationRecord* presentations = nullptr;
    Atoms names;
};

}  // namespace vxr
