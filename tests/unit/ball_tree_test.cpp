#include "scene/ball_tree.h"

#include <gtest/gtest.h>

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

using gl_double::call;
using gl_double::Call;
using gl_double::Matrix;

constexpr double spinStep = 0.010471666666666667;  // stored; not pi/300

const Call sphere = call("glutSolidSphere", {1.0, 10, 5});

Vec3 centreOf(const SceneNode* node) {
    return node->transform.transformPoint({0, 0, 0});
}

// The two red lines from the centre to the children's centres, then the ball.
std::vector<Call> linesThenSphere(const Vec3& first, const Vec3& second) {
    return {call("glColor3f", {1, 0, 0}),
            call("glLineWidth", {3}),
            call("glBegin", {GL_LINES}),
            call("glVertex3dv", {0, 0, 0}),
            call("glVertex3dv", {first.x, first.y, first.z}),
            call("glVertex3dv", {0, 0, 0}),
            call("glVertex3dv", {second.x, second.y, second.z}),
            call("glEnd"),
            call("glLineWidth", {1}),
            call("glColor3f", {1, 1, 1}),
            sphere};
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
        tree.draw();
        EXPECT_EQ(gl_double::calls(), std::vector<Call>{sphere}) << depth;
    }
}

TEST_F(BallTreeTest, EveryBallAboveTheLastLevelHasTwoBallTreeChildren) {
    for (int depth = 1; depth <= 12; ++depth) {
        BallTree tree(depth);
        EXPECT_EQ(nodeCount(&tree), (std::size_t{1} << depth) - 1) << depth;
    }
    BallTree tree(5);
    int leaves = 0;
    auto check = [&leaves](auto&& self, const SceneNode* node, int level) -> void {
        ASSERT_NE(dynamic_cast<const BallTree*>(node), nullptr);
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

TEST_F(BallTreeTest, DepthTwoDrawsTheRedLinesToChildrenMovedThenScaled) {
    BallTree tree(2);
    tree.translate({0, 4, 0});
    renderTree(&tree);
    // Moved by (+-4, -3, 0), then scaled by 0.75: the centres land at (+-3, -2.25, 0), towards
    // +x first.
    const std::vector<double> right{0.75, 0, 0, 0, 0, 0.75, 0, 0, 0, 0, 0.75, 0, 3, -2.25, 0, 1};
    const std::vector<double> left{0.75, 0, 0, 0, 0, 0.75, 0, 0, 0, 0, 0.75, 0, -3, -2.25, 0, 1};
    std::vector<Call> expected{
        call("glPushMatrix"),
        call("glMultMatrixd", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 4, 0, 1}),
    };
    for (const Call& c : linesThenSphere({3, -2.25, 0}, {-3, -2.25, 0})) {
        expected.push_back(c);
    }
    for (const std::vector<double>& placement : {right, left}) {
        expected.push_back(call("glPushMatrix"));
        expected.push_back({"glMultMatrixd", placement, {}});
        expected.push_back(sphere);  // a ball without children draws its sphere and nothing else
        expected.push_back(call("glPopMatrix"));
    }
    expected.push_back(call("glPopMatrix"));
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(BallTreeTest, DepthThreeBallsSitInTreeOrderAndEveryInnerBallRestoresWhite) {
    BallTree tree(3);
    renderTree(&tree);
    // Spheres in pre-order: root, first child and its two children, second child and its two.
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
    // Three balls have children; each draws one block of two lines and then puts the width
    // back to 1 and the colour back to white.
    const std::vector<Call>& c = gl_double::calls();
    int blocks = 0;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].name == "glBegin") {
            ++blocks;
            ASSERT_LT(i + 7, c.size());
            EXPECT_EQ(c[i], call("glBegin", {GL_LINES}));
            EXPECT_EQ(c[i + 5], call("glEnd"));
            EXPECT_EQ(c[i + 6], call("glLineWidth", {1}));
            EXPECT_EQ(c[i + 7], call("glColor3f", {1, 1, 1}));
        }
    }
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(gl_double::countOf("glColor3f"), 6u);
    EXPECT_EQ(gl_double::countOf("glLineWidth"), 6u);
}

TEST_F(BallTreeTest, DrawCallsBallDrawNonVirtually) {
    // An override that reaches BallTree::draw must not be entered a second time from it.
    struct Wrapped : BallTree {
        using BallTree::BallTree;
        mutable int entered = 0;
        void draw() const override {
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

TEST_F(BallTreeTest, EveryStepIsTheSameTurnByTheStoredStepAboutY) {
    BallTree tree(1);
    Mat4 turn;
    turn.setRotation({0, 1, 0}, spinStep);
    for (int k = 1; k <= 200; ++k) {
        const Mat4 before = tree.transform;
        tree.animate();
        EXPECT_EQ(toMatrix(tree.transform), toMatrix(turn.multiply(before))) << k;
    }
    EXPECT_TRUE(gl_double::calls().empty());
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
        // Turning towards +z: a quarter turn (150 steps) takes the centre near (0, -2.25, 3).
        const double angle = k * spinStep;
        expectNear(centreOf(child), {3 * std::cos(angle), -2.25, 3 * std::sin(angle)}, 1e-11);
    }
    // The other child and the root did not move.
    EXPECT_EQ(centreOf(childAt(&tree, 1)), Vec3(-3, -2.25, 0));
    EXPECT_EQ(toMatrix(tree.transform), toMatrix(Mat4()));
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
              linesThenSphere(centreOf(childAt(&tree, 0)), centreOf(childAt(&tree, 1))));
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
    animateTree(root);
    renderTree(root);
    EXPECT_EQ(gl_double::sphereModelviews().size(), static_cast<std::size_t>((1 << 14) - 1));
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    delete root;
}

}  // namespace
