#include "scene/ball_tree.h"

#include <gtest/gtest.h>

#include <cstring>

#include <climits>
#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

#include "gl_matrices.h"
#include "gl_recorder.h"
#include "scene/tree_walks.h"
#include "tree_queries.h"
#include "vec3_expectations.h"

namespace {

using gl_double::call;
using gl_double::Call;
using gl_double::Matrix;

constexpr double spinStep = 0.010471666666666667;  // stored; not pi/300

const Call sphere = call("glutSolidSphere", {1.0, 10, 5});

Vec3 centreOf(const SceneNode* node) {
    return node->transform.transformPoint({0, 0, 0});
}

// The root's draw stream for the given child centres.
std::vector<Call> linesThenSphere(const std::vector<Vec3>& childCentres) {
    std::vector<Call> out{call("glColor3f", {1, 0, 0}), call("glLineWidth", {3}),
                          call("glBegin", {GL_LINES})};
    for (const Vec3& c : childCentres) {
        out.push_back(call("glVertex3dv", {0, 0, 0}));
        out.push_back(call("glVertex3dv", {c.x, c.y, c.z}));
    }
    out.push_back(call("glEnd"));
    out.push_back(call("glLineWidth", {1}));
    out.push_back(call("glColor3f", {1, 1, 1}));
    out.push_back(sphere);
    return out;
}

// Logs its id as it is destroyed.
class Tracer : public SceneNode {
  public:
    static inline std::vector<int> destroyed;
    explicit Tracer(int id_) : id(id_) {}
    ~Tracer() override { destroyed.push_back(id); }
    int id;
};

class BallTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gl_double::reset();
        Tracer::destroyed.clear();
    }
};

// --- construction --------------------------------------------------------------------------

TEST_F(BallTreeTest, DepthOneOrLessIsASingleBallThatDrawsOnlyItsSphere) {
    for (const int depth : {1, 0, -1, -100, INT_MIN}) {
        gl_double::reset();
        BallTree tree(depth);
        EXPECT_TRUE(tree.children.empty()) << depth;
        EXPECT_EQ(tree.radius, 1.0) << depth;
        EXPECT_EQ(toMatrix(tree.transform), toMatrix(Mat4()));
        tree.draw();
        EXPECT_EQ(gl_double::calls(), std::vector<Call>{sphere}) << depth;
        EXPECT_EQ(gl_double::countOf("glColor3f"), 0u);
        EXPECT_EQ(gl_double::countOf("glLineWidth"), 0u);
        EXPECT_EQ(gl_double::countOf("glBegin"), 0u);
    }
}

TEST_F(BallTreeTest, NodeCountIsTwoToTheDepthMinusOne) {
    for (int depth = 1; depth <= 12; ++depth) {
        BallTree tree(depth);
        EXPECT_EQ(nodeCount(&tree), (std::size_t{1} << depth) - 1) << depth;
    }
}

TEST_F(BallTreeTest, EveryInnerNodeHasTwoBallTreeChildrenOfRadiusOne) {
    BallTree tree(5);
    int leaves = 0;
    auto check = [&leaves](auto&& self, const SceneNode* node, int level) -> void {
        const auto* ball = dynamic_cast<const BallTree*>(node);
        ASSERT_NE(ball, nullptr);
        EXPECT_EQ(ball->radius, 1.0);
        if (level == 5) {
            EXPECT_TRUE(node->children.empty());
            ++leaves;
            return;
        }
        ASSERT_EQ(node->children.size(), 2u);
        for (const SceneNode* child : node->children) {
            self(self, child, level + 1);
        }
    };
    check(check, &tree, 1);
    EXPECT_EQ(leaves, 16);
}

TEST_F(BallTreeTest, ChildrenAreMovedThenScaledTowardsPlusXFirst) {
    BallTree tree(2);
    ASSERT_EQ(tree.children.size(), 2u);
    Mat4 right;
    right.setScaling({0.75, 0.75, 0.75});
    right.setColumn(3, {3, -2.25, 0});
    Mat4 left = right;
    left.m[12] = -3;
    EXPECT_EQ(toMatrix(childAt(&tree, 0)->transform), toMatrix(right));
    EXPECT_EQ(toMatrix(childAt(&tree, 1)->transform), toMatrix(left));
    EXPECT_EQ(centreOf(childAt(&tree, 0)), Vec3(3, -2.25, 0));
    EXPECT_EQ(centreOf(childAt(&tree, 1)), Vec3(-3, -2.25, 0));
}

TEST_F(BallTreeTest, ChildPlacementIsBitForBitThatOfMovingThenScaling) {
    BallTree tree(3);
    for (const double side : {1.0, -1.0}) {
        SceneNode placed;
        placed.translate({4.0 * side, -3.0, 0.0});
        placed.scale({0.75, 0.75, 0.75});
        const SceneNode* child = childAt(&tree, side > 0 ? 0 : 1);
        EXPECT_EQ(std::memcmp(child->transform.m, placed.transform.m, sizeof placed.transform.m), 0)
            << side;
        EXPECT_EQ(std::memcmp(childAt(child, side > 0 ? 0 : 1)->transform.m, placed.transform.m,
                              sizeof placed.transform.m),
                  0)
            << side;
    }
}

// --- drawing -------------------------------------------------------------------------------

TEST_F(BallTreeTest, DepthTwoRootDrawsTwoRedLinesThenItsSphere) {
    BallTree tree(2);
    EXPECT_EQ(nodeCount(&tree), 3u);
    tree.draw();
    const std::vector<Call> expected{call("glColor3f", {1, 0, 0}),
                                     call("glLineWidth", {3}),
                                     call("glBegin", {1}),
                                     call("glVertex3dv", {0, 0, 0}),
                                     call("glVertex3dv", {3, -2.25, 0}),
                                     call("glVertex3dv", {0, 0, 0}),
                                     call("glVertex3dv", {-3, -2.25, 0}),
                                     call("glEnd"),
                                     call("glLineWidth", {1}),
                                     call("glColor3f", {1, 1, 1}),
                                     call("glutSolidSphere", {1, 10, 5})};
    EXPECT_EQ(gl_double::calls(), expected);
    EXPECT_EQ(gl_double::countOf("glNormal3dv"), 0u);
}

TEST_F(BallTreeTest, DrawLeavesTheModelviewAsFound) {
    BallTree tree(3);
    glTranslatef(1.0f, 2.0f, 3.0f);
    const Matrix before = gl_double::currentMatrix();
    tree.draw();
    EXPECT_EQ(gl_double::currentMatrix(), before);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    renderTree(&tree);
    EXPECT_EQ(gl_double::currentMatrix(), before);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
}

TEST_F(BallTreeTest, RenderTreeOfDepthTwoIsTheExactStream) {
    BallTree tree(2);
    tree.translate({0, 4, 0});
    renderTree(&tree);
    std::vector<Call> expected{call("glPushMatrix"), multiplyCall(tree.transform)};
    for (const Call& c : linesThenSphere({{3, -2.25, 0}, {-3, -2.25, 0}})) {
        expected.push_back(c);
    }
    for (const SceneNode* child : tree.children) {
        expected.push_back(call("glPushMatrix"));
        expected.push_back(multiplyCall(child->transform));
        expected.push_back(sphere);  // a leaf draws its ball and nothing else
        expected.push_back(call("glPopMatrix"));
    }
    expected.push_back(call("glPopMatrix"));
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(BallTreeTest, DepthThreeGrandchildrenSitInTreeOrder) {
    BallTree tree(3);
    EXPECT_EQ(nodeCount(&tree), 7u);

    std::vector<Vec3> centres;
    for (const SceneNode* child : tree.children) {
        for (const SceneNode* grandchild : child->children) {
            centres.push_back(
                child->transform.multiply(grandchild->transform).transformPoint({0, 0, 0}));
        }
    }
    EXPECT_EQ(
        centres,
        (std::vector<Vec3>{
            {5.25, -3.9375, 0}, {0.75, -3.9375, 0}, {-0.75, -3.9375, 0}, {-5.25, -3.9375, 0}}));

    // Seen through the drawing: spheres in pre-order, root, first child and its two children,
    // second child and its two children.
    renderTree(&tree);
    const std::vector<Matrix>& spheres = gl_double::sphereModelviews();
    ASSERT_EQ(spheres.size(), 7u);
    const double x[] = {0, 3, 5.25, 0.75, -3, -0.75, -5.25};
    const double y[] = {0, -2.25, -3.9375, -3.9375, -2.25, -3.9375, -3.9375};
    const double s[] = {1, 0.75, 0.5625, 0.5625, 0.75, 0.5625, 0.5625};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(spheres[i][12], x[i]) << i;
        EXPECT_EQ(spheres[i][13], y[i]) << i;
        EXPECT_EQ(spheres[i][14], 0.0) << i;
        EXPECT_EQ(spheres[i][0], s[i]) << i;
    }
    EXPECT_EQ(gl_double::callsNamed("glutSolidSphere"), std::vector<Call>(7, sphere));
    // Three nodes have children, and each draws one block of two lines.
    EXPECT_EQ(gl_double::callsNamed("glBegin"), std::vector<Call>(3, call("glBegin", {1})));
    EXPECT_EQ(gl_double::countOf("glVertex3dv"), 12u);
    EXPECT_EQ(gl_double::countOf("glColor3f"), 6u);
    EXPECT_EQ(gl_double::countOf("glLineWidth"), 6u);
}

TEST_F(BallTreeTest, ColourAndWidthAreWhiteAndOneAfterEveryInnerNode) {
    BallTree tree(3);
    renderTree(&tree);
    const std::vector<Call>& c = gl_double::calls();
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].name == "glEnd") {
            ASSERT_LT(i + 2, c.size());
            EXPECT_EQ(c[i + 1], call("glLineWidth", {1}));
            EXPECT_EQ(c[i + 2], call("glColor3f", {1, 1, 1}));
        }
    }
    EXPECT_EQ(gl_double::callsNamed("glColor3f").back(), call("glColor3f", {1, 1, 1}));
    EXPECT_EQ(gl_double::callsNamed("glLineWidth").back(), call("glLineWidth", {1}));
}

TEST_F(BallTreeTest, DrawCallsBallDrawNonVirtually) {
    // An override that reaches BallTree::draw must not be entered a second time from it.
    struct Wrapped : BallTree {
        using BallTree::BallTree;
        int entered = 0;
        void draw() override {
            if (++entered > 1) {
                return;
            }
            BallTree::draw();
        }
    };
    Wrapped tree(2);
    tree.draw();
    EXPECT_EQ(tree.entered, 1);
    EXPECT_EQ(gl_double::countOf("glutSolidSphere"), 1u);
    EXPECT_EQ(gl_double::calls().back(), sphere);
}

// --- animation -----------------------------------------------------------------------------

TEST_F(BallTreeTest, AnimateTurnsByTheStoredStepAboutY) {
    BallTree tree(1);
    tree.animate();
    Mat4 expected;
    expected.setRotation({0, 1, 0}, spinStep);
    EXPECT_EQ(toMatrix(tree.transform), toMatrix(expected));
    const double turned = std::atan2(tree.transform.m[2], tree.transform.m[0]);
    EXPECT_NEAR(turned, 0.010471666666666667, 1e-16);
    EXPECT_GT(std::fabs(turned - 0.010471975511965976), 3e-7);
    EXPECT_TRUE(gl_double::calls().empty());
}

TEST_F(BallTreeTest, EveryStepIsTheSameFixedTurn) {
    BallTree tree(1);
    for (int k = 1; k <= 200; ++k) {
        const Mat4 before = tree.transform;
        tree.animate();
        Mat4 r;
        r.setRotation({0, 1, 0}, spinStep);
        EXPECT_EQ(toMatrix(tree.transform), toMatrix(r.multiply(before))) << k;
    }
}

TEST_F(BallTreeTest, ChildAnimatedAloneCirclesItsParentAtConstantHeight) {
    BallTree tree(2);
    SceneNode* child = childAt(&tree, 0);
    int k = 0;
    for (const int target : {1, 2, 10, 75, 150, 300, 450, 600, 1000}) {
        while (k < target) {
            child->animate();
            ++k;
        }
        const double angle = k * spinStep;
        const Vec3 centre = centreOf(child);
        expectNear(centre, {3 * std::cos(angle), -2.25, 3 * std::sin(angle)}, 1e-11);
        EXPECT_NEAR(centre.y, -2.25, 1e-12) << k;
    }
    // The other child and the root did not move.
    EXPECT_EQ(centreOf(childAt(&tree, 1)), Vec3(-3, -2.25, 0));
    EXPECT_EQ(toMatrix(tree.transform), toMatrix(Mat4()));
}

TEST_F(BallTreeTest, QuarterTurnOfAChildTakesItTowardsPlusZ) {
    BallTree tree(2);
    SceneNode* child = childAt(&tree, 0);
    // 150 steps are 1.5707500, just short of pi/2.
    for (int k = 0; k < 150; ++k) {
        child->animate();
    }
    expectNear(centreOf(child), {0, -2.25, 3}, 2e-4);
    EXPECT_GT(centreOf(child).x, 0.0);
}

TEST_F(BallTreeTest, LineEndsFollowTheChildrenAsTheyMove) {
    BallTree tree(2);
    for (int k = 0; k < 40; ++k) {
        childAt(&tree, 0)->animate();
    }
    for (int k = 0; k < 7; ++k) {
        animateTree(&tree);
    }
    tree.draw();
    EXPECT_EQ(gl_double::calls(),
              linesThenSphere({centreOf(childAt(&tree, 0)), centreOf(childAt(&tree, 1))}));
    const std::vector<Call> vertices = gl_double::callsNamed("glVertex3dv");
    ASSERT_EQ(vertices.size(), 4u);
    EXPECT_NEAR(vertices[1].args[0], 3 * std::cos(47 * spinStep), 1e-11);
    EXPECT_NEAR(vertices[1].args[2], 3 * std::sin(47 * spinStep), 1e-11);
    EXPECT_NEAR(vertices[3].args[0], -3 * std::cos(7 * spinStep), 1e-11);
    EXPECT_NEAR(vertices[3].args[2], -3 * std::sin(7 * spinStep), 1e-11);
}

TEST_F(BallTreeTest, AnimateTreeTurnsEveryNodeOnce) {
    BallTree tree(3);
    animateTree(&tree);
    Mat4 r;
    r.setRotation({0, 1, 0}, spinStep);
    EXPECT_EQ(toMatrix(tree.transform), toMatrix(r));
    for (const SceneNode* child : tree.children) {
        for (const SceneNode* grandchild : child->children) {
            // Each grandchild turned once about its parent's y axis.
            const Vec3 c = centreOf(grandchild);
            EXPECT_NEAR(c.y, -2.25, 1e-14);
            EXPECT_NEAR(std::hypot(c.x, c.z), 3.0, 1e-14);
            EXPECT_NEAR(std::atan2(c.z, c.x), c.x > 0 ? spinStep : spinStep - std::numbers::pi,
                        1e-14);
        }
    }
}

// --- deletion ------------------------------------------------------------------------------

TEST_F(BallTreeTest, DeletingTheRootReachesEveryLeafInTreeOrder) {
    SceneNode* root = new BallTree(3);
    int id = 0;
    for (SceneNode* child : root->children) {
        for (SceneNode* grandchild : child->children) {
            grandchild->addChild(new Tracer(id++));
        }
    }
    delete root;
    EXPECT_EQ(Tracer::destroyed, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(BallTreeTest, DeepTreeBuildsDrawsAndDeletes) {
    gl_double::setRecording(false);
    SceneNode* root = new BallTree(14);
    EXPECT_EQ(nodeCount(root), (std::size_t{1} << 14) - 1);
    animateTree(root);
    renderTree(root);
    EXPECT_EQ(gl_double::sphereModelviews().size(), static_cast<std::size_t>((1 << 14) - 1));
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    delete root;
}

}  // namespace
