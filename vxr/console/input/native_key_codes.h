#pragma once

#include <cstdint>

#include "vxr/console/key.h"

namespace vxr {

// The platforms' own key codes turned into keys, for the consoles that read
// them; the key table in key.cpp holds every code of every key, so that the
// platforms cannot drift apart.

// The key at a Linux input event code (what Wayland's keyboard sends, and
// an X key code less 8); Unknown where the code has no key of the enum.
Key keyFromEvdev(std::uint32_t code);
// The key at a Windows scan code as a key message carries it (extended
// keys with 0xE000 added); Unknown where the code has no key of the enum.
Key keyFromScanCode(std::uint32_t scanCode);
// The key a browser's KeyboardEvent.code names ("KeyA", "ArrowLeft",
// "NumpadEnter"); Unknown for null or a code that has no key of the enum.
Key keyFromDomCode(const char* code);

}  // namespace vxr
