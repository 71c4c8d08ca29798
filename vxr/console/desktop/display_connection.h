#pragma once

#include "vxr/non_copyable.h"

namespace vxr {

// A console's one connection to the display server of the desktop session,
// which the session names in an environment variable. It is the console's
// alone: it is never copied, and it closes with the console.
class DisplayConnection : NonCopyable {
public:
    // Connected, and the connection has not failed since.
    virtual bool isUsable() const = 0;

protected:
    DisplayConnection() = default;
    ~DisplayConnection() = default;

    // The server the session names in variable; null, with the reason kept,
    // where it names none. server says what kind of server it is, for the
    // reason.
    static const char* namedServer(const char* variable, const char* server);
};

}  // namespace vxr
