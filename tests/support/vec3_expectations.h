#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <ostream>

#include "math/vec3.h"

// How a Vec3 shows in a failure message: (x, y, z) rather than its bytes.
inline void PrintTo(const Vec3& v, std::ostream* os) {
    *os << std::setprecision(17) << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

// Fails unless every component of `actual` lies within `tolerance` of `expected`'s.
inline void expectNear(const Vec3& actual, const Vec3& expected, double tolerance = 1e-12) {
    if (!(std::fabs(actual.x - expected.x) <= tolerance &&
          std::fabs(actual.y - expected.y) <= tolerance &&
          std::fabs(actual.z - expected.z) <= tolerance)) {
        ADD_FAILURE() << ::testing::PrintToString(actual) << " is not within " << tolerance
                      << " of " << ::testing::PrintToString(expected);
    }
}
