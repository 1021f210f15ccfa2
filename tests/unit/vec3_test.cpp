#include "math/vec3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vec3_expectations.h"

namespace {

// The divisor that dividedBy actually used, read back from a vector of ones.
double usedDivisor(double d) {
    return 1.0 / Vec3(1.0, 1.0, 1.0).dividedBy(d).x;
}

TEST(Vec3, SumAndLength) {
    EXPECT_EQ(Vec3(), Vec3(0, 0, 0));
    EXPECT_EQ(Vec3(1, 2, 3) + Vec3(10, 20, 30), Vec3(11, 22, 33));
    EXPECT_EQ(Vec3(3, 4, 12).length(), 13.0);
    // The squares are added x, y, z in turn. 1e16 + 1 rounds back to 1e16, so two ones added
    // to it one by one are lost, and two added together before it are not.
    EXPECT_EQ(Vec3(1e8, 1, 1).length(), 1e8);
    EXPECT_EQ(Vec3(1, 1, 1e8).length(), 100000000.00000001);
}

TEST(Vec3, DifferenceAndDotProduct) {
    EXPECT_EQ(Vec3(11, 22, 33) - Vec3(1, 2, 3), Vec3(10, 20, 30));
    EXPECT_EQ(Vec3(1, 2, 3) - Vec3(1, 2, 3), Vec3());
    EXPECT_EQ(dot(Vec3(1, 2, 3), Vec3(4, -5, 6)), 12.0);
    EXPECT_EQ(dot(Vec3(1, 0, 0), Vec3(0, 1, 0)), 0.0);
    // Summed x, y, z in turn, as length() sums: the two ones after 1e16 are lost one by one.
    EXPECT_EQ(dot(Vec3(1e8, 1, 1), Vec3(1e8, 1, 1)), 1e16);
    EXPECT_EQ(dot(Vec3(1, 1, 1e8), Vec3(1, 1, 1e8)), 1e16 + 2);
}

TEST(Vec3, DividedByGuardsSmallDivisors) {
    EXPECT_EQ(usedDivisor(0.0), 0.00001);
    EXPECT_EQ(usedDivisor(-0.0), 0.00001);
    EXPECT_EQ(usedDivisor(0.000001), 0.00001);
    EXPECT_EQ(usedDivisor(-0.000001), -0.00001);
    EXPECT_EQ(usedDivisor(std::numeric_limits<double>::quiet_NaN()), -0.00001);
    EXPECT_EQ(usedDivisor(std::numeric_limits<double>::denorm_min()), 0.00001);
}

TEST(Vec3, DividedByKeepsDivisorsAtTheLimitAndAbove) {
    EXPECT_EQ(usedDivisor(0.00001), 0.00001);
    EXPECT_EQ(usedDivisor(-0.00001), -0.00001);
    EXPECT_EQ(usedDivisor(4.0), 4.0);
    EXPECT_EQ(usedDivisor(std::numeric_limits<double>::infinity()),
              std::numeric_limits<double>::infinity());
}

TEST(Vec3, DividedByDividesRatherThanMultipliesByTheReciprocal) {
    // 0.1 / 7 and 0.1 * (1/7) differ in the last bit.
    ASSERT_NE(0.1 / 7.0, 0.1 * (1.0 / 7.0));
    EXPECT_EQ(Vec3(0.1, 0.1, 0.1).dividedBy(7.0), Vec3(0.1 / 7.0, 0.1 / 7.0, 0.1 / 7.0));
}

TEST(Vec3, Normalized) {
    EXPECT_EQ(Vec3(3, 4, 0).normalized(), Vec3(0.6, 0.8, 0.0));
    EXPECT_EQ(Vec3(0, 0, 0).normalized(), Vec3(0, 0, 0));
    // Shorter than the guard: divided by 0.00001, not brought to length 1.
    const Vec3 tiny = Vec3(0, 0, 0.000001).normalized();
    EXPECT_EQ(tiny.x, 0.0);
    EXPECT_NEAR(tiny.z, 0.1, 1e-15);
    const double third = -1.0 / std::sqrt(3.0);
    const Vec3 diagonal = Vec3(-1, -1, -1).normalized();
    EXPECT_NEAR(diagonal.x, third, 1e-16);
    EXPECT_EQ(diagonal.x, diagonal.y);
    EXPECT_EQ(diagonal.y, diagonal.z);
}

}  // namespace
