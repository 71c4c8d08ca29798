#pragma once

#include "demo/vec3.h"

namespace demo {

// A 4x4 single-precision transform, row-major. Points are row vectors
// (p' = p * M), so row 3 holds the translation.
class Matrix4 {
public:
    float m[16] = {};

    static Matrix4 identity();
    static Matrix4 rotationX(float angle);
    static Matrix4 rotationY(float angle);
    static Matrix4 rotationZ(float angle);
    static Matrix4 planeRotation(int first, int second, float cosine, float sine);

    float at(int row, int column) const { return m[row * 4 + column]; }
    void setAt(int row, int column, float value) { m[row * 4 + column] = value; }

    // this * other: each element sums in double precision and is rounded once.
    Matrix4 multiply(const Matrix4& other) const;
    Vec3 transform(const Vec3& point) const;
};

}  // namespace demo
