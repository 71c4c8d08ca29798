#pragma once

#include <gtest/gtest.h>

#include <string>

#include "vxr/last_error.h"

namespace vxr::testing {

// Whether the thread's last reason says this, for a failure that must say
// why; a failure shows the reason there was.
inline ::testing::AssertionResult reasonSays(const char* part)
{
    if (std::string(lastError()).find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the reason is \"" << lastError() << "\"";
}

}  // namespace vxr::testing
