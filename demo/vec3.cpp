#include "demo/vec3.h"

namespace demo {

double Vec3::length() const
{
    return std::sqrt(double(x) * x + double(y) * y + double(z) * z);
}

Vec3 Vec3::normalised() const
{
    const double size = length();
    if (size == 0.0) {
        return *this;
    }
    return Vec3(float(x / size), float(y / size), float(z / size));
}

}  // namespace demo
