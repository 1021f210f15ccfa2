#pragma once

#include <cmath>
#include <cstddef>
#include <type_traits>

// A point or direction in three dimensions. The three doubles are contiguous, so &x can be
// handed to glVertex3dv and glNormal3dv as it is.
struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    const double* data() const { return &x; }

    double length() const { return std::sqrt((x * x + y * y) + z * z); }

    // Divides by d, but never by anything smaller in size than 0.00001. A NaN fails the
    // size test and is not >= 0, so it becomes -0.00001; both zeros become +0.00001.
    Vec3 dividedBy(double d) const {
        constexpr double smallest = 0.00001;
        if (!(std::fabs(d) >= smallest)) {
            d = d >= 0.0 ? smallest : -smallest;
        }
        return {x / d, y / d, z / d};
    }

    // A vector shorter than 0.00001 comes out shorter than 1; the zero vector stays zero.
    Vec3 normalized() const { return dividedBy(length()); }

    bool operator==(const Vec3&) const = default;
};

constexpr Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

constexpr Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// Summed x, y, z in turn, as length() sums its squares.
constexpr double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

static_assert(sizeof(Vec3) == 3 * sizeof(double));
static_assert(std::is_standard_layout_v<Vec3> && std::is_trivially_copyable_v<Vec3>);
static_assert(offsetof(Vec3, y) == sizeof(double) && offsetof(Vec3, z) == 2 * sizeof(double));
