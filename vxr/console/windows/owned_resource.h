#pragma once

#include <windows.h>

namespace vxr {

// One Win32 resource (a kernel handle, a GDI object, a library, a COM
// interface) given back through its release function when its owner lets it
// go, so that no console has to remember each one on every path out.
template <class Handle, auto release>
class OwnedResource {
public:
    OwnedResource() = default;
    explicit OwnedResource(Handle handle) : held(handle) {}
    ~OwnedResource() { reset(); }
    OwnedResource(const OwnedResource&) = delete;
    OwnedResource& operator=(const OwnedResource&) = delete;

    void reset(Handle handle = nullptr)
    {
        if (held) release(held);
        held = handle;
    }
    Handle get() const { return held; }
    Handle operator->() const { return held; }
    explicit operator bool() const { return held != nullptr; }
    // Where the handle is kept, for callers that read it through a console's
    // handle() or a store's nativeHandle().
    Handle* address() { return &held; }
    // For calls that hand out a new resource: whatever was held goes first.
    Handle* receive()
    {
        reset();
        return &held;
    }

private:
    Handle held = nullptr;
};

inline void releaseInterface(IUnknown* object) { object->Release(); }
inline void closeHandle(HANDLE handle) { CloseHandle(handle); }
inline void deleteObject(HGDIOBJ object) { DeleteObject(object); }
inline void deleteContext(HDC context) { DeleteDC(context); }
inline void freeLibrary(HMODULE library) { FreeLibrary(library); }

using OwnedHandle = OwnedResource<HANDLE, closeHandle>;
template <class Interface>
using ComPointer = OwnedResource<Interface*, releaseInterface>;
template <class Object>
using GdiObject = OwnedResource<Object, deleteObject>;
using MemoryDeviceContext = OwnedResource<HDC, deleteContext>;
using LoadedLibrary = OwnedResource<HMODULE, freeLibrary>;

}  // namespace vxr
