#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "vxr/console/input/key_queue.h"

namespace vxr {

// The keys a console's window thread collects for the application: every
// press is one entry in a KeyQueue (a full queue drops it), and readers wait
// for one until the window goes away. Its lock is taken last, inside any of
// the console's own.
class WindowKeys {
public:
    // A window opens: readers wait for its keys from now on.
    void windowOpened();
    // The window has gone: readers waiting for a key stop waiting.
    void windowEnded();
    // On the window thread: one press.
    void press();
    // Waits for a key and takes it; 0 once the window has gone and no key
    // is left.
    int read();
    int hasKeys();

private:
    std::mutex lock;
    std::condition_variable arrived;
    KeyQueue queue;
    bool windowRunning = false;
};

}  // namespace vxr
