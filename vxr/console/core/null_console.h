#pragma once

#include "vxr/console/console.h"

namespace vxr {

// Stands for "no console": nothing opens, nothing is kept, surfaces made on
// it get a store that holds nothing.
class NullConsole : public Console {
public:
    int ok() override { return 0; }
    SurfaceStore* createStore(int* width, int* height, const PixelFormat* format, int* memoryKind,
                              int* orientation, int* linePadding, int* variant) override;
    int attach(Surface*) override { return 1; }
    int detach(Surface*) override { return 1; }

    // The front ends' placeholder, and the console of surfaces whose console
    // went away: two instances, never destroyed by their users.
    static NullConsole& forFrontEnds();
    static NullConsole& forSurfaces();
};

}  // namespace vxr
