// Small vector and rotation types for the simulated room, in millimetres.
#pragma once

#include <cmath>

namespace Orvo::VirtualSensor {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    bool operator==(const Vec3&) const = default;
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec3 operator-(Vec3 a) {
    return {-a.x, -a.y, -a.z};
}
constexpr Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
constexpr Vec3 operator*(double s, Vec3 a) {
    return a * s;
}
constexpr double Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
inline Vec3 Normalized(Vec3 a) {
    const double length = Length(a);
    return length > 0.0 ? a * (1.0 / length) : a;
}

/// A rotation given by its three axes, as the columns of the matrix.
struct Mat3 {
    Vec3 x{1, 0, 0};
    Vec3 y{0, 1, 0};
    Vec3 z{0, 0, 1};

    /// Row-major element (row, column), as OpenNI stores its 3x3 matrices.
    [[nodiscard]] constexpr double At(int row, int column) const {
        const Vec3& axis = column == 0 ? x : column == 1 ? y : z;
        return row == 0 ? axis.x : row == 1 ? axis.y : axis.z;
    }
};

/// The orthonormal frame whose Y axis is `along` and whose Z axis is as close
/// to `towardsZ` as that allows; X completes it with a positive determinant.
inline Mat3 FrameAlong(Vec3 along, Vec3 towardsZ, Vec3 fallbackZ) {
    const Vec3 y = Normalized(along);
    Vec3 z = towardsZ - y * Dot(towardsZ, y);
    if (Length(z) < 1e-6) {
        z = fallbackZ - y * Dot(fallbackZ, y);
    }
    z = Normalized(z);
    return {Cross(y, z), y, z};
}

}  // namespace Orvo::VirtualSensor
