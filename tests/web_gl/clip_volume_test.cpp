#include "clip_volume.h"

#include <gtest/gtest.h>

#include <array>

namespace web_gl {
namespace {

constexpr std::array<float, 16> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// w = -z, as a perspective projection has it: the eye at the origin, looking down -z.
constexpr std::array<float, 16> perspective{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -1, 0, 0, 0, 0};

using web_gl::boxOutside;

TEST(ClipVolume, OnlyBoxesWhollyBeyondOnePlaneAreOutside) {
    EXPECT_TRUE(boxOutside(identity, {2, -0.5f, -0.5f}, {3, 0.5f, 0.5f}, 1));
    EXPECT_TRUE(boxOutside(identity, {-0.5f, -3, -0.5f}, {0.5f, -2, 0.5f}, 1));
    EXPECT_TRUE(boxOutside(identity, {-0.5f, -0.5f, -3}, {0.5f, 0.5f, -2}, 1));
    EXPECT_FALSE(boxOutside(identity, {0.5f, -0.5f, -0.5f}, {3, 0.5f, 0.5f}, 1));
    // Beyond x = w at one corner and beyond y = w at the others is not beyond one plane.
    EXPECT_FALSE(boxOutside(identity, {-3, -3, 0}, {3, 3, 0}, 1));
    // Touching a plane is not outside it.
    EXPECT_FALSE(boxOutside(identity, {1, 0, 0}, {2, 0, 0}, 1));
    // The box is scaled as the shader scales a sphere's positions.
    EXPECT_FALSE(boxOutside(identity, {1, -1, -1}, {2, 1, 1}, 0.5f));
    EXPECT_TRUE(boxOutside(identity, {1, -1, -1}, {2, 1, 1}, 2));
    EXPECT_TRUE(boxOutside(identity, {-2, -1, -1}, {-1, 1, 1}, -2));
    // Behind the eye, and around it.
    EXPECT_TRUE(boxOutside(perspective, {-0.5f, -0.5f, 1}, {0.5f, 0.5f, 2}, 1));
    EXPECT_FALSE(boxOutside(perspective, {-0.5f, -0.5f, -1}, {0.5f, 0.5f, 1}, 1));
    EXPECT_FALSE(boxOutside(perspective, {-0.5f, -0.5f, -3}, {0.5f, 0.5f, -2}, 1));
}

}  // namespace
}  // namespace web_gl
