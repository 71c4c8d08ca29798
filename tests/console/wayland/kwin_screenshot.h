#pragma once

#include <string>

#include "compositor.h"

namespace vxr::test {

// kwin's whole screen at its physical pixels, asked of its screenshot
// interface on the D-Bus session at busAddress; the pixels come through a
// pipe handed over with the call.
bool kwinScreenshot(const std::string& busAddress, Screenshot& shot);

}  // namespace vxr::test
