#include "window_test_support.h"

#include <cstring>
#include <sstream>
#include <string>

namespace vxr::testing {
namespace {

// A mode as a line of a failure message; the format by its table id, bits
// and bytes, which tell the formats these consoles list apart.
std::string describe(const ConsoleMode& mode)
{
    std::ostringstream text;
    text << mode.driver << " " << mode.width << "x" << mode.height << " format " << mode.format.id
         << " (" << mode.format.bits << " bits, " << mode.format.bytes << " bytes) output "
         << mode.output << " parameter " << mode.parameter << " variant " << mode.variant;
    return text.str();
}

bool alike(const ConsoleMode& a, const ConsoleMode& b)
{
    return std::strncmp(a.driver, b.driver, sizeof a.driver) == 0 && a.width == b.width &&
           a.height == b.height && a.format == b.format && a.output == b.output &&
           a.parameter == b.parameter && a.variant == b.variant;
}

}  // namespace

::testing::AssertionResult sameModes(const std::vector<ConsoleMode>& listed,
                                     const std::vector<ConsoleMode>& expected)
{
    if (listed.size() != expected.size())
        return ::testing::AssertionFailure()
               << listed.size() << " modes listed, " << expected.size() << " expected";
    std::string wrong;
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (!alike(listed[i], expected[i]))
            wrong += "\nmode " + std::to_string(i) + ": " + describe(listed[i]) + "\n  expected " +
                     describe(expected[i]);
    if (wrong.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong;
}

}  // namespace vxr::testing
