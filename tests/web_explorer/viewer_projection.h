#pragma once

#include <cmath>

#include "math/mat4.h"

namespace explorer {

// The viewer's projection, column-major: 45 degrees, square, from 0.1 to 100 (gluPerspective's
// matrix), for tests that project and pick as the page does.
inline Mat4 viewerProjection() {
    const double f = 1.0 / std::tan(45.0 / 2 * 3.14159265358979323846 / 180);
    Mat4 projection;
    projection.m[0] = f;
    projection.m[5] = f;
    projection.m[10] = -(100.0 + 0.1) / (100.0 - 0.1);
    projection.m[11] = -1;
    projection.m[14] = -2 * 100.0 * 0.1 / (100.0 - 0.1);
    projection.m[15] = 0;
    return projection;
}

}  // namespace explorer
