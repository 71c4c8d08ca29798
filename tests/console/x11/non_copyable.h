#pragma once

namespace vxr::test {

// The base of a test helper that owns a process, a connection or a socket:
// a copy would end or close it a second time.
class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

}  // namespace vxr::test
