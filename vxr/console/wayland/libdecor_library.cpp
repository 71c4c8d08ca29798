#include "vxr/console/wayland/libdecor_library.h"

namespace vxr {
namespace {

// The soname of libdecor's stable interface, as Debian and others ship it.
constexpr char LIBRARY_NAME[] = "libdecor-0.so.0";

}  // namespace

bool LibdecorLibrary::resolve(RunTimeLibrary& library)
{
    return library.find("libdecor_new", create) && library.find("libdecor_unref", release) &&
           library.find("libdecor_decorate", decorate) &&
           library.find("libdecor_frame_unref", releaseFrame) &&
           library.find("libdecor_frame_set_title", setTitle) &&
           library.find("libdecor_frame_set_app_id", setApplicationId) &&
           library.find("libdecor_frame_set_fullscreen", setFullscreen) &&
           library.find("libdecor_frame_unset_fullscreen", unsetFullscreen) &&
           library.find("libdecor_frame_map", map) &&
           library.find("libdecor_frame_commit", commit) &&
           library.find("libdecor_frame_get_xdg_toplevel", toplevel) &&
           library.find("libdecor_state_new", newState) &&
           library.find("libdecor_state_free", freeState) &&
           library.find("libdecor_configuration_get_content_size", contentSize) &&
           library.find("libdecor_frame_set_min_content_size", setMinContentSize) &&
           library.find("libdecor_frame_set_max_content_size", setMaxContentSize) &&
           library.find("libdecor_frame_set_capabilities", setCapabilities) &&
           library.find("libdecor_frame_unset_capabilities", unsetCapabilities);
}

// Without libdecor, windows open undecorated: its absence is not a failure
// and leaves lastError() as it was.
const LibdecorLibrary* LibdecorLibrary::load()
{
    const char* unused = nullptr;
    return loadEntries<LibdecorLibrary>(LIBRARY_NAME, unused);
}

}  // namespace vxr
