#include "vxr/console/placement/output_scale.h"

#include <cmath>

#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The largest side any window system here takes.
constexpr double LARGEST_SIDE = 32767.0;

}  // namespace

double OutputScale::settle(double reported, const char* what)
{
    // The comparisons are false for NaN, which falls through to 1.
    if (reported > 0.0 && reported <= LARGEST) return reported;
    if (reported > LARGEST) {
        setLastError("%s reported a scale of %g: %g is used, the largest taken", what, reported,
                     LARGEST);
        return LARGEST;
    }
    setLastError("%s reported a scale of %g, which sizes nothing: 1 is used", what, reported);
    return 1.0;
}

std::int32_t OutputScale::physical(std::int32_t logical, double scale)
{
    if (logical <= 0) return 0;
    const double settled = scale > 0.0 && scale <= LARGEST ? scale : 1.0;
    const double rounded = std::floor(static_cast<double>(logical) * settled + 0.5);
    if (rounded < 1.0) return 1;
    return static_cast<std::int32_t>(rounded < LARGEST_SIDE ? rounded : LARGEST_SIDE);
}

}  // namespace vxr
