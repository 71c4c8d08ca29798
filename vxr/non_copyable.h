#pragma once

namespace vxr {

// The base of whatever owns a thread, a connection, a buffer or a process:
// a copy would release it a second time.
class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

}  // namespace vxr
