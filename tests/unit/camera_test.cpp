#include "app/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gl_recorder.h"

namespace {

using gl_double::call;

const double third = Vec3(-1, -1, -1).normalized().x;  // about -0.5773502691896258

gl_double::Call lookAtCall(const Camera& c) {
    gl_double::reset();
    c.lookAt();
    EXPECT_EQ(gl_double::calls().size(), 1u);
    return gl_double::calls().back();
}

TEST(Camera, DefaultsLookDownMinusZFromTen) {
    const Camera c;
    EXPECT_EQ(lookAtCall(c), call("gluLookAt", {0, 0, 10, 0, 0, 9, 0, 1, 0}));
}

TEST(Camera, StartViewIsTheObliqueViewAndKeepsUp) {
    Camera c;
    c.up = {0, 0, -1};
    c.applyStartView();
    EXPECT_EQ(lookAtCall(c),
              call("gluLookAt", {15, 15, 15, 15 + third, 15 + third, 15 + third, 0, 0, -1}));
    EXPECT_NEAR(third, -0.5773502691896258, 1e-16);
}

TEST(Camera, ViewpointsSetEyeDirectionAndUp) {
    Camera c;
    c.applyViewpoint(1);
    EXPECT_EQ(lookAtCall(c), call("gluLookAt", {0, 0, 15, 0, 0, 14, 0, 1, 0}));
    c.applyViewpoint(2);
    EXPECT_EQ(lookAtCall(c), call("gluLookAt", {0, 20, 0, 0, 19, 0, 0, 0, -1}));
    c.applyViewpoint(3);
    EXPECT_EQ(lookAtCall(c),
              call("gluLookAt", {15, 15, 15, 15 + third, 15 + third, 15 + third, 0, 1, 0}));
}

TEST(Camera, TwoThenOneBringsUpBack) {
    Camera c;
    c.applyViewpoint(2);
    c.applyViewpoint(1);
    EXPECT_EQ(c.up, Vec3(0, 1, 0));
    const gl_double::Call once = lookAtCall(c);
    c.applyViewpoint(1);
    EXPECT_EQ(lookAtCall(c), once);
}

TEST(Camera, StartViewEqualsViewpointThreeFromTheDefaults) {
    Camera start, three;
    start.applyStartView();
    three.applyViewpoint(3);
    EXPECT_EQ(lookAtCall(start), lookAtCall(three));
}

TEST(Camera, LookAtLooksThroughTheOriginInEveryView) {
    for (int n = 1; n <= 3; ++n) {
        Camera c;
        c.applyViewpoint(n);
        gl_double::reset();
        c.lookAt();
        // The world origin lands on the line of sight: eye-space x = y = 0, in front (z < 0).
        const gl_double::Matrix& m = gl_double::currentMatrix();
        EXPECT_NEAR(m[12], 0.0, 1e-12) << "viewpoint " << n;
        EXPECT_NEAR(m[13], 0.0, 1e-12) << "viewpoint " << n;
        EXPECT_LT(m[14], 0.0) << "viewpoint " << n;
        EXPECT_GT(m[14], -100.0) << "viewpoint " << n;
    }
}

TEST(Camera, OtherViewpointNumbersChangeNothing) {
    Camera c;
    c.applyViewpoint(2);
    const gl_double::Call before = lookAtCall(c);
    c.applyViewpoint(0);
    c.applyViewpoint(4);
    EXPECT_EQ(lookAtCall(c), before);
}

}  // namespace
