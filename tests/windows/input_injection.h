#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vxr/console/console.h"
#include "vxr/console/event.h"

namespace vxr::testing {

// Input made through the system's own injection path (SendInput), as a
// driver would make it, so that it travels through the message queue,
// TranslateMessage and the window procedure like a user's.
void pressKey(WORD virtualKey, bool extended = false);
void releaseKey(WORD virtualKey, bool extended = false);
void tapKey(WORD virtualKey, bool extended = false);
// A key press by scan code alone, as a keyboard sends it; the system finds
// the virtual key.
void pressScanCode(WORD scanCode, bool extended, bool up);
// UTF-16 units typed through the Unicode path: each arrives as WM_CHAR.
void typeUnits(const std::u16string& units);
// Puts the pointer on a screen pixel.
void movePointer(int screenX, int screenY);
// Buttons 1..5 as events number them.
void pressButton(int button, bool down);
void turnWheel(int delta, bool horizontal);

// A client-area pixel of a window as a screen pixel.
POINT onScreen(HWND window, int clientX, int clientY);
// Makes the window the one that takes the keyboard, as a click on it would.
void bringForward(HWND window);

// The pointer shape the system shows now (GetCursorInfo), null when none.
HCURSOR shownCursor();
// Lets the window thread handle what is queued for it, then waits a bounded
// while for the shown shape to become the one expected; returns the shape
// last seen, so a failure can say what was shown instead.
HCURSOR awaitCursor(HWND window, HCURSOR expected);

// Reads events until one of the wanted type arrives (true) or none has
// come for the limit; everything read on the way is kept in seen.
bool waitFor(Console& console, EventType type, std::vector<Event>& seen,
             std::chrono::milliseconds limit = std::chrono::seconds(10));
// The same for an event the predicate accepts.
bool waitUntil(Console& console, const std::function<bool(const Event&)>& wanted,
               std::vector<Event>& seen,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Puts the pointer on a screen pixel and returns the move that reached the
// window at the client pixel given. The X server reports the pointer's
// warps back a little later, and a report of an earlier position may still
// come: the move is made again until the pointer stays where it was put.
// A failure is recorded when it never does.
Event settledMove(Console& console, POINT screen, int windowX, int windowY);
// Reads what is queued now without waiting long, to clear the way.
void drain(Console& console);

std::string describe(const std::vector<Event>& events);

// The next event of the type (or the next of the type for the key), with a
// failure recorded that lists what came instead when it never arrives.
Event nextEvent(Console& console, EventType type);
Event nextKeyEvent(Console& console, EventType type, Key key);

}  // namespace vxr::testing
