#include "viewer_test.h"

namespace e2e {
namespace {

using Viewpoints = ViewerTest;

constexpr Point3 chainPivot{0, 0, -6};

// The lit fraction of the better of the two middle columns (or rows) over a stretch of it: an
// axis through the centre lands on one of them.
double centreColumnLit(const image::RgbImage& image, int top, int bottom) {
    return std::max(columnFraction(image, 399, top, bottom, isLitWhite),
                    columnFraction(image, 400, top, bottom, isLitWhite));
}

double centreRowLit(const image::RgbImage& image, int left, int right) {
    return std::max(rowFraction(image, 399, left, right, isLitWhite),
                    rowFraction(image, 400, left, right, isLitWhite));
}

// Where the oblique view shows the x and z axes, away from the centre.
bool obliqueAxesShown(const image::RgbImage& image) {
    for (const Point3& p : {Point3{10, 0, 0}, Point3{-10, 0, 0}, Point3{0, 0, 10}}) {
        if (!litLineNear(image, obliqueView, p)) {
            return false;
        }
    }
    return true;
}

bool obliqueAxesGone(const image::RgbImage& image) {
    for (const Point3& p : {Point3{10, 0, 0}, Point3{-10, 0, 0}, Point3{0, 0, 10}}) {
        const PixelPoint at = onScreen(obliqueView, p);
        if (anyNear(image, at.column(), at.row(), 2, notNear(background, 0))) {
            return false;
        }
    }
    return true;
}

TEST_F(Viewpoints, KeysTwoOneAndThreeShowTopFrontAndObliqueViews) {
    const image::RgbImage oblique = pause("oblique");
    EXPECT_TRUE(obliqueAxesShown(oblique));
    press("3");
    EXPECT_EQ(countDifferences(afterFrames("three-at-start"), oblique), 0)
        << "the viewer starts in view 3";

    // From above: x to the right, -z up, the y axis pointing at the viewer.
    const image::RgbImage top = pressAndSettle("2", oblique, "top");
    EXPECT_TRUE(obliqueAxesGone(top));
    EXPECT_EQ(centreRowLit(top, 0, 799), 1.0);
    EXPECT_EQ(centreColumnLit(top, 410, 799), 1.0);
    for (const Point3& p :
         {Point3{5, 0, 0}, Point3{-5, 0, 0}, Point3{0, 0, 5}, Point3{0, 0, -7.5}}) {
        EXPECT_TRUE(litLineNear(top, topView, p)) << p.x << ", " << p.z;
    }
    EXPECT_TRUE(solidAt(top, topView, chainPivot));
    EXPECT_FALSE(solidAt(top, topView, {0, 0, 6}));
    press("2");
    EXPECT_EQ(countDifferences(afterFrames("two-again"), top), 0);

    // From the front: x to the right, y up, the chain pointing at the viewer from behind the
    // centre.
    const image::RgbImage front = pressAndSettle("1", top, "front");
    EXPECT_TRUE(obliqueAxesGone(front));
    EXPECT_EQ(centreRowLit(front, 0, 300), 1.0);
    EXPECT_EQ(centreRowLit(front, 500, 799), 1.0);
    EXPECT_EQ(centreColumnLit(front, 0, 300), 1.0);
    EXPECT_EQ(centreColumnLit(front, 500, 799), 1.0);
    for (const Point3& p : {Point3{5, 0, 0}, Point3{-5, 0, 0}, Point3{0, 5, 0}, Point3{0, -5, 0}}) {
        EXPECT_TRUE(litLineNear(front, frontView, p)) << p.x << ", " << p.y;
    }
    EXPECT_TRUE(solidAt(front, frontView, chainPivot));

    const image::RgbImage backToOblique = pressAndSettle("3", front, "oblique-again");
    EXPECT_EQ(countDifferences(backToOblique, oblique), 0);
}

TEST_F(Viewpoints, ViewStaysWhenTheModelOrTheDepthChanges) {
    const image::RgbImage paused = pause("paused");
    const image::RgbImage top = pressAndSettle("2", paused, "top");
    // The figure from above: head over the middle, arms straight out along x.
    const image::RgbImage figure = pressAndSettle("x", top, "figure-from-above");
    for (const Point3& p : {Point3{0, 3, 0}, Point3{4, 1.5, 0}, Point3{-4, 1.5, 0}}) {
        EXPECT_TRUE(solidAt(figure, topView, p)) << p.x;
    }
    EXPECT_TRUE(litLineNear(figure, topView, {0, 0, 6}));
    EXPECT_TRUE(litLineNear(figure, topView, {0, 0, -6}));
    EXPECT_TRUE(obliqueAxesGone(figure));

    // The figure does not depend on the depth, and the view stays.
    press("plus");
    EXPECT_EQ(countDifferences(afterFrames("figure-after-plus"), figure), 0);
}

}  // namespace
}  // namespace e2e
