#pragma once

#include <cmath>

namespace demo {

// A point or direction. Components are rounded to single precision after
// every operation, while each operation itself computes in double precision,
// so that the tunnel's rays come out the same with any compiler.
class Vec3 {
public:
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vec3() = default;
    Vec3(float x, float y, float z) : x(x), y(y), z(z) {}

    void set(float newX, float newY, float newZ)
    {
        x = newX;
        y = newY;
        z = newZ;
    }
    // Writes this + other into sum; sum may be this vector or other.
    void add(const Vec3& other, Vec3& sum) const
    {
        sum.set(float(double(x) + other.x), float(double(y) + other.y), float(double(z) + other.z));
    }
    Vec3 minus(const Vec3& other) const
    {
        return Vec3(float(double(x) - other.x), float(double(y) - other.y),
                    float(double(z) - other.z));
    }
    Vec3 scaled(double factor) const
    {
        return Vec3(float(x * factor), float(y * factor), float(z * factor));
    }
    double length() const;
    // The zero vector has no direction and stays zero.
    Vec3 normalised() const;
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
};

}  // namespace demo
