#pragma once

#include <windows.h>

namespace vxr {

// Holds a critical section for as long as it lives.
class SectionGuard {
public:
    explicit SectionGuard(CRITICAL_SECTION& section) : held(section) { EnterCriticalSection(&held); }
    ~SectionGuard() { LeaveCriticalSection(&held); }
    SectionGuard(const SectionGuard&) = delete;
    SectionGuard& operator=(const SectionGuard&) = delete;

private:
    CRITICAL_SECTION& held;
};

}  // namespace vxr
