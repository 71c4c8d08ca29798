#pragma once

#include <windows.h>

namespace vxr {

// A library loaded at run time and freed when its owner lets it go.
class LoadedLibrary {
public:
    LoadedLibrary() = default;
    ~LoadedLibrary() { reset(); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool load(const char* name)
    {
        reset();
        module = LoadLibraryA(name);
        return module != nullptr;
    }
    void reset()
    {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
    HMODULE get() const { return module; }
    explicit operator bool() const { return module != nullptr; }

private:
    HMODULE module = nullptr;
};

}  // namespace vxr
