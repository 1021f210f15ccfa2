#include "libraries/gltf/pose.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace gltf {

namespace {

double at(const Mat4& m, int row, int column) {
    return m.m[4 * column + row];
}

}  // namespace

std::optional<Pose> decompose(const Mat4& m, const std::array<float, 4>& near) {
    if (m.m[3] != 0.0 || m.m[7] != 0.0 || m.m[11] != 0.0 || m.m[15] != 1.0) {
        return std::nullopt;
    }
    const double det = at(m, 0, 0) * (at(m, 1, 1) * at(m, 2, 2) - at(m, 2, 1) * at(m, 1, 2)) -
                       at(m, 0, 1) * (at(m, 1, 0) * at(m, 2, 2) - at(m, 2, 0) * at(m, 1, 2)) +
                       at(m, 0, 2) * (at(m, 1, 0) * at(m, 2, 1) - at(m, 2, 0) * at(m, 1, 1));
    if (!(det > 0.0) || !std::isfinite(det)) {
        return std::nullopt;
    }
    const double s = std::cbrt(det);
    double r[3][3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = at(m, i, j) / s;
        }
    }
    // The quaternion from the largest of its four components, the others divided by it.
    double q[4];  // x, y, z, w
    const double trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0.0) {
        const double d = 2.0 * std::sqrt(trace + 1.0);
        q[3] = d / 4.0;
        q[0] = (r[2][1] - r[1][2]) / d;
        q[1] = (r[0][2] - r[2][0]) / d;
        q[2] = (r[1][0] - r[0][1]) / d;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double d = 2.0 * std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]);
        q[3] = (r[2][1] - r[1][2]) / d;
        q[0] = d / 4.0;
        q[1] = (r[0][1] + r[1][0]) / d;
        q[2] = (r[0][2] + r[2][0]) / d;
    } else if (r[1][1] > r[2][2]) {
        const double d = 2.0 * std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]);
        q[3] = (r[0][2] - r[2][0]) / d;
        q[0] = (r[0][1] + r[1][0]) / d;
        q[1] = d / 4.0;
        q[2] = (r[1][2] + r[2][1]) / d;
    } else {
        const double d = 2.0 * std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]);
        q[3] = (r[1][0] - r[0][1]) / d;
        q[0] = (r[0][2] + r[2][0]) / d;
        q[1] = (r[1][2] + r[2][1]) / d;
        q[2] = d / 4.0;
    }
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    const double side = q[0] * near[0] + q[1] * near[1] + q[2] * near[2] + q[3] * near[3];
    const double sign = side < 0.0 ? -1.0 : 1.0;

    Pose pose;
    for (int i = 0; i < 4; ++i) {
        pose.rotation[static_cast<std::size_t>(i)] = static_cast<float>(sign * q[i] / length);
    }
    pose.translation = {static_cast<float>(m.m[12]), static_cast<float>(m.m[13]),
                        static_cast<float>(m.m[14])};
    pose.scale = static_cast<float>(s);
    if (!agreesToSinglePrecision(composedMatrix(pose), m, s)) {
        return std::nullopt;
    }
    return pose;
}

Mat4 composedMatrix(const Pose& pose) {
    const double x = pose.rotation[0], y = pose.rotation[1], z = pose.rotation[2],
                 w = pose.rotation[3];
    const double s = pose.scale;
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    Mat4 m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.m[4 * j + i] = r[i][j] * s;
        }
    }
    m.m[12] = pose.translation[0];
    m.m[13] = pose.translation[1];
    m.m[14] = pose.translation[2];
    return m;
}

bool agreesToSinglePrecision(const Mat4& a, const Mat4& b, double scale) {
    constexpr double units = 8.0 * FLT_EPSILON;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 3; ++row) {
            const double x = at(a, row, column), y = at(b, row, column);
            const double size = std::max({std::fabs(scale), std::fabs(x), std::fabs(y)});
            if (!(std::fabs(x - y) <= units * size)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace gltf
