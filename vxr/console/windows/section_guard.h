#pragma once

#include "vxr/console/windows/critical_section.h"

namespace vxr {

// Holds a critical section for as long as it lives.
class SectionGuard {
public:
    explicit SectionGuard(CriticalSection& section) : held(section) { held.enter(); }
    ~SectionGuard() { held.leave(); }
    SectionGuard(const SectionGuard&) = delete;
    SectionGuard& operator=(const SectionGuard&) = delete;

private:
    CriticalSection& held;
};

}  // namespace vxr
