#include "viewer_test.h"

namespace e2e {
namespace {

using Models = ViewerTest;

constexpr Point3 chainPivot{0, 0, -6};
// At rest the chain lies along +z from its pivot: limbs of 3, 2.25, 1.6875, ...
constexpr Point3 firstLimbMiddle{0, 0, -4.5};
constexpr Point3 secondLimbMiddle{0, 0, -1.875};

constexpr Point3 treeTop{0, 4, 0};
constexpr Point3 treeChildren[] = {{3, 1.75, 0}, {-3, 1.75, 0}};
constexpr Point3 treeGrandchildren[] = {
    {5.25, 0.0625, 0}, {0.75, 0.0625, 0}, {-0.75, 0.0625, 0}, {-5.25, 0.0625, 0}};

int redPixels(const image::RgbImage& image) {
    return countPixels(image, isRed);
}

// Neither the blue, nor lit white, nor the red of the tree's lines.
int strayPixels(const image::RgbImage& image) {
    return countPixels(
        image, [](image::Rgb c) { return !isBackground(c) && !isLitWhite(c) && !isRed(c); });
}

bool redNear(const image::RgbImage& image, const Point3& world) {
    const PixelPoint p = onScreen(obliqueView, world);
    return anyNear(image, p.column(), p.row(), 1, isRed);
}

int width(const image::RgbImage& image) {
    const std::optional<Box> box = solidBoundingBox(image, background);
    return box ? box->width() : 0;
}

// Paused, every model stays in the pose it has, so each one looks the same whenever it is on
// screen again; a model not yet shown is still in its initial pose.
TEST_F(Models, EveryOtherKeyStepsThroughChainFigureFanTreeAndBackToChain) {
    const image::RgbImage paused = pause("paused");
    const image::RgbImage chain = pressAndSettle("plus", paused, "chain-depth-2");
    EXPECT_EQ(redPixels(chain), 0);
    EXPECT_TRUE(shapesAreLitWhite(chain));
    EXPECT_TRUE(solidAt(chain, obliqueView, chainPivot));
    EXPECT_TRUE(solidAt(chain, obliqueView, firstLimbMiddle));
    EXPECT_TRUE(solidAt(chain, obliqueView, secondLimbMiddle));

    const image::RgbImage figure = pressAndSettle("x", chain, "figure");
    EXPECT_EQ(redPixels(figure), 0);
    EXPECT_TRUE(shapesAreLitWhite(figure));
    EXPECT_FALSE(solidAt(figure, obliqueView, chainPivot));
    for (const Point3& part :
         {Point3{0, 3, 0}, Point3{0, -1, 0}, Point3{0, -4, 0}, Point3{0.75, -5, 0},
          Point3{-0.75, -5, 0}, Point3{4, 1.5, 0}, Point3{-4, 1.5, 0}}) {
        EXPECT_TRUE(solidAt(figure, obliqueView, part)) << part.x << ", " << part.y;
    }

    const image::RgbImage fan = pressAndSettle("4", figure, "fan");
    EXPECT_EQ(redPixels(fan), 0);
    EXPECT_TRUE(shapesAreLitWhite(fan));
    // Twenty chains spread flat around their common root.
    for (const Point3& spoke : {Point3{0, -2, 0}, Point3{0, -2, 6}, Point3{-6, -2, 0},
                                Point3{0, -2, -6}, Point3{6, -2, 0}}) {
        EXPECT_TRUE(solidAt(fan, obliqueView, spoke)) << spoke.x << ", " << spoke.z;
    }
    EXPECT_GT(width(fan), width(figure) + 150);

    const image::RgbImage tree = pressAndSettle("Return", fan, "tree");
    EXPECT_GT(redPixels(tree), 100);
    EXPECT_TRUE(shapesAreLitWhite(tree)) << "the balls stay white after the red lines";
    EXPECT_EQ(strayPixels(tree), 0);
    EXPECT_TRUE(solidAt(tree, obliqueView, treeTop));
    for (const Point3& child : treeChildren) {
        EXPECT_TRUE(solidAt(tree, obliqueView, child)) << child.x;
        EXPECT_TRUE(redNear(tree, {child.x / 2, (child.y + treeTop.y) / 2, 0})) << child.x;
    }

    const image::RgbImage chainAgain = pressAndSettle("x", tree, "chain-again");
    EXPECT_EQ(countDifferences(chainAgain, chain), 0);
}

TEST_F(Models, KeysWithoutACharacterDoNothing) {
    const image::RgbImage paused = pause("paused");
    for (const char* key : {"Right", "Up", "F1", "Shift_L"}) {
        press(key);
    }
    EXPECT_EQ(countDifferences(afterFrames("after-special-keys"), paused), 0);
    // The chain model is still on screen, and still paused.
    EXPECT_TRUE(solidAt(afterFrames("still-chain"), obliqueView, chainPivot));
}

TEST_F(Models, DepthKeysRebuildTheBallTreeWithOneLevelMoreOrLess) {
    image::RgbImage picture = pause("paused");
    for (const char* key : {"x", "x", "x"}) {
        picture = pressAndSettle(key, picture, std::string("step-") + key);
    }
    const image::RgbImage depth1 = picture;
    EXPECT_EQ(redPixels(depth1), 0);
    EXPECT_TRUE(solidAt(depth1, obliqueView, treeTop));
    EXPECT_FALSE(solidAt(depth1, obliqueView, treeChildren[0]));

    const image::RgbImage depth2 = pressAndSettle("plus", depth1, "depth-2");
    EXPECT_GT(redPixels(depth2), 100);
    EXPECT_TRUE(solidAt(depth2, obliqueView, treeChildren[0]));
    EXPECT_TRUE(solidAt(depth2, obliqueView, treeChildren[1]));
    EXPECT_FALSE(solidAt(depth2, obliqueView, treeGrandchildren[0]));
    EXPECT_GT(countSolidPixels(depth2, background), countSolidPixels(depth1, background));

    const image::RgbImage depth3 = pressAndSettle("plus", depth2, "depth-3");
    EXPECT_GT(redPixels(depth3), redPixels(depth2));
    EXPECT_TRUE(shapesAreLitWhite(depth3));
    for (const Point3& grandchild : treeGrandchildren) {
        EXPECT_TRUE(solidAt(depth3, obliqueView, grandchild)) << grandchild.x;
    }
    EXPECT_GT(countSolidPixels(depth3, background), countSolidPixels(depth2, background));

    // Rebuilt trees start from the same initial pose, so each depth looks as it did.
    EXPECT_EQ(countDifferences(pressAndSettle("minus", depth3, "back-to-2"), depth2), 0);
    EXPECT_EQ(countDifferences(pressAndSettle("equal", depth2, "equal-to-3"), depth3), 0);
    const image::RgbImage down2 = pressAndSettle("minus", depth3, "down-to-2");
    EXPECT_EQ(countDifferences(pressAndSettle("minus", down2, "down-to-1"), depth1), 0);
    // Depth 1 is the least: "-" rebuilds the same single ball, and one "+" makes it 2 again.
    press("minus");
    const image::RgbImage stillDepth1 = afterFrames("minus-at-1");
    EXPECT_EQ(countDifferences(stillDepth1, depth1), 0);
    EXPECT_EQ(countDifferences(pressAndSettle("plus", stillDepth1, "up-to-2"), depth2), 0);
}

TEST_F(Models, MinusAtDepthOneRestartsTheChainFromItsRestPose) {
    pause("paused");
    press("minus");
    const image::RgbImage rest = waitForStill("rest");
    EXPECT_TRUE(solidAt(rest, obliqueView, chainPivot));
    EXPECT_TRUE(solidAt(rest, obliqueView, firstLimbMiddle));
    EXPECT_FALSE(solidAt(rest, obliqueView, secondLimbMiddle));

    // Let it swing out of the rest pose and stop it there.
    image::RgbImage swung = rest;
    for (int attempt = 0; attempt < 5 && swung == rest; ++attempt) {
        press("space");
        waitForChange(swung, "swinging");
        swung = pause("swung");
    }
    ASSERT_GT(countDifferences(swung, rest), 0);

    EXPECT_EQ(countDifferences(pressAndSettle("minus", swung, "restarted"), rest), 0);
    const image::RgbImage twoLimbs = pressAndSettle("plus", rest, "two-limbs");
    EXPECT_TRUE(solidAt(twoLimbs, obliqueView, secondLimbMiddle));
    EXPECT_EQ(countDifferences(pressAndSettle("minus", twoLimbs, "one-limb"), rest), 0);
}

}  // namespace
}  // namespace e2e
