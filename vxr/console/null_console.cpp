#include "vxr/console/null_console.h"

#include <new>

#include "vxr/surface/null_store.h"

namespace vxr {

SurfaceStore* NullConsole::createStore(int*, int*, const PixelFormat*, int*, int*, int*, int*)
{
    return new (std::nothrow) NullStore;
}

NullConsole& NullConsole::forFrontEnds()
{
    static NullConsole instance;
    return instance;
}

NullConsole& NullConsole::forSurfaces()
{
    static NullConsole instance;
    return instance;
}

}  // namespace vxr
