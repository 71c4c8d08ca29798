#pragma once

#include <libdecor.h>

#include "vxr/posix/run_time_library.h"

namespace vxr {

// libdecor, the library that draws window frames on the client side where
// the compositor does not, loaded when first asked for. It is not linked:
// a desktop without it (or without a plugin for it) still opens windows,
// undecorated, and the library works there as before.
class LibdecorLibrary {
public:
    // The entry points, all found, or null when libdecor is not installed
    // or lacks one of them. Loaded once for the process.
    static const LibdecorLibrary* load();

    decltype(&::libdecor_new) create;
    decltype(&::libdecor_unref) release;
    decltype(&::libdecor_decorate) decorate;
    decltype(&::libdecor_frame_unref) releaseFrame;
    decltype(&::libdecor_frame_set_title) setTitle;
    decltype(&::libdecor_frame_set_app_id) setApplicationId;
    decltype(&::libdecor_frame_set_fullscreen) setFullscreen;
    decltype(&::libdecor_frame_unset_fullscreen) unsetFullscreen;
    decltype(&::libdecor_frame_map) map;
    decltype(&::libdecor_frame_commit) commit;
    decltype(&::libdecor_frame_get_xdg_toplevel) toplevel;
    decltype(&::libdecor_state_new) newState;
    decltype(&::libdecor_state_free) freeState;
    decltype(&::libdecor_configuration_get_content_size) contentSize;
    decltype(&::libdecor_frame_set_min_content_size) setMinContentSize;
    decltype(&::libdecor_frame_set_max_content_size) setMaxContentSize;
    decltype(&::libdecor_frame_set_capabilities) setCapabilities;
    decltype(&::libdecor_frame_unset_capabilities) unsetCapabilities;

private:
    template <class Entries>
    friend const Entries* loadEntries(const char*, const char*&);
    bool resolve(RunTimeLibrary& library);
};

}  // namespace vxr
