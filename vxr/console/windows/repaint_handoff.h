#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "vxr/console/windows/owned_resource.h"

namespace vxr {

// Hands a lock from a program that presents in a tight loop to a repaint
// waiting for it. A critical section is not fair: the presenting thread
// would take it again before the window thread, woken for it, gets its
// turn, and the window would not repaint while the program presents.
//
// The window thread says when it waits and when it got the lock; the
// program's thread, right after it let go of the lock, waits for a repaint
// that was waiting meanwhile to get it, briefly, and never when none waits.
class RepaintHandoff {
public:
    RepaintHandoff();

    // On the window thread, before it takes the lock and once it holds it.
    void repaintWaits() { waiting.fetch_add(1); }
    void repaintHasLock();

    // On the program's thread, under the lock: the turn to wait past.
    std::uint32_t turn() const { return turns.load(); }
    // On the program's thread, after it let go of the lock.
    void letRepaintIn(std::uint32_t turnUnderLock);

private:
    std::atomic<std::int32_t> waiting{0};
    std::atomic<std::uint32_t> turns{0};
    OwnedHandle turnTaken;  // an auto-reset event, set at every turn
};

}  // namespace vxr
