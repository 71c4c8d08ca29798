#pragma once

#include <cstdint>

#include "vxr/surface/memory_store.h"

namespace vxr {

// Pixels in memory the program owns and keeps: a memory store that never
// allocates or frees, so that a program's own frame can be copied from (and
// shown) without first being copied into a surface of the library's.
class BorrowedStore : public MemoryStore {
public:
    // pixels is the top line's first byte; the caller has checked the shape.
    explicit BorrowedStore(std::uint8_t* pixels) { firstLine = pixels; }
    int isValid() override { return firstLine ? 1 : 0; }
};

}  // namespace vxr
