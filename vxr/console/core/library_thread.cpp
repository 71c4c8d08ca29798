#include "vxr/console/core/library_thread.h"

#include <atomic>

namespace vxr {
namespace {

thread_local bool startedByLibrary = false;
std::atomic<int> liveThreads{0};

// Lives as long as a marked thread: its destructor runs as the thread ends,
// before a join of it returns.
struct LiveMark {
    LiveMark() { liveThreads.fetch_add(1); }
    ~LiveMark() { liveThreads.fetch_sub(1); }
};

}  // namespace

void LibraryThread::markCurrent()
{
    if (startedByLibrary) return;
    startedByLibrary = true;
    static thread_local LiveMark mark;
}

bool LibraryThread::isCurrent() { return startedByLibrary; }

int LibraryThread::running() { return liveThreads.load(); }

}  // namespace vxr
