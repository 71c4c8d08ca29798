#include "vxr/surface/null_store.h"

#include "vxr/format/immortal.h"

namespace vxr {

NullStore& NullStore::shared()
{
    static Immortal<NullStore> instance;
    return instance.get();
}

}  // namespace vxr
