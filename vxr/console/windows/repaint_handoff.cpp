#include "vxr/console/windows/repaint_handoff.h"

namespace vxr {
namespace {

// How long the program waits for one repaint at most: a window thread
// that is slow to run costs the program no more than this per present.
constexpr DWORD LONGEST_WAIT_MS = 50;

}  // namespace

RepaintHandoff::RepaintHandoff() : turnTaken(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void RepaintHandoff::repaintHasLock()
{
    waiting.fetch_sub(1);
    turns.fetch_add(1);
    if (turnTaken) SetEvent(turnTaken.get());
}

void RepaintHandoff::letRepaintIn(std::uint32_t turnUnderLock)
{
    if (waiting.load() <= 0 || !turnTaken) return;
    // The event may still be set by a turn no one waited for: the count of
    // turns, not the event, says whether this repaint got its own.
    const DWORD start = GetTickCount();
    while (turns.load() == turnUnderLock && waiting.load() > 0) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= LONGEST_WAIT_MS) return;
        WaitForSingleObject(turnTaken.get(), LONGEST_WAIT_MS - spent);
    }
}

}  // namespace vxr
