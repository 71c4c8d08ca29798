#pragma once

#include "vxr/surface/store_base.h"

namespace vxr {

// Holds no pixels and refuses every copy: the store of an empty surface,
// and the base of the stores that stand for a screen.
class NullStore : public StoreBase {
public:
    std::uint8_t* lock(int) override { return nullptr; }
    void unlock() override {}
    int lockCount() override { return 0; }
    int isLockable() override { return 0; }
    int copyArea(Surface*, const Rect*, Surface*, const Rect*, int, const void*) override
    {
        return 0;
    }
    int copy(Surface*, Surface*, int, const void*) override { return 0; }
    int isValid() override { return 0; }

    // The one instance that empty surfaces point at; never destroyed by them.
    static NullStore& shared();
};

}  // namespace vxr
