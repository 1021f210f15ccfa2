#include "scene/swinging_limb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <vector>

#include "gl_matrices.h"
#include "gl_recorder.h"
#include "scene/tree_walks.h"
#include "tree_queries.h"
#include "vec3_expectations.h"

namespace {

using gl_double::Matrix;

// The angle of the k-th step (k counted from 1), from the stored constants: not pi/180.
double expectedStep(int k) {
    return std::cos(static_cast<double>(k) * 0.01745277777777778) * 0.012566;
}

// The turn about +y of a pure rotation about y, in this system's sense.
double turnAboutY(const Mat4& m) {
    return std::atan2(m.m[2], m.m[0]);
}

Mat4 rotationAboutY(double angle) {
    Mat4 r;
    r.setRotation({0, 1, 0}, angle);
    return r;
}

// The limbs of a chain, root first, checking on the way that every node is a SwingingLimb
// with at most one child.
std::vector<SwingingLimb*> chainOf(SwingingLimb* root) {
    std::vector<SwingingLimb*> chain;
    SceneNode* node = root;
    while (node != nullptr) {
        auto* limb = dynamic_cast<SwingingLimb*>(node);
        EXPECT_NE(limb, nullptr);
        if (limb == nullptr) {
            break;
        }
        chain.push_back(limb);
        EXPECT_LE(node->children.size(), 1u);
        node = node->children.empty() ? nullptr : node->children.front();
    }
    return chain;
}

class SwingingLimbTest : public ::testing::Test {
  protected:
    void SetUp() override { gl_double::reset(); }
};

// --- construction --------------------------------------------------------------------------

TEST_F(SwingingLimbTest, DepthOneOrLessBuildsASingleLimb) {
    for (const int depth : {1, 0, -1, -7, INT_MIN}) {
        for (const bool root : {true, false}) {
            const SwingingLimb limb(depth, root);
            EXPECT_TRUE(limb.children.empty()) << depth;
            EXPECT_EQ(limb.isRoot, root) << depth;
            EXPECT_EQ(limb.frameCount, 0) << depth;
        }
    }
}

TEST_F(SwingingLimbTest, ChainHoldsOneLimbPerLevelAndOnlyTheFirstIsARoot) {
    for (const int depth : {2, 3, 4, 12, 100}) {
        for (const bool root : {true, false}) {
            SwingingLimb first(depth, root);
            const std::vector<SwingingLimb*> chain = chainOf(&first);
            EXPECT_EQ(nodeCount(&first), static_cast<std::size_t>(depth));
            ASSERT_EQ(chain.size(), static_cast<std::size_t>(depth));
            EXPECT_EQ(chain[0]->isRoot, root);
            for (std::size_t i = 1; i < chain.size(); ++i) {
                EXPECT_FALSE(chain[i]->isRoot) << i;
                EXPECT_EQ(chain[i]->frameCount, 0);
            }
        }
    }
}

TEST_F(SwingingLimbTest, EachLimbStartsAtTheFarEndOfTheLastAtThreeQuartersItsSize) {
    SwingingLimb root(3, true);
    // Scaled, then moved: the child's origin sits at z = 3, not at 0.75 of it.
    const Matrix scaledThenMoved{0.75, 0, 0, 0, 0, 0.75, 0, 0, 0, 0, 0.75, 0, 0, 0, 3, 1};
    EXPECT_EQ(toMatrix(root.children.front()->transform), scaledThenMoved);

    // Two spheres of radius 0.5 per limb, near end first, in the root's frame: the third limb
    // runs from 3 + 0.75 x 3 = 5.25 to 5.25 + 0.5625 x 3 = 6.9375.
    renderTree(&root);
    const std::vector<Matrix>& spheres = gl_double::sphereModelviews();
    ASSERT_EQ(spheres.size(), 6u);
    const double z[] = {0.0, 3.0, 3.0, 5.25, 5.25, 6.9375};
    const double scale[] = {1.0, 1.0, 0.75, 0.75, 0.5625, 0.5625};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(spheres[i][12], 0.0) << i;
        EXPECT_EQ(spheres[i][13], 0.0) << i;
        EXPECT_EQ(spheres[i][14], z[i]) << i;
        EXPECT_EQ(spheres[i][0], scale[i]) << i;
    }
    EXPECT_EQ(gl_double::callsNamed("glutSolidSphere"),
              std::vector<gl_double::Call>(6, gl_double::call("glutSolidSphere", {0.5, 10, 5})));
    EXPECT_EQ(gl_double::countOf("glBegin"), 3u);
}

// --- animation -----------------------------------------------------------------------------

TEST_F(SwingingLimbTest, FirstStepOfARootTurnsItAboutItsNearEnd) {
    SwingingLimb root(1, true);
    root.animate();
    EXPECT_EQ(root.frameCount, 1);
    // The count is raised before it is used: the first angle is cos(1 step) x 0.012566.
    EXPECT_EQ(toMatrix(root.transform), toMatrix(rotationAboutY(expectedStep(1))));
    EXPECT_NEAR(turnAboutY(root.transform), 0.0125640863, 1e-10);
    // No translation, and the far end turns towards -x.
    EXPECT_EQ(root.transform.transformPoint({}), Vec3(0, 0, 0));
    const double a = expectedStep(1);
    expectNear(root.transform.transformPoint({0, 0, 3}), {-3 * std::sin(a), 0, 3 * std::cos(a)},
               1e-15);
    EXPECT_TRUE(gl_double::calls().empty());
}

TEST_F(SwingingLimbTest, EveryStepTurnsByTheCosineOfTheCount) {
    SwingingLimb root(1, true);
    double total = 0.0, lowest = 0.0, highest = 0.0;
    for (int k = 1; k <= 720; ++k) {
        const Mat4 before = root.transform;
        root.animate();
        ASSERT_EQ(root.frameCount, k);
        // One more turn multiplied in from the parent's side; nothing is rebuilt from the count.
        EXPECT_EQ(toMatrix(root.transform),
                  toMatrix(rotationAboutY(expectedStep(k)).multiply(before)))
            << "step " << k;
        total += expectedStep(k);
        lowest = std::min(lowest, total);
        highest = std::max(highest, total);
    }
    EXPECT_NEAR(lowest, -0.726, 0.001);
    EXPECT_NEAR(highest, 0.714, 0.001);
}

TEST_F(SwingingLimbTest, NinetiethStepIsAlmostNothingAndHundredEightiethIsMinusAmplitude) {
    SwingingLimb root(1, true);
    int done = 0;
    auto stepAt = [&root, &done](int k) {
        for (; done < k - 1; ++done) {
            root.animate();
        }
        ++done;
        const double before = turnAboutY(root.transform);
        root.animate();
        return turnAboutY(root.transform) - before;
    };
    const double step90 = stepAt(90);
    EXPECT_NEAR(step90, 5.8214e-7, 1e-10);
    const double step180 = stepAt(180);
    EXPECT_NEAR(step180, -0.012566, 1e-7);
    EXPECT_LT(step180, -0.0125659);
}

TEST_F(SwingingLimbTest, NonRootStepIsATurnAboutItsJoint) {
    SwingingLimb root(2, true);
    SceneNode* child = root.children.front();
    // The first step, exactly as a node turned about the point (0, 0, 3) of its parent's frame.
    SceneNode turnedAboutJoint;
    turnedAboutJoint.transform = child->transform;
    turnedAboutJoint.translate({0, 0, -3});
    turnedAboutJoint.rotate({0, 1, 0}, expectedStep(1));
    turnedAboutJoint.translate({0, 0, 3});
    child->animate();
    EXPECT_EQ(toMatrix(child->transform), toMatrix(turnedAboutJoint.transform));
    EXPECT_EQ(toMatrix(root.transform), toMatrix(Mat4()));

    // Over many steps of the whole chain the joint stays put and only the orientation changes:
    // the child's far end, 0.75 x 3 from the joint, swings about it.
    double total = expectedStep(1);
    for (int k = 2; k <= 5000; ++k) {
        animateTree(&root);
        total += expectedStep(k);
    }
    EXPECT_EQ(static_cast<SwingingLimb*>(child)->frameCount, 5000);
    expectNear(child->transform.transformPoint({0, 0, 0}), {0, 0, 3}, 1e-12);
    expectNear(child->transform.transformPoint({0, 0, 3}),
               {-2.25 * std::sin(total), 0, 3 + 2.25 * std::cos(total)}, 1e-9);
    // The root turns about its own near end and gains no translation.
    EXPECT_EQ(root.transform.transformPoint({}), Vec3(0, 0, 0));
}

TEST_F(SwingingLimbTest, NonRootArgumentMakesTheFirstLimbTurnAboutTheJointToo) {
    SwingingLimb limb(1, false);
    limb.animate();
    // Moved down by 3, turned, moved up by 3: its origin swings off the parent's origin.
    const double a = expectedStep(1);
    expectNear(limb.transform.transformPoint({0, 0, 0}), {3 * std::sin(a), 0, 3 - 3 * std::cos(a)},
               1e-15);
    expectNear(limb.transform.transformPoint({0, 0, 3}), {0, 0, 3}, 1e-15);
}

TEST_F(SwingingLimbTest, AnimateTreeKeepsEveryCounterOfAChainEqual) {
    SwingingLimb root(5, true);
    for (int k = 0; k < 37; ++k) {
        animateTree(&root);
    }
    for (const SwingingLimb* limb : chainOf(&root)) {
        EXPECT_EQ(limb->frameCount, 37);
    }
}

TEST_F(SwingingLimbTest, FrameCountWrapsAfterItsLargestValueAndSwingsOn) {
    SwingingLimb root(1, true);
    root.frameCount = INT_MAX - 1;
    root.animate();
    EXPECT_EQ(root.frameCount, INT_MAX);
    // The step at the wrap turns by what an unbounded count, 2^31, would give.
    root.transform = Mat4();
    root.animate();
    EXPECT_EQ(root.frameCount, INT_MIN);
    const Mat4 expected = rotationAboutY(std::cos(2147483648.0 * 0.01745277777777778) * 0.012566);
    EXPECT_EQ(toMatrix(root.transform), toMatrix(expected));
    root.animate();
    EXPECT_EQ(root.frameCount, INT_MIN + 1);
}

// --- deep chains ---------------------------------------------------------------------------

TEST_F(SwingingLimbTest, DeepChainBuildsDrawsAnimatesAndDeletes) {
    constexpr int depth = 300;
    gl_double::setModelviewStackLimit(depth + 10);
    gl_double::setRecording(false);
    SceneNode* root = new SwingingLimb(depth, true);
    for (int k = 0; k < 3; ++k) {
        animateTree(root);
    }
    renderTree(root);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(Mat4()));
    EXPECT_EQ(gl_double::sphereModelviews().size(), static_cast<std::size_t>(2 * depth));
    delete root;  // the sanitizer build reports any node left behind
}

}  // namespace
