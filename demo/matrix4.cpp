#include "demo/matrix4.h"

#include <cmath>

namespace vxr {

namespace {

struct CosineSine {
    float cosine;
    float sine;
};

CosineSine cosineSine(float angle)
{
    return {float(std::cos(double(angle))), float(std::sin(double(angle)))};
}

}  // namespace

Matrix4 Matrix4::identity()
{
    Matrix4 result;
    for (int i = 0; i < 4; ++i) {
        result.setAt(i, i, 1.0f);
    }
    return result;
}

Matrix4 Matrix4::rotationX(float angle)
{
    const auto [c, s] = cosineSine(angle);
    Matrix4 result = identity();
    result.setAt(1, 1, c);
    result.setAt(1, 2, s);
    result.setAt(2, 1, -s);
    result.setAt(2, 2, c);
    return result;
}

Matrix4 Matrix4::rotationY(float angle)
{
    const auto [c, s] = cosineSine(angle);
    Matrix4 result = identity();
    result.setAt(0, 0, c);
    result.setAt(0, 2, -s);
    result.setAt(2, 0, s);
    result.setAt(2, 2, c);
    return result;
}

Matrix4 Matrix4::rotationZ(float angle)
{
    const auto [c, s] = cosineSine(angle);
    Matrix4 result = identity();
    result.setAt(0, 0, c);
    result.setAt(0, 1, s);
    result.setAt(1, 0, -s);
    result.setAt(1, 1, c);
    return result;
}

Matrix4 Matrix4::multiply(const Matrix4& other) const
{
    Matrix4 result;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += double(at(row, k)) * other.at(k, column);
            }
            result.setAt(row, column, float(sum));
        }
    }
    return result;
}

Vec3 Matrix4::transform(const Vec3& point) const
{
    const auto column = [&](int c) {
        return float(double(point.x) * at(0, c) + double(point.y) * at(1, c) +
                     double(point.z) * at(2, c) + double(at(3, c)));
    };
    return Vec3(column(0), column(1), column(2));
}

}  // namespace vxr
