#include "harness/projection.h"

#include <cmath>
#include <numbers>

namespace e2e {

namespace {

Point3 minus(const Point3& a, const Point3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double dot(const Point3& a, const Point3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Point3 unit(const Point3& a) {
    const double length = std::sqrt(dot(a, a));
    return {a.x / length, a.y / length, a.z / length};
}

}  // namespace

int PixelPoint::column() const {
    return static_cast<int>(std::floor(x));
}
int PixelPoint::row() const {
    return static_cast<int>(std::floor(y));
}

PixelPoint project(const CameraPose& camera, const Point3& world, int size,
                   double fieldOfViewDegrees) {
    const Point3 forward = unit(camera.direction);
    const Point3 side = unit(cross(forward, camera.up));
    const Point3 up = cross(side, forward);
    const Point3 offset = minus(world, camera.eye);
    const double depth = dot(offset, forward);
    const double focal = 1.0 / std::tan(fieldOfViewDegrees * std::numbers::pi / 360.0);
    const double ndcX = focal * dot(offset, side) / depth;
    const double ndcY = focal * dot(offset, up) / depth;
    const double half = size / 2.0;
    return {half * (ndcX + 1.0), half * (1.0 - ndcY)};
}

}  // namespace e2e
