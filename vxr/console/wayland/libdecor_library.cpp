#include "vxr/console/wayland/libdecor_library.h"

#include <dlfcn.h>

#include <mutex>

namespace vxr {
namespace {

// The soname of libdecor's stable interface, as Debian and others ship it.
constexpr char LIBRARY_NAME[] = "libdecor-0.so.0";

template <typename Function>
bool find(void* handle, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(dlsym(handle, name));
    return into != nullptr;
}

}  // namespace

bool LibdecorLibrary::resolve(void* handle)
{
    return find(handle, "libdecor_new", create) && find(handle, "libdecor_unref", release) &&
           find(handle, "libdecor_decorate", decorate) &&
           find(handle, "libdecor_frame_unref", releaseFrame) &&
           find(handle, "libdecor_frame_set_title", setTitle) &&
           find(handle, "libdecor_frame_set_app_id", setApplicationId) &&
           find(handle, "libdecor_frame_set_fullscreen", setFullscreen) &&
           find(handle, "libdecor_frame_unset_fullscreen", unsetFullscreen) &&
           find(handle, "libdecor_frame_map", map) && find(handle, "libdecor_frame_commit", commit) &&
           find(handle, "libdecor_frame_get_xdg_toplevel", toplevel) &&
           find(handle, "libdecor_state_new", newState) &&
           find(handle, "libdecor_state_free", freeState) &&
           find(handle, "libdecor_configuration_get_content_size", contentSize);
}

const LibdecorLibrary* LibdecorLibrary::load()
{
    static LibdecorLibrary library;
    static const LibdecorLibrary* loaded = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for the process: its plugins and the frames it made
        // may live as long as any window.
        void* handle = dlopen(LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
        if (handle && library.resolve(handle))
            loaded = &library;
        else if (handle)
            dlclose(handle);
    });
    return loaded;
}

}  // namespace vxr
