#include "demo/matrix4.h"

#include <cmath>

namespace demo {

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

// A rotation that turns axis first towards axis second by the given sine:
// every rotation below is this in one plane, about the remaining axis.
Matrix4 Matrix4::planeRotation(int first, int second, float cosine, float sine)
{
    Matrix4 result = identity();
    result.setAt(first, first, cosine);
    result.setAt(first, second, sine);
    result.setAt(second, first, -sine);
    result.setAt(second, second, cosine);
    return result;
}

Matrix4 Matrix4::rotationX(float angle)
{
    const auto [c, s] = cosineSine(angle);
    return planeRotation(1, 2, c, s);
}

// About y the sine runs the other way: row 0 holds -s at column 2.
Matrix4 Matrix4::rotationY(float angle)
{
    const auto [c, s] = cosineSine(angle);
    return planeRotation(0, 2, c, -s);
}

Matrix4 Matrix4::rotationZ(float angle)
{
    const auto [c, s] = cosineSine(angle);
    return planeRotation(0, 1, c, s);
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

}  // namespace demo
