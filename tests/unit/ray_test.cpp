#include "math/ray.h"

#include <gtest/gtest.h>

#include <cmath>

#include "vec3_expectations.h"

namespace {

TEST(Ray, CarriedIntoAnotherFrameKeepsItsDistances) {
    Mat4 m;
    m.setScaling({2, 2, 2});
    Mat4 moved;
    moved.setTranslation({1, 0, 0});
    m.premultiply(moved);
    const Ray ray{{0, 0, 5}, {0, 1, -1}};
    const Ray carried = ray.transformedBy(m);
    // The origin moves with the translation, the direction does not.
    EXPECT_EQ(carried.origin, Vec3(1, 0, 10));
    EXPECT_EQ(carried.direction, Vec3(0, 2, -2));
    // The point at t = 3 along the ray is the point at t = 3 along the carried ray.
    const double t = 3.0;
    const Vec3 along{ray.origin.x + t * ray.direction.x, ray.origin.y + t * ray.direction.y,
                     ray.origin.z + t * ray.direction.z};
    EXPECT_EQ(m.transformPoint(along), Vec3(carried.origin.x + t * carried.direction.x,
                                            carried.origin.y + t * carried.direction.y,
                                            carried.origin.z + t * carried.direction.z));
}

TEST(Ray, NearestRootAheadOfTheOrigin) {
    // (t - 1)(t - 3): both ahead, the nearer wins.
    EXPECT_EQ(nearestRootAhead(1, -4, 3), 1.0);
    // (t + 1)(t - 3): the one behind is passed over.
    EXPECT_EQ(nearestRootAhead(1, -2, -3), 3.0);
    // (t + 1)(t + 3): both behind.
    EXPECT_FALSE(nearestRootAhead(1, 4, 3));
    // No real root, and no quadratic at all.
    EXPECT_FALSE(nearestRootAhead(1, 0, 1));
    EXPECT_FALSE(nearestRootAhead(0, 1, -1));
    EXPECT_FALSE(nearestRootAhead(-1, 4, -3));
    // A root at the origin itself is not ahead of it.
    EXPECT_EQ(nearestRootAhead(1, -2, 0), 2.0);
}

TEST(Ray, NearerHitOfTwo) {
    EXPECT_EQ(nearerHit(2.0, 1.0), 1.0);
    EXPECT_EQ(nearerHit(1.0, 2.0), 1.0);
    EXPECT_EQ(nearerHit(std::nullopt, 2.0), 2.0);
    EXPECT_EQ(nearerHit(2.0, std::nullopt), 2.0);
    EXPECT_FALSE(nearerHit(std::nullopt, std::nullopt));
}

TEST(Ray, SphereFromOutsideAndFromInside) {
    // Along -z from z = 10 to a sphere of radius 2 about (0, 0, 1): its near side at z = 3.
    EXPECT_EQ(sphereHit({{0, 0, 10}, {0, 0, -1}}, {0, 0, 1}, 2.0), 7.0);
    // The direction's length is the unit of distance.
    EXPECT_EQ(sphereHit({{0, 0, 10}, {0, 0, -2}}, {0, 0, 1}, 2.0), 3.5);
    // From its centre, the far side.
    EXPECT_EQ(sphereHit({{0, 0, 1}, {0, 0, -1}}, {0, 0, 1}, 2.0), 2.0);
    // Passing beside it, and pointing away from it.
    EXPECT_FALSE(sphereHit({{3, 0, 10}, {0, 0, -1}}, {0, 0, 1}, 2.0));
    EXPECT_FALSE(sphereHit({{0, 0, 10}, {0, 0, 1}}, {0, 0, 1}, 2.0));
}

}  // namespace
