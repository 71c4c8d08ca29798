#pragma once

#include <atomic>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "vxr/console/event.h"
#include "vxr/console/input/event_queue.h"
#include "vxr/console/placement/frame_mapping.h"
#include "vxr/console/key.h"
#include "vxr/console/input/window_keys.h"

namespace vxr {

// Everything a console's window thread reports about input, in portable
// terms, and everything the application reads back: the event queue, the
// keys held, the mouse, the modifiers, and the count of key presses that
// readKey and keyPressed answer from. Each backend only turns its native
// events into calls on it.
//
// Its locks are taken last: a window thread may call in while holding any
// of its console's own locks, and nothing here calls out.
class WindowInput {
public:
    // countPresses: every key down (repeats included) is also one entry of
    // the key queue behind readKey and keyPressed; a console that keeps
    // that queue itself passes false.
    explicit WindowInput(bool countPresses = true);
    WindowInput(const WindowInput&) = delete;
    WindowInput& operator=(const WindowInput&) = delete;

    // ---- the window's life, on the application's thread -----------------
    // A window opens: earlier events and state are forgotten, readers wait.
    void windowOpened();
    // The window has gone: waits end; what was posted stays readable.
    void windowEnded();
    // Whether a close request is posted as an event (true) or ends the
    // process with exit code 0 (false, the default), on the program's
    // thread at its next call into the console. Kept across windows.
    void setCloseAsEvent(bool wanted) { closeEvents.store(wanted); }
    bool closesAsEvent() const { return closeEvents.load(); }

    // ---- on the window thread ---------------------------------------------
    void keyDown(Key key, std::uint32_t nativeCode, char32_t symbol, std::uint32_t modifiers,
                 bool repeat);
    void keyUp(Key key, std::uint32_t nativeCode, char32_t symbol, std::uint32_t modifiers);
    // One entry of the key queue, for a console that chooses itself which
    // presses count.
    void countPress() { keys.press(); }
    // Typed text, checked as UTF-8 and split into events between
    // characters; control characters are left out.
    void text(const char* utf8, std::size_t length);
    void textCodePoint(char32_t codePoint);
    void setModifiers(std::uint32_t modifiers);
    // Positions are window client pixels.
    void pointerMoved(std::int32_t windowX, std::int32_t windowY);
    void pointerButton(std::int32_t button, bool down);
    void wheel(float stepsX, float stepsY);
    void pointerEntered(std::int32_t windowX, std::int32_t windowY);
    void pointerLeft();
    void resized(std::int32_t width, std::int32_t height);
    // Focus lost also lets go of every key held, with a key up for each, so
    // that no key stays down for a program that never sees its release.
    void focusChanged(bool focused);
    // Posts the close event, or asks the program's thread to end the
    // process with exit code 0. Never ends it here: the window thread may
    // hold its console's locks, and the program may be drawing.
    void closeRequested();
    // The connection to the display is gone: a close nobody asked for. It
    // posts a Close that says so where the program takes closes as events;
    // otherwise the program's thread writes "vxr error: lost the display"
    // to standard error and ends the process with exit code 1.
    void displayLost();
    bool isDisplayLost() const { return lost.load(); }

    // ---- on the program's thread, at every call into the console ---------
    // Ends the process as a close or a loss asked; does nothing on a
    // library thread, or while nothing asked. Called before the caller
    // takes any lock, so that what runs at exit finds none held.
    void endIfAsked();
    // Whether the process is to end at the program's next call.
    bool isEndAsked() const { return endCode.load() >= 0; }

    // Where the frame is shown now, for mapping the pointer; the console
    // calls it whenever its presenter places the frame.
    void showFrame(std::int32_t frameWidth, std::int32_t frameHeight, const Rect& shownArea);

    // ---- for the application ---------------------------------------------
    // Each ends the process first where that was asked, and a wait that a
    // close or a loss woke ends it too.
    int readKey();
    int hasKeys();
    bool poll(Event& out);
    bool wait(Event& out, std::chrono::milliseconds limit);
    bool isKeyDown(Key key);
    MouseState mouse();
    std::uint32_t modifiers();
    std::uint64_t droppedEvents() { return events.droppedCount(); }

private:
    // An event of the pointer's state, taken under stateLock.
    Event pointerEvent(EventType type);
    // The pointer is at a window position now (moved, or came in).
    void pointerArrived(EventType type, std::int32_t windowX, std::int32_t windowY);
    void post(const Event& event) { events.post(event); }
    void releaseHeldKeys();
    // The process is to end with code: the program's waits end now.
    void askToEnd(int code);

    const bool countsPresses;
    std::atomic<bool> closeEvents{false};
    std::atomic<bool> lost{false};
    // The exit code the program's thread ends with; -1 while none is asked.
    std::atomic<int> endCode{-1};
    WindowKeys keys;
    EventQueue events;

    // Guards what follows; never held while posting.
    std::mutex stateLock;
    FrameMapping mapping;
    std::bitset<KEY_VALUE_LIMIT> held;
    std::uint32_t heldNative[KEY_VALUE_LIMIT] = {};
    MouseState mouseNow;
    std::uint32_t modifierBits = 0;
};

}  // namespace vxr
