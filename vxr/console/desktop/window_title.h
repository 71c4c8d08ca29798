#pragma once

#include "vxr/console/console.h"

namespace vxr {

// A console's title as the application last set it, cut to what title()
// callers have room for, kept whether or not a window shows it.
class WindowTitle {
public:
    // False for a null text, which leaves the title as it was.
    bool set(const char* text);
    // Writes the title into Console::TITLE_CAPACITY bytes.
    bool copyTo(char* out) const;
    const char* text() const { return characters; }

private:
    char characters[Console::TITLE_CAPACITY] = {};
};

}  // namespace vxr
