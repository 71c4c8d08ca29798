#pragma once

#include <cstdint>

#include "vxr/surface/surface_store.h"

namespace vxr {

// What every store of the library answers alike. The spare slots hold the
// interface's order and carry nothing, so they are answered here once and
// sealed; a store with nothing behind its pixels and nothing to restore
// keeps the other defaults.
class StoreBase : public SurfaceStore {
public:
    int restore() override { return 0; }
    int spare1(std::int32_t, std::int32_t, std::int32_t) final { return 0; }
    int spare2(std::int32_t, std::int32_t) final { return 0; }
    int spare3(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
               std::int32_t) final
    {
        return 0;
    }
    int spare4(std::int32_t, std::int32_t, std::int32_t, std::int32_t) final { return 0; }
    int backing() override { return BACKING_NONE; }
    void* nativeHandle() override { return nullptr; }
};

}  // namespace vxr
