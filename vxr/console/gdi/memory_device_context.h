#pragma once

#include <windows.h>

namespace vxr {

// A memory device context compatible with another, deleted with its owner.
class MemoryDeviceContext {
public:
    explicit MemoryDeviceContext(HDC compatibleWith) : context(CreateCompatibleDC(compatibleWith))
    {
    }
    ~MemoryDeviceContext()
    {
        if (context) DeleteDC(context);
    }
    MemoryDeviceContext(const MemoryDeviceContext&) = delete;
    MemoryDeviceContext& operator=(const MemoryDeviceContext&) = delete;

    HDC get() const { return context; }
    explicit operator bool() const { return context != nullptr; }

private:
    HDC context;
};

}  // namespace vxr
