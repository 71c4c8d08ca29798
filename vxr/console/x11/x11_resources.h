#pragma once

#include <xcb/xcb.h>

#include <string_view>

namespace vxr {

// The X resources a desktop session loads onto the root window (the
// RESOURCE_MANAGER property, as xrdb writes it: "name:\tvalue" lines), read
// for what the console takes from them: the output scale that Xft.dpi
// says, where 96 DPI is scale 1.
class X11Resources {
public:
    // The DPI the resources give for fonts and, by desktop custom, for
    // everything else, against this base.
    static constexpr double BASE_DPI = 96.0;

    // The scale the resources' Xft.dpi gives as written, not yet settled:
    // 1 without the resource, NaN for a value that is no number.
    static double reportedScale(std::string_view resources);
    // The same for the root window's resources; 1 where none are loaded.
    static double readReportedScale(xcb_connection_t* link, xcb_window_t root);
    // A reported scale made safe to size windows with: 1 or the largest
    // scale taken for one that is no positive number or too large, with the
    // reason in lastError.
    static double settle(double reported);
    // The value of the named resource, the last one where it appears more
    // than once, without the blanks around it; false where it is missing.
    static bool find(std::string_view resources, std::string_view name, std::string_view& value);
};

}  // namespace vxr
