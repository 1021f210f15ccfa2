#include <initializer_list>
#include <utility>

#include "viewer_test.h"

namespace e2e {
namespace {

using Startup = ViewerTest;

// Where the chain model's first limb is pinned: it swings about this point.
constexpr Point3 chainPivot{0, 0, -6};

TEST_F(Startup, WindowHasTheExactTitleSizeAndPosition) {
    EXPECT_EQ(viewer().title(),
              "(1 / 2 / 3) - Viewpoints.  (+ / -) - Recursion depth.  Any other key - next model");
    const WindowGeometry geometry = viewer().geometry();
    EXPECT_EQ(geometry.width, 800);
    EXPECT_EQ(geometry.height, 800);
    EXPECT_EQ(geometry.x, 100);
    EXPECT_EQ(geometry.y, 100);
}

TEST_F(Startup, BackgroundIsTheClearBlueAndTheAxesCrossAtTheCentre) {
    const image::RgbImage image = grab("start");
    const std::initializer_list<std::pair<int, int>> corners = {
        {0, 0}, {799, 0}, {0, 799}, {799, 799}, {200, 700}};
    for (const auto& [x, y] : corners) {
        EXPECT_EQ(image.at(x, y), background) << "at " << x << ", " << y;
    }
    // The oblique view keeps the y axis upright: one lit pixel wide, straight above the centre.
    EXPECT_EQ(columnFraction(image, 399, 0, 390, isLitWhite), 1.0);
    EXPECT_EQ(columnFraction(image, 398, 0, 390, isLitWhite), 0.0);
    EXPECT_EQ(columnFraction(image, 400, 0, 390, isLitWhite), 0.0);
    EXPECT_TRUE(litLineNear(image, obliqueView, {0, 0, 0}));
    // The x and z axes run off diagonally; both ends of each, and the lower y axis.
    for (const Point3& p : {Point3{10, 0, 0}, Point3{-10, 0, 0}, Point3{0, 0, 10},
                            Point3{0, 0, -15}, Point3{0, -10, 0}}) {
        EXPECT_TRUE(litLineNear(image, obliqueView, p)) << p.x << ", " << p.y << ", " << p.z;
    }
    // Nothing but the blue, the lit white and grey of axes and shapes.
    EXPECT_EQ(countPixels(image, [](image::Rgb c) { return !isBackground(c) && !isLitWhite(c); }),
              0);
}

TEST_F(Startup, ChainModelIsOneLitWhiteLimbSwingingAboutItsPinnedEnd) {
    const image::RgbImage first = grab("first");
    const image::RgbImage later = waitForChange(first, "later");
    for (const image::RgbImage* image : {&first, &later}) {
        EXPECT_TRUE(solidAt(*image, obliqueView, chainPivot));
        const std::optional<Box> box = solidBoundingBox(*image, background);
        ASSERT_TRUE(box);
        // One limb of length 3 up and to the right of the centre, nothing else.
        EXPECT_GT(box->left, 405) << toString(*box);
        EXPECT_LT(box->bottom, 400) << toString(*box);
        EXPECT_LT(box->width(), 200) << toString(*box);
        EXPECT_LT(box->height(), 120) << toString(*box);
        EXPECT_GT(countSolidPixels(*image, background), 1500);

        EXPECT_TRUE(shapesAreLitWhite(*image));
    }
}

}  // namespace
}  // namespace e2e
