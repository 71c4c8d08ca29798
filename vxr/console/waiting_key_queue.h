#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "vxr/console/key_queue.h"

namespace vxr {

// The key queue of a console whose window runs on a thread of its own: the
// window thread pushes, the application polls or waits. A wait ends with a
// key, or with 0 once the window has gone and no key can come.
class WaitingKeyQueue {
public:
    // The window is there from open() until close(); waits end at close().
    void open();
    void close();

    // Every key counts the same, 1; a full queue drops the press.
    int push();
    int hasKeys();
    int waitForKey();

private:
    std::mutex lock;
    std::condition_variable arrived;
    KeyQueue keys;
    bool windowOpen = false;
};

}  // namespace vxr
