#pragma once

/// @file
/// Why the library's last call on this thread failed.

namespace vxr {

/// Why the library's last call on this thread failed, in a sentence a user
/// can act on ("no X display is named: DISPLAY is not set"); "" when no
/// reason was given. Operations still return 0 or null as they always did;
/// the reason is there to read after they do. A call that succeeded by
/// going another way may leave a note here too ("the X server offers no
/// MIT-SHM: frames go to it through the connection"). Each thread has its own.
const char* lastError();
/// Empties this thread's reason.
void clearLastError();

/// Room for a reason, terminator included: lastError() is never longer
/// than LAST_ERROR_CAPACITY - 1 bytes.
inline constexpr int LAST_ERROR_CAPACITY = 256;

}  // namespace vxr
