#include "vxr/surface/null_store.h"

namespace vxr {

NullStore& NullStore::shared()
{
    static NullStore instance;
    return instance;
}

}  // namespace vxr
