#pragma once

#include <windows.h>

namespace vxr {

// A kernel handle (an event, a thread) closed when its owner lets it go.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : held(handle) {}
    ~OwnedHandle() { reset(); }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    void reset(HANDLE handle = nullptr)
    {
        if (held) CloseHandle(held);
        held = handle;
    }
    HANDLE get() const { return held; }
    explicit operator bool() const { return held != nullptr; }

private:
    HANDLE held = nullptr;
};

}  // namespace vxr
