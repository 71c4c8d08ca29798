#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "vxr/console/console_mode.h"

namespace vxr::testing {

// Whether a console listed exactly the modes expected, in that order, each
// alike in every field; a failure names each mode that differs and how.
::testing::AssertionResult sameModes(const std::vector<ConsoleMode>& listed,
                                     const std::vector<ConsoleMode>& expected);

}  // namespace vxr::testing
