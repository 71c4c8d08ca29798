#pragma once

#include <windows.h>
#include <ddraw.h>

namespace vxr {

// Where a DirectXConsole gets its DirectDraw object from. Normally that is
// "DirectDrawCreate" in "ddraw.dll", loaded at run time; a program (a test)
// may put a function of its own in its place, and every console loaded from
// then on uses it instead of the system library.
class DirectDrawEntry {
public:
    using CreateFunction = HRESULT(WINAPI*)(GUID* driver, LPDIRECTDRAW* created,
                                            IUnknown* outer);

    // A null function goes back to the system library.
    static void substitute(CreateFunction function);
    static CreateFunction substituted();
};

}  // namespace vxr
