#pragma once

namespace vxr {

// Destroys a protocol object the library made, if there is one, and forgets
// it, so that a second teardown (after a failed start, then at the end)
// never destroys it twice.
template <typename Proxy>
void destroyProxy(Proxy*& proxy, void (*destroy)(Proxy*))
{
    if (proxy) destroy(proxy);
    proxy = nullptr;
}

}  // namespace vxr
