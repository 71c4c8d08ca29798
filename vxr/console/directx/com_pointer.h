#pragma once

namespace vxr {

// One reference to a COM interface, released when its owner lets it go.
template <class Interface>
class ComPointer {
public:
    ComPointer() = default;
    explicit ComPointer(Interface* pointer) : held(pointer) {}
    ~ComPointer() { reset(); }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;

    void reset(Interface* pointer = nullptr)
    {
        if (held) held->Release();
        held = pointer;
    }
    Interface* get() const { return held; }
    Interface* operator->() const { return held; }
    // Where the pointer is kept, for callers that read it through handle()
    // or nativeHandle().
    Interface** address() { return &held; }
    explicit operator bool() const { return held != nullptr; }
    // For calls that hand out a new reference: whatever was held goes first.
    Interface** receive()
    {
        reset();
        return &held;
    }

private:
    Interface* held = nullptr;
};

}  // namespace vxr
