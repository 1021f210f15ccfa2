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

constexpr double phaseStep = 0.01745277777777778;  // stored; not pi/180
constexpr double swingStep = 0.012566;
constexpr double limbLength = 3.0;

// The angle passed to rotate on the k-th animate call (k counted from 1).
double expectedStep(int k) {
    return std::cos(static_cast<double>(k) * phaseStep) * swingStep;
}

// The turn about +y of a pure rotation about y, in this system's sense: setRotation puts
// sin(angle) in m[2] and cos(angle) in m[0].
double turnAboutY(const Mat4& m) {
    return std::atan2(m.m[2], m.m[0]);
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

TEST_F(SwingingLimbTest, IsALimbOfRadiusHalfAndLengthThree) {
    const SwingingLimb limb(1, true);
    EXPECT_EQ(limb.radius, 0.5);
    EXPECT_EQ(limb.limbLength, 3.0);
    EXPECT_EQ(limb.frameCount, 0);
    EXPECT_TRUE(limb.isRoot);
    EXPECT_EQ(toMatrix(limb.transform), toMatrix(Mat4()));
}

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

TEST_F(SwingingLimbTest, DepthThreeBuildsThreeLimbs) {
    SwingingLimb root(3, true);
    const std::vector<SwingingLimb*> chain = chainOf(&root);
    ASSERT_EQ(chain.size(), 3u);
    for (const SwingingLimb* limb : chain) {
        EXPECT_EQ(limb->radius, 0.5);
        EXPECT_EQ(limb->limbLength, 3.0);
        EXPECT_EQ(limb->frameCount, 0);
    }
    EXPECT_TRUE(chain[2]->children.empty());
}

TEST_F(SwingingLimbTest, NodeCountEqualsDepth) {
    for (const int depth : {1, 2, 3, 4, 7, 12, 25, 100}) {
        SwingingLimb root(depth, true);
        EXPECT_EQ(nodeCount(&root), static_cast<std::size_t>(depth)) << depth;
        EXPECT_EQ(chainOf(&root).size(), static_cast<std::size_t>(depth)) << depth;
    }
}

TEST_F(SwingingLimbTest, ChildIsScaledThenMovedToTheFarEnd) {
    SwingingLimb root(2, true);
    ASSERT_EQ(root.children.size(), 1u);
    Mat4 expected;
    expected.setScaling({0.75, 0.75, 0.75});
    expected.m[14] = 3.0;
    EXPECT_EQ(toMatrix(root.children.front()->transform), toMatrix(expected));
    // Its origin sits at this limb's length, not 0.75 of it.
    EXPECT_EQ(root.children.front()->transform.transformPoint({0, 0, 0}), Vec3(0, 0, 3.0));
}

TEST_F(SwingingLimbTest, ThirdLimbStartsAtFiveQuarterAndEndsAtSixPointNine) {
    SwingingLimb root(3, true);
    const std::vector<SwingingLimb*> chain = chainOf(&root);
    ASSERT_EQ(chain.size(), 3u);
    const Mat4 toRoot = chain[1]->transform.multiply(chain[2]->transform);
    EXPECT_EQ(toRoot.transformPoint({0, 0, 0}), Vec3(0, 0, 5.25));
    EXPECT_EQ(toRoot.transformPoint({0, 0, limbLength}), Vec3(0, 0, 6.9375));

    // The same seen through the drawing: two spheres per limb, near end first.
    renderTree(&root);
    const std::vector<Matrix>& spheres = gl_double::sphereModelviews();
    ASSERT_EQ(spheres.size(), 6u);
    const double nearZ[] = {0.0, 3.0, 3.0, 5.25, 5.25, 6.9375};
    const double scale[] = {1.0, 1.0, 0.75, 0.75, 0.5625, 0.5625};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(spheres[i][12], 0.0) << i;
        EXPECT_EQ(spheres[i][13], 0.0) << i;
        EXPECT_EQ(spheres[i][14], nearZ[i]) << i;
        EXPECT_EQ(spheres[i][0], scale[i]) << i;
    }
    const std::vector<gl_double::Call> spheresDrawn = gl_double::callsNamed("glutSolidSphere");
    ASSERT_EQ(spheresDrawn.size(), 6u);
    for (const auto& c : spheresDrawn) {
        EXPECT_EQ(c, gl_double::call("glutSolidSphere", {0.5, 10, 5}));
    }
    EXPECT_EQ(gl_double::countOf("glBegin"), 3u);
    EXPECT_EQ(gl_double::countOf("glVertex3dv"), 1200u);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
}

TEST_F(SwingingLimbTest, OnlyTheLimbBuiltAsRootIsARoot) {
    SwingingLimb root(4, true);
    const std::vector<SwingingLimb*> chain = chainOf(&root);
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_TRUE(chain[0]->isRoot);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        EXPECT_FALSE(chain[i]->isRoot) << i;
    }

    SwingingLimb notRoot(4, false);
    for (const SwingingLimb* limb : chainOf(&notRoot)) {
        EXPECT_FALSE(limb->isRoot);
    }
}

// --- animation -----------------------------------------------------------------------------

TEST_F(SwingingLimbTest, FirstAnimateOnARootIsTheRotationByTheFirstStep) {
    SwingingLimb root(1, true);
    root.animate();
    EXPECT_EQ(root.frameCount, 1);
    Mat4 expected;
    expected.setRotation({0, 1, 0}, std::cos(0.01745277777777778) * 0.012566);
    EXPECT_EQ(toMatrix(root.transform), toMatrix(expected));
    EXPECT_EQ(root.transform.m[12], 0.0);
    EXPECT_EQ(root.transform.m[13], 0.0);
    EXPECT_EQ(root.transform.m[14], 0.0);
    EXPECT_NEAR(turnAboutY(root.transform), 0.0125640863, 1e-10);
    // The count is raised before it is used: a step of cos(0) x 0.012566 would be 0.012566.
    EXPECT_GT(std::fabs(turnAboutY(root.transform) - 0.012566), 1e-6);
    EXPECT_TRUE(gl_double::calls().empty());
}

TEST_F(SwingingLimbTest, FirstStepTurnsTheFarEndTowardsMinusX) {
    SwingingLimb root(1, true);
    root.animate();
    const double a = expectedStep(1);
    expectNear(root.transform.transformPoint({0, 0, 3}), {-3 * std::sin(a), 0, 3 * std::cos(a)},
               1e-15);
}

TEST_F(SwingingLimbTest, EveryStepTurnsByTheCosineOfTheCount) {
    SwingingLimb root(1, true);
    Mat4 previous = root.transform;
    double total = 0.0, lowest = 0.0, highest = 0.0;
    for (int k = 1; k <= 720; ++k) {
        root.animate();
        ASSERT_EQ(root.frameCount, k);
        const double step = turnAboutY(root.transform) - turnAboutY(previous);
        const double wrapped = std::remainder(step, 2.0 * std::numbers::pi);
        EXPECT_NEAR(wrapped, expectedStep(k), 1e-13) << "step " << k;
        // Measured from the change of transform too: new = R(step) x old.
        Mat4 r;
        r.setRotation({0, 1, 0}, expectedStep(k));
        const Mat4 predicted = r.multiply(previous);
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(root.transform.m[i], predicted.m[i], 1e-15) << "step " << k;
        }
        EXPECT_EQ(root.transform.m[12], 0.0);
        EXPECT_EQ(root.transform.m[14], 0.0);
        total += expectedStep(k);
        lowest = std::min(lowest, total);
        highest = std::max(highest, total);
        previous = root.transform;
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
    EXPECT_GT(step90, 0.0);
    const double step180 = stepAt(180);
    EXPECT_NEAR(step180, -0.012566, 1e-7);
    EXPECT_LT(step180, -0.0125659);
}

TEST_F(SwingingLimbTest, NonRootTurnsAboutItsJointAndKeepsItsTranslation) {
    SwingingLimb root(2, true);
    SceneNode* child = root.children.front();
    double total = 0.0;
    for (int k = 1; k <= 5000; ++k) {
        animateTree(&root);
        total += expectedStep(k);
        if (k % 250 == 0) {
            expectNear(child->transform.transformPoint({0, 0, 0}), {0, 0, 3}, 1e-12);
        }
    }
    EXPECT_EQ(root.frameCount, 5000);
    EXPECT_EQ(static_cast<SwingingLimb*>(child)->frameCount, 5000);
    expectNear(child->transform.transformPoint({0, 0, 0}), {0, 0, 3}, 1e-12);
    // Only the orientation changed: the far end of the child swung about the joint, at 0.75
    // of the child's length.
    expectNear(child->transform.transformPoint({0, 0, 3}),
               {-2.25 * std::sin(total), 0, 3 + 2.25 * std::cos(total)}, 1e-9);
    // The root turns about its own near end and gains no translation.
    EXPECT_EQ(root.transform.m[12], 0.0);
    EXPECT_EQ(root.transform.m[13], 0.0);
    EXPECT_EQ(root.transform.m[14], 0.0);
}

TEST_F(SwingingLimbTest, NonRootFirstStepIsTheJointTurn) {
    SwingingLimb root(2, true);
    SceneNode* child = root.children.front();
    const Mat4 before = child->transform;
    child->animate();
    Mat4 down, turn, up;
    down.setTranslation({0, 0, -3});
    turn.setRotation({0, 1, 0}, expectedStep(1));
    up.setTranslation({0, 0, 3});
    const Mat4 expected = up.multiply(turn.multiply(down.multiply(before)));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(child->transform.m[i], expected.m[i]) << i;
    }
    EXPECT_EQ(toMatrix(root.transform), toMatrix(Mat4()));
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

TEST_F(SwingingLimbTest, AnimatingChangesNoDrawing) {
    SwingingLimb root(3, true);
    renderTree(&root);
    const std::size_t callsBefore = gl_double::calls().size();
    for (int k = 0; k < 10; ++k) {
        animateTree(&root);
    }
    gl_double::clearCalls();
    renderTree(&root);
    EXPECT_EQ(gl_double::calls().size(), callsBefore);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(Mat4()));
}

// --- deep chains and deletion --------------------------------------------------------------

TEST_F(SwingingLimbTest, DeepChainBuildsDrawsAnimatesAndDeletes) {
    constexpr int depth = 300;
    gl_double::setModelviewStackLimit(depth + 10);
    gl_double::setRecording(false);
    SceneNode* root = new SwingingLimb(depth, true);
    EXPECT_EQ(nodeCount(root), static_cast<std::size_t>(depth));
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

TEST_F(SwingingLimbTest, ChainSizesShrinkByAQuarterPerLimb) {
    SwingingLimb root(6, true);
    renderTree(&root);
    const std::vector<Matrix>& spheres = gl_double::sphereModelviews();
    ASSERT_EQ(spheres.size(), 12u);
    double scale = 1.0, z = 0.0;
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_NEAR(spheres[2 * k][0], scale, 1e-15) << k;
        EXPECT_NEAR(spheres[2 * k][14], z, 1e-12) << k;
        z += 3.0 * scale;
        EXPECT_NEAR(spheres[2 * k + 1][14], z, 1e-12) << k;
        scale *= 0.75;
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
    Mat4 expected;
    expected.setRotation({0, 1, 0}, std::cos(2147483648.0 * 0.01745277777777778) * 0.012566);
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(root.transform.m[k], expected.m[k]) << k;
    }
    root.animate();
    EXPECT_EQ(root.frameCount, INT_MIN + 1);
}

}  // namespace
