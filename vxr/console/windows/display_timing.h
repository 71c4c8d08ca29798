#pragma once

#include <windows.h>

#include <cstdint>

namespace vxr {

// The display's refreshes as the Desktop Window Manager counts them, where
// the system has one: when the next one comes, and a wait for it. Looked
// up at run time, since the oldest supported systems have no dwmapi.dll.
class DisplayTiming {
public:
    struct Refresh {
        std::int64_t time = 0;      // ns on the performance counter
        std::uint64_t count = 0;    // the refresh's number
        std::int64_t interval = 0;  // ns between refreshes
    };

    // The first refresh after now; false where the system does not tell.
    static bool nextRefresh(Refresh& out);
    // Returns at the next refresh: after the compositor's next pass where
    // it composes, else at the next refresh of the counted ones. False,
    // returning at once, where the system tells of no refresh.
    static bool waitForNextRefresh();

private:
    static std::int64_t nanoseconds(std::int64_t counter, std::int64_t frequency);
};

}  // namespace vxr
