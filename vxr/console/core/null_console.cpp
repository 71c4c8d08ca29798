#include "vxr/console/core/null_console.h"

#include <new>

#include "vxr/format/immortal.h"
#include "vxr/surface/null_store.h"

namespace vxr {

SurfaceStore* NullConsole::createStore(int*, int*, const PixelFormat*, int*, int*, int*, int*)
{
    return new (std::nothrow) NullStore;
}

NullConsole& NullConsole::forFrontEnds()
{
    static Immortal<NullConsole> instance;
    return instance.get();
}

NullConsole& NullConsole::forSurfaces()
{
    static Immortal<NullConsole> instance;
    return instance.get();
}

}  // namespace vxr
