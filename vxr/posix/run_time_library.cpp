#include "vxr/posix/run_time_library.h"

#include <dlfcn.h>

#include <cstdio>

namespace vxr {

bool RunTimeLibrary::open()
{
    handle = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        std::snprintf(reason, sizeof reason, "%s could not be loaded: %s", soname, dlerror());
    return handle != nullptr;
}

void RunTimeLibrary::close()
{
    if (handle) dlclose(handle);
    handle = nullptr;
}

void* RunTimeLibrary::address(const char* name)
{
    void* found = dlsym(handle, name);
    if (!found) std::snprintf(reason, sizeof reason, "%s has no %s", soname, name);
    return found;
}

}  // namespace vxr
