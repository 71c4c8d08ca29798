#include "vxr/console/desktop/window_title.h"

#include <cstring>

namespace vxr {

bool WindowTitle::set(const char* text)
{
    if (!text) return false;
    const std::size_t length = strnlen(text, Console::TITLE_CAPACITY - 1);
    std::memcpy(characters, text, length);
    characters[length] = '\0';
    return true;
}

bool WindowTitle::copyTo(char* out) const
{
    if (!out) return false;
    std::memcpy(out, characters, std::strlen(characters) + 1);
    return true;
}

}  // namespace vxr
