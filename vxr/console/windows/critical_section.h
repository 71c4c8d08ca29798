#pragma once

#include <windows.h>

namespace vxr {

// A Win32 critical section that lives and dies with its owner. Recursive, as
// Win32 makes it: a repaint may present while it already holds the lock.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section); }
    ~CriticalSection() { DeleteCriticalSection(&section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() { EnterCriticalSection(&section); }
    void leave() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

}  // namespace vxr
