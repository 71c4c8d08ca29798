#include "vxr/console/desktop/display_connection.h"

#include <cstdlib>

#include "vxr/set_last_error.h"

namespace vxr {

const char* DisplayConnection::namedServer(const char* variable, const char* server)
{
    // Connecting without a name would fall back to a default server, which
    // need not be this session's.
    const char* named = std::getenv(variable);
    if (named && *named) return named;
    setLastError("no %s is named: %s is not set", server, variable);
    return nullptr;
}

}  // namespace vxr
