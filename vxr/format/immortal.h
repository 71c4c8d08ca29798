#pragma once

#include <new>
#include <utility>

namespace vxr {

// A process-wide object that is built on first use and never destroyed.
// Any thread may end the process with exit() (a window's close box does)
// while another is still using the library; exit handlers that destroyed the
// shared tables, sentinels and registries would free them under that thread.
template <class T>
class Immortal {
public:
    template <class... Arguments>
    explicit Immortal(Arguments&&... arguments)
    {
        ::new (static_cast<void*>(storage)) T(std::forward<Arguments>(arguments)...);
    }
    Immortal(const Immortal&) = delete;
    Immortal& operator=(const Immortal&) = delete;

    T& get() { return *std::launder(reinterpret_cast<T*>(storage)); }

private:
    alignas(T) unsigned char storage[sizeof(T)];
};

}  // namespace vxr
