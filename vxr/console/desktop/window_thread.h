#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "vxr/console/core/library_thread.h"
#include "vxr/non_copyable.h"

namespace vxr {

// The start every window thread shares: the opener starts the thread and
// waits until it has made its window (or failed) and said so, so that the
// opener's start record may live on its stack; then the thread runs its
// event loop until its window goes.
class WindowThread : NonCopyable {
public:
    WindowThread() = default;
    ~WindowThread() { join(); }

    // Runs body on a new thread; body calls signalStarted once, with
    // whether its window was made. Returns that, or false when no thread
    // could be started. The caller joins a thread that failed.
    template <typename Body>
    bool start(Body&& body)
    {
        {
            std::lock_guard<std::mutex> guard(startLock);
            started = startedOk = false;
        }
        if (!LibraryThread::start(thread, std::forward<Body>(body))) return false;
        std::unique_lock<std::mutex> guard(startLock);
        startSignal.wait(guard, [this] { return started; });
        return startedOk;
    }

    // On the window thread: the window is there (or not); the opener goes on.
    void signalStarted(bool made)
    {
        std::lock_guard<std::mutex> guard(startLock);
        started = true;
        startedOk = made;
        startSignal.notify_all();
    }

    // Only the program's thread closes a window, so the window thread is
    // never the one waited on here.
    void join()
    {
        if (thread.joinable()) thread.join();
    }
    bool isStarted() const { return thread.joinable(); }

private:
    std::thread thread;
    std::mutex startLock;
    std::condition_variable startSignal;
    bool started = false;
    bool startedOk = false;
};

}  // namespace vxr
