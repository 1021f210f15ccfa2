#pragma once

#include <cmath>
#include <optional>

#include "math/mat4.h"
#include "math/vec3.h"

// A ray: the points origin + t direction for t > 0, t measured in multiples of the direction,
// which need not be of unit length. Carried from frame to frame by an affine map, a point keeps
// its t, so distances along rays in different frames compare.
struct Ray {
    Vec3 origin;
    Vec3 direction;

    // The same ray in the frame that m maps into.
    Ray transformedBy(const Mat4& m) const {
        return {m.transformPoint(origin), m.transformDirection(direction)};
    }
};

// The nearer of the two roots of a t^2 + b t + c = 0 that lies ahead (t > 0), if any; nothing
// unless a > 0.
inline std::optional<double> nearestRootAhead(double a, double b, double c) {
    if (a <= 0.0) {
        return std::nullopt;
    }
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0) {
        return std::nullopt;
    }
    const double root = std::sqrt(discriminant);
    const double nearer = (-b - root) / (2.0 * a);
    if (nearer > 0.0) {
        return nearer;
    }
    const double farther = (-b + root) / (2.0 * a);
    return farther > 0.0 ? std::optional<double>(farther) : std::nullopt;
}

// The nearer of two distances along a ray; either may be missing.
inline std::optional<double> nearerHit(std::optional<double> a, std::optional<double> b) {
    if (!a) {
        return b;
    }
    if (!b) {
        return a;
    }
    return *a < *b ? a : b;
}

// Where the ray first meets the sphere ahead of its origin, from outside or from inside.
inline std::optional<double> sphereHit(const Ray& ray, const Vec3& centre, double radius) {
    const Vec3 o = ray.origin - centre;
    return nearestRootAhead(dot(ray.direction, ray.direction), 2.0 * dot(o, ray.direction),
                            dot(o, o) - radius * radius);
}
