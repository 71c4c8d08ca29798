#pragma once

#include "vxr/surface/surface_store.h"

namespace vxr {

// Holds nothing and refuses everything: the store of an empty surface.
class NullStore : public SurfaceStore {
public:
    std::uint8_t* lock(int) override { return nullptr; }
    void unlock() override {}
    int lockCount() override { return 0; }
    int isLockable() override { return 0; }
    int restore() override { return 0; }
    int spare1(std::int32_t, std::int32_t, std::int32_t) override { return 0; }
    int spare2(std::int32_t, std::int32_t) override { return 0; }
    int copyArea(Surface*, const Rect*, Surface*, const Rect*, int, const void*) override
    {
        return 0;
    }
    int copy(Surface*, Surface*, int, const void*) override { return 0; }
    int spare3(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
               std::int32_t) override
    {
        return 0;
    }
    int spare4(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override { return 0; }
    int backing() override { return BACKING_NONE; }
    void* nativeHandle() override { return nullptr; }
    int isValid() override { return 0; }

    // The one instance that empty surfaces point at; never destroyed by them.
    static NullStore& shared();
};

}  // namespace vxr
