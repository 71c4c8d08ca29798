#include "vxr/audio/audio_device.h"
#include "vxr/set_last_error.h"

namespace vxr {

// A build for a platform whose sound output the library does not reach yet:
// streams fail to open with this reason, and the program carries on silent.
std::unique_ptr<AudioDevice> makeSystemAudioDevice()
{
    setLastError("this build of the library has no sound output for its platform");
    return nullptr;
}

}  // namespace vxr
