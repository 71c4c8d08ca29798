#pragma once

#include <cstring>

#include "vxr/console/console.h"

namespace vxr {

// A console's title, cut to what a caller of title() has room for.
class TitleText {
public:
    void set(const char* text)
    {
        const std::size_t length = strnlen(text, Console::TITLE_CAPACITY - 1);
        std::memcpy(kept, text, length);
        kept[length] = '\0';
    }
    const char* text() const { return kept; }
    void copyTo(char* out) const { std::memcpy(out, kept, std::strlen(kept) + 1); }

private:
    char kept[Console::TITLE_CAPACITY] = {};
};

}  // namespace vxr
