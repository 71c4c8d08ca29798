#pragma once

#include <cstdint>

namespace vxr {

// What every desktop window is opened with; a platform's window adds what
// only it needs. The window's thread reads it before it signals the opener.
struct WindowStart {
    const char* title = "";
    // The client size asked for, in the window system's pixels.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Over the whole screen rather than as a window among others.
    bool fullscreen = false;

    // The title to show; a null one shows none.
    const char* shownTitle() const { return title ? title : ""; }
};

}  // namespace vxr
