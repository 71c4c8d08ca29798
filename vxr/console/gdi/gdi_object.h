#pragma once

#include <windows.h>

namespace vxr {

// A GDI object (a bitmap, a palette) deleted when its owner lets it go.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    void reset(Handle object = nullptr)
    {
        if (held) DeleteObject(held);
        held = object;
    }
    Handle get() const { return held; }
    // Where the handle is kept, for callers that read it through a store's
    // nativeHandle().
    Handle* address() { return &held; }
    explicit operator bool() const { return held != nullptr; }

private:
    Handle held = nullptr;
};

}  // namespace vxr
