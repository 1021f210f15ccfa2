#include "scene/scene_node.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "gl_matrices.h"
#include "gl_recorder.h"
#include "scene/ball.h"
#include "scene/limb.h"
#include "scene/subtree_disposer.h"
#include "scene/tree_walks.h"
#include "vec3_expectations.h"

namespace {

using gl_double::call;
using gl_double::Call;
using gl_double::Matrix;

constexpr double halfPi = std::numbers::pi / 2.0;

// A node whose draw leaves a marker in the call stream, glVertex3f(id, 0, 0), and records the
// modelview matrix in force; its animate and its destruction are logged by id.
class MarkerNode : public SceneNode {
  public:
    static inline std::vector<int> animated;
    static inline std::vector<int> destroyed;
    static inline int alive = 0;

    explicit MarkerNode(int id_) : id(id_) { ++alive; }
    ~MarkerNode() override {
        destroyed.push_back(id);
        --alive;
    }

    void draw() const override {
        glVertex3f(static_cast<float>(id), 0.0f, 0.0f);
        drawnUnder = gl_double::currentMatrix();
        ++drawCount;
    }
    void animate() override { animated.push_back(id); }

    static Call marker(int id) { return call("glVertex3f", {static_cast<double>(id), 0, 0}); }

    int id;
    mutable int drawCount = 0;
    mutable Matrix drawnUnder{};
};

class SceneNodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gl_double::reset();
        MarkerNode::animated.clear();
        MarkerNode::destroyed.clear();
        MarkerNode::alive = 0;
    }
};

// --- construction and transform composition ------------------------------------------------

TEST_F(SceneNodeTest, OperationsActInTheOrderCalledEachInTheParentsFrame) {
    SceneNode moveThenScale;
    moveThenScale.translate({1, 0, 0});
    moveThenScale.scale({2, 2, 2});
    EXPECT_EQ(moveThenScale.transform.transformPoint({0, 0, 0}), Vec3(2, 0, 0));
    EXPECT_EQ(moveThenScale.transform.transformPoint({1, 0, 0}), Vec3(4, 0, 0));

    SceneNode scaleThenMove;
    scaleThenMove.scale({2, 2, 2});
    scaleThenMove.translate({1, 0, 0});
    EXPECT_EQ(scaleThenMove.transform.transformPoint({0, 0, 0}), Vec3(1, 0, 0));
    EXPECT_EQ(scaleThenMove.transform.transformPoint({1, 0, 0}), Vec3(3, 0, 0));

    // A turn after a move swings the origin about the parent's origin.
    SceneNode moveThenTurn;
    moveThenTurn.translate({1, 0, 0});
    moveThenTurn.rotate({0, 1, 0}, halfPi);
    expectNear(moveThenTurn.transform.transformPoint({0, 0, 0}), {0, 0, 1});
}

TEST_F(SceneNodeTest, RotateAboutYByQuarterTurnUsesTheSystemsSense) {
    SceneNode node;
    node.rotate({0, 1, 0}, halfPi);
    expectNear(node.transform.transformPoint({1, 0, 0}), {0, 0, 1});
    expectNear(node.transform.transformPoint({0, 0, 1}), {-1, 0, 0});
    expectNear(node.transform.transformPoint({0, 1, 0}), {0, 1, 0});
}

TEST_F(SceneNodeTest, TurnAboutAJointKeepsTheOriginAtTheJoint) {
    SceneNode node;
    node.translate({0, 0, 3});
    node.translate({0, 0, -3});
    node.rotate({0, 1, 0}, halfPi);
    node.translate({0, 0, 3});
    expectNear(node.transform.transformPoint({0, 0, 0}), {0, 0, 3});
    expectNear(node.transform.transformPoint({0, 0, 1}), {-1, 0, 3});
}

// --- addChild ------------------------------------------------------------------------------

TEST_F(SceneNodeTest, AddChildReturnsItsArgumentAndAppends) {
    SceneNode parent;
    SceneNode* a = new SceneNode;
    SceneNode* b = new SceneNode;
    SceneNode* c = new SceneNode;
    EXPECT_EQ(parent.addChild(a), a);
    EXPECT_EQ(parent.addChild(b), b);
    EXPECT_EQ(parent.addChild(c), c);
    const std::vector<SceneNode*> order(parent.children.begin(), parent.children.end());
    EXPECT_EQ(order, (std::vector<SceneNode*>{a, b, c}));
}

// --- renderTree ----------------------------------------------------------------------------

TEST_F(SceneNodeTest, ChildlessNodeRendersAsPushMultiplyDrawPop) {
    MarkerNode node(7);
    node.translate({1, 2, 3});
    node.rotate({1, 1, 0}, 0.4);
    renderTree(&node);
    const std::vector<Call> expected{call("glPushMatrix"), multiplyCall(node.transform),
                                     MarkerNode::marker(7), call("glPopMatrix")};
    EXPECT_EQ(gl_double::calls(), expected);
    EXPECT_EQ(node.drawCount, 1);
    EXPECT_EQ(node.drawnUnder, toMatrix(node.transform));
}

TEST_F(SceneNodeTest, ChildlessPlainNodeRendersAsPushMultiplyPop) {
    SceneNode node;
    node.scale({2, 3, 4});
    renderTree(&node);
    const std::vector<Call> expected{call("glPushMatrix"), multiplyCall(node.transform),
                                     call("glPopMatrix")};
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(SceneNodeTest, ChildrenAreDrawnInAddChildOrderAfterTheParent) {
    MarkerNode parent(1);
    parent.translate({0, 0, -2});
    SceneNode* a = parent.addChild(new MarkerNode(2));
    a->translate({1, 0, 0});
    SceneNode* b = parent.addChild(new MarkerNode(3));
    b->scale({2, 2, 2});
    SceneNode* c = parent.addChild(new MarkerNode(4));
    c->rotate({0, 0, 1}, 1.0);

    renderTree(&parent);
    const std::vector<Call> expected{call("glPushMatrix"),       multiplyCall(parent.transform),
                                     MarkerNode::marker(1),      call("glPushMatrix"),
                                     multiplyCall(a->transform), MarkerNode::marker(2),
                                     call("glPopMatrix"),        call("glPushMatrix"),
                                     multiplyCall(b->transform), MarkerNode::marker(3),
                                     call("glPopMatrix"),        call("glPushMatrix"),
                                     multiplyCall(c->transform), MarkerNode::marker(4),
                                     call("glPopMatrix"),        call("glPopMatrix")};
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(SceneNodeTest, GrandchildrenAreDrawnDepthFirst) {
    SceneNode root;
    SceneNode* a = root.addChild(new MarkerNode(1));
    a->addChild(new MarkerNode(2));
    a->addChild(new MarkerNode(3));
    root.addChild(new MarkerNode(4));
    renderTree(&root);
    std::vector<double> markers;
    for (const Call& c : gl_double::callsNamed("glVertex3f")) {
        markers.push_back(c.args[0]);
    }
    EXPECT_EQ(markers, (std::vector<double>{1, 2, 3, 4}));
}

TEST_F(SceneNodeTest, PlainNodesChildrenAreDrawnUnderItsTransform) {
    SceneNode group;
    group.translate({1, 2, 3});
    group.rotate({0, 1, 0}, 0.5);
    auto* child = static_cast<MarkerNode*>(group.addChild(new MarkerNode(5)));
    child->scale({0.5, 0.5, 0.5});
    child->translate({0, -1, 0});
    Ball* ball = static_cast<Ball*>(group.addChild(new Ball(1.0)));
    ball->translate({4, 0, 0});

    renderTree(&group);
    EXPECT_EQ(child->drawnUnder, toMatrix(group.transform.multiply(child->transform)));
    ASSERT_EQ(gl_double::sphereModelviews().size(), 1u);
    EXPECT_EQ(gl_double::sphereModelviews()[0],
              toMatrix(group.transform.multiply(ball->transform)));
}

TEST_F(SceneNodeTest, RenderTreeLeavesModelviewMatrixAndDepthAsFound) {
    // Start from a non-identity modelview one level up, as the display callback's camera does.
    glTranslatef(0.5f, -1.0f, 2.0f);
    glPushMatrix();
    glTranslatef(1.0f, 1.0f, 1.0f);
    const Matrix before = gl_double::currentMatrix();
    const int depth = gl_double::stackDepth();

    SceneNode root;
    root.translate({1, 2, 3});
    SceneNode* a = root.addChild(new MarkerNode(1));
    a->rotate({1, 0, 0}, 0.3);
    a->addChild(new Ball(2.0))->scale({3, 3, 3});
    root.addChild(new MarkerNode(2))->translate({-1, 0, 0});

    gl_double::clearCalls();
    renderTree(&root);
    EXPECT_EQ(gl_double::currentMatrix(), before);
    EXPECT_EQ(gl_double::stackDepth(), depth);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    EXPECT_EQ(gl_double::countOf("glPushMatrix"), 4u);
    EXPECT_EQ(gl_double::countOf("glPopMatrix"), 4u);
    // A second walk gives the same stream again.
    const std::vector<Call> first = gl_double::calls();
    gl_double::clearCalls();
    renderTree(&root);
    EXPECT_EQ(gl_double::calls(), first);
    EXPECT_EQ(gl_double::currentMatrix(), before);
    EXPECT_EQ(gl_double::stackDepth(), depth);
}

TEST_F(SceneNodeTest, RenderTreeTakesOneStackLevelPerTreeLevel) {
    SceneNode root;
    SceneNode* level = &root;
    for (int i = 1; i <= 5; ++i) {
        level = level->addChild(new MarkerNode(i));
    }
    // Only the deepest node checks the depth while it draws.
    struct DepthProbe : SceneNode {
        mutable int seen = 0;
        void draw() const override { seen = gl_double::stackDepth(); }
    };
    auto* probe = static_cast<DepthProbe*>(level->addChild(new DepthProbe));
    renderTree(&root);
    EXPECT_EQ(probe->seen, 1 + 7);
    EXPECT_EQ(gl_double::stackDepth(), 1);
}

TEST_F(SceneNodeTest, DeepChainRendersAndRestoresTheStack) {
    constexpr int levels = 1000;
    gl_double::setModelviewStackLimit(levels + 10);
    auto* root = new SceneNode;
    SceneNode* last = root;
    for (int i = 1; i < levels; ++i) {
        last = last->addChild(new SceneNode);
        last->translate({0, 0, 1});
    }
    last->addChild(new Ball(1.0));
    // Whatever way the walk places the deepest levels, the ball lands where the transforms put
    // it, and the stack is left as it was found.
    glTranslatef(0.0f, 1.0f, 0.0f);
    renderTree(root);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    Mat4 camera;
    camera.setTranslation({0, 1, 0});
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(camera));
    ASSERT_EQ(gl_double::sphereModelviews().size(), 1u);
    Mat4 expected;
    expected.setTranslation({0, 1, levels - 1.0});
    EXPECT_EQ(gl_double::sphereModelviews()[0], toMatrix(expected));
    animateTree(root);
    delete root;
}

// --- animateTree ---------------------------------------------------------------------------

TEST_F(SceneNodeTest, AnimateTreeStepsParentsBeforeChildrenInAddChildOrder) {
    MarkerNode root(0);
    SceneNode* a = root.addChild(new MarkerNode(1));
    a->addChild(new MarkerNode(2));
    a->addChild(new MarkerNode(3));
    SceneNode* b = root.addChild(new MarkerNode(4));
    b->addChild(new MarkerNode(5));
    animateTree(&root);
    EXPECT_EQ(MarkerNode::animated, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(gl_double::calls().empty());
    animateTree(&root);
    EXPECT_EQ(MarkerNode::animated.size(), 12u);
}

// --- deletion ------------------------------------------------------------------------------

TEST_F(SceneNodeTest, DeletingTheRootDeletesEveryNodeOnceFirstChildsSubtreeFirst) {
    // Each node logs itself as its destructor starts, before SceneNode's destructor deletes
    // its children, so the log is the pre-order of the tree.
    SceneNode* root = new MarkerNode(0);
    SceneNode* a = root->addChild(new MarkerNode(1));
    SceneNode* a1 = a->addChild(new MarkerNode(2));
    a1->addChild(new MarkerNode(3));
    a->addChild(new MarkerNode(4));
    SceneNode* b = root->addChild(new MarkerNode(5));
    b->addChild(new MarkerNode(6));
    b->addChild(new MarkerNode(7));
    root->addChild(new MarkerNode(8));
    EXPECT_EQ(MarkerNode::alive, 9);

    delete root;
    EXPECT_EQ(MarkerNode::destroyed, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(MarkerNode::alive, 0);
}

TEST_F(SceneNodeTest, PlainRootDeletesMarkedChildrenThroughVirtualDestructor) {
    auto* root = new SceneNode;
    SceneNode* group = root->addChild(new SceneNode);
    group->addChild(new MarkerNode(1));
    group->addChild(new MarkerNode(2));
    root->addChild(new MarkerNode(3));
    delete root;
    EXPECT_EQ(MarkerNode::destroyed, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(MarkerNode::alive, 0);
}

TEST_F(SceneNodeTest, DeletingWideAndDeepTreesFreesEveryNode) {
    // A complete binary tree of depth 10 (1023 nodes) of marker nodes.
    int next = 0;
    auto build = [&next](auto&& self, int depth) -> SceneNode* {
        SceneNode* node = new MarkerNode(next++);
        if (depth > 1) {
            node->addChild(self(self, depth - 1));
            node->addChild(self(self, depth - 1));
        }
        return node;
    };
    SceneNode* root = build(build, 10);
    EXPECT_EQ(MarkerNode::alive, 1023);
    delete root;
    EXPECT_EQ(MarkerNode::alive, 0);
    ASSERT_EQ(MarkerNode::destroyed.size(), 1023u);
    // Ids were handed out in pre-order, and are destroyed in the same order.
    for (int i = 0; i < 1023; ++i) {
        EXPECT_EQ(MarkerNode::destroyed[static_cast<std::size_t>(i)], i);
    }
}

// --- trees deeper than the matrix stack ---------------------------------------------------

// A chain of plain nodes, each one step further along and turned a little, with a limb at the
// end of every tenth level; returns the root and the world matrices of the limbs.
SceneNode* chainWithLimbs(int levels, std::vector<Mat4>& limbFrames) {
    auto* root = new SceneNode;
    SceneNode* last = root;
    Mat4 frame;
    for (int level = 1; level <= levels; ++level) {
        last = last->addChild(new SceneNode);
        last->translate({0.0, 0.25, 0.0});
        last->rotate({0.0, 0.0, 1.0}, 0.05);
        frame = frame.multiply(last->transform);
        if (level % 10 == 0) {
            last->addChild(new Limb(0.5, 2.0));
            limbFrames.push_back(frame);
        }
    }
    return root;
}

// A hook that writes what it is told into a log, with the modelview matrix in force; nodes
// are named by the order they are met in.
class LoggingHook : public RenderHook {
  public:
    struct Event {
        bool entering;
        const SceneNode* node;
        Matrix modelview;
    };
    std::vector<Event> events;

    void entering(const SceneNode& node) override {
        events.push_back({true, &node, gl_double::currentMatrix()});
    }
    void leaving(const SceneNode& node) override {
        events.push_back({false, &node, gl_double::currentMatrix()});
    }
};

// The hook is told of every node as its subtree begins and ends, at every level, those below
// the stack included; when it is told of a node's entry, the node's frame is in force and
// nothing of the node is drawn yet. The GL calls are the same with the hook as without it.
TEST_F(SceneNodeTest, RenderHookIsToldOfEveryNodeAtEveryLevelAndChangesNoCall) {
    gl_double::setModelviewStackLimit(32);
    auto* root = new MarkerNode(0);
    std::vector<MarkerNode*> chain{root};
    for (int level = 2; level <= 40; ++level) {
        auto* next = static_cast<MarkerNode*>(chain.back()->addChild(new MarkerNode(level)));
        next->translate({0.0, 0.25, 0.0});
        next->rotate({0, 0, 1}, 0.1);
        chain.push_back(next);
    }
    // A second child of level 35, below the stack, after the chain's end.
    auto* side = static_cast<MarkerNode*>(chain[34]->addChild(new MarkerNode(100)));
    side->translate({1, 0, 0});
    glTranslatef(0.0f, 0.0f, -5.0f);

    gl_double::clearCalls();
    renderTree(root);
    const std::vector<Call> unhooked = gl_double::calls();

    LoggingHook hook;
    setRenderHook(&hook);
    gl_double::clearCalls();
    renderTree(root);
    setRenderHook(nullptr);
    EXPECT_EQ(gl_double::calls(), unhooked);

    // Entered root first, down the chain to its end, then the side node, then left from the
    // bottom up: level 40, then the side node, then level 35 and above.
    std::vector<const SceneNode*> expectedOrder;
    std::vector<bool> expectedEntering;
    for (MarkerNode* node : chain) {
        expectedOrder.push_back(node);
        expectedEntering.push_back(true);
    }
    expectedOrder.push_back(chain.back());
    expectedEntering.push_back(false);
    for (int level = 39; level >= 1; --level) {
        if (level == 35) {
            expectedOrder.insert(expectedOrder.end(), {side, side});
            expectedEntering.insert(expectedEntering.end(), {true, false});
        }
        expectedOrder.push_back(chain[static_cast<std::size_t>(level - 1)]);
        expectedEntering.push_back(false);
    }
    ASSERT_EQ(hook.events.size(), expectedOrder.size());
    for (std::size_t i = 0; i < hook.events.size(); ++i) {
        EXPECT_EQ(hook.events[i].node, expectedOrder[i]) << "event " << i;
        EXPECT_EQ(hook.events[i].entering, expectedEntering[i]) << "event " << i;
        if (hook.events[i].entering) {
            const auto* node = static_cast<const MarkerNode*>(hook.events[i].node);
            EXPECT_EQ(hook.events[i].modelview, node->drawnUnder) << "node " << node->id;
        }
    }

    // Removed, it is told of nothing more.
    hook.events.clear();
    renderTree(root);
    EXPECT_TRUE(hook.events.empty());
    delete root;
}

// Entered before the node's own draw, left after its children's.
TEST_F(SceneNodeTest, RenderHookIsToldAroundTheNodesOwnDrawAndItsChildren) {
    struct Ordering : RenderHook {
        void entering(const SceneNode& node) override {
            glVertex3f(-1.0f, static_cast<float>(static_cast<const MarkerNode&>(node).id), 0.0f);
        }
        void leaving(const SceneNode& node) override {
            glVertex3f(-2.0f, static_cast<float>(static_cast<const MarkerNode&>(node).id), 0.0f);
        }
    } hook;
    MarkerNode parent(1);
    parent.addChild(new MarkerNode(2));
    setRenderHook(&hook);
    renderTree(&parent);
    setRenderHook(nullptr);
    const std::vector<Call> expected{
        call("glPushMatrix"),           multiplyCall(parent.transform),
        call("glVertex3f", {-1, 1, 0}), MarkerNode::marker(1),
        call("glPushMatrix"),           multiplyCall(parent.children.front()->transform),
        call("glVertex3f", {-1, 2, 0}), MarkerNode::marker(2),
        call("glVertex3f", {-2, 2, 0}), call("glPopMatrix"),
        call("glVertex3f", {-2, 1, 0}), call("glPopMatrix")};
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(SceneNodeTest, ThirtyLevelsAndALimbFitTheSmallestStackExactly) {
    // 32 entries, the least OpenGL allows: the camera's, 30 levels and the limb's far end.
    gl_double::setModelviewStackLimit(32);
    auto* root = new SceneNode;
    SceneNode* last = root;
    for (int level = 2; level < 30; ++level) {
        last = last->addChild(new SceneNode);
        last->translate({0.0, 0.25, 0.0});
    }
    last->addChild(new Limb(0.5, 2.0));
    renderTree(root);
    EXPECT_EQ(gl_double::stackErrors(), 0);
    EXPECT_EQ(gl_double::countOf("glPushMatrix"), 30u + 1u);
    EXPECT_EQ(gl_double::countOf("glMultMatrixd"), 30u);
    EXPECT_EQ(gl_double::countOf("glGetDoublev"), 0u);
    EXPECT_EQ(gl_double::countOf("glLoadMatrixd"), 0u);
    delete root;
}

TEST_F(SceneNodeTest, LevelsBeyondTheStackAreLoadedInsteadOfPushed) {
    gl_double::setModelviewStackLimit(32);
    std::vector<Mat4> limbs;
    SceneNode* root = chainWithLimbs(200, limbs);
    glTranslatef(1.0f, 2.0f, 3.0f);  // a camera of sorts
    gl_double::clearCalls();
    renderTree(root);

    EXPECT_EQ(gl_double::stackErrors(), 0);
    EXPECT_EQ(gl_double::stackDepth(), 1);
    EXPECT_EQ(gl_double::currentMatrix(), toMatrix(Mat4().multiply([] {
                  Mat4 t;
                  t.setTranslation({1, 2, 3});
                  return t;
              }())));
    // The root and the first 29 levels, with the limbs below levels 10 and 20, are pushed as
    // ever. The walk reads the matrix once, where it leaves the stack at level 30, loads each of
    // the 171 deeper levels and their 18 limbs, and loads the matrix it read back at the end.
    EXPECT_EQ(gl_double::countOf("glMultMatrixd"), 1u + 29u + 2u);
    EXPECT_EQ(gl_double::countOf("glGetDoublev"), 1u);
    EXPECT_EQ(gl_double::countOf("glLoadMatrixd"), 171u + 18u + 1u);

    // Every limb is drawn where its levels put it: near end and far end.
    Mat4 camera;
    camera.setTranslation({1, 2, 3});
    const auto& spheres = gl_double::sphereModelviews();
    ASSERT_EQ(spheres.size(), 2 * limbs.size());
    for (std::size_t i = 0; i < limbs.size(); ++i) {
        const Mat4 nearEnd = camera.multiply(limbs[i]);
        Mat4 lift;
        lift.setTranslation({0, 0, 2});
        const Mat4 farEnd = nearEnd.multiply(lift);
        for (int k = 0; k < 16; ++k) {
            const auto index = static_cast<std::size_t>(k);
            EXPECT_NEAR(spheres[2 * i][index], nearEnd.m[k], 1e-9) << "limb " << i;
            EXPECT_NEAR(spheres[2 * i + 1][index], farEnd.m[k], 1e-9) << "limb " << i;
        }
    }
    delete root;
}

}  // namespace

namespace {

// A node that counts the nodes alive.
int alive = 0;
struct Counted : SceneNode {
    Counted() { ++alive; }
    ~Counted() override { --alive; }
};

Counted* countedTree(int levels) {
    auto* node = new Counted;
    if (levels > 1) {
        node->addChild(countedTree(levels - 1));
        node->addChild(countedTree(levels - 1));
    }
    return node;
}

// A tree handed to the disposer is freed a slice of nodes at a time, never more than asked, all
// of it in the end; whatever is left goes with the disposer.
TEST(SubtreeDisposer, FreesATreeNoMoreThanASliceAtATime) {
    {
        SubtreeDisposer disposer;
        disposer.add(countedTree(10));
        disposer.add(countedTree(3));
        ASSERT_EQ(alive, 1023 + 7);
        int slices = 0;
        while (!disposer.advance(100)) {
            ++slices;
            EXPECT_EQ(alive, 1030 - 100 * slices);
        }
        EXPECT_EQ(alive, 0);
        EXPECT_EQ(slices, 10);

        disposer.add(countedTree(8));
        disposer.advance(10);
        EXPECT_EQ(alive, 245);
    }
    EXPECT_EQ(alive, 0);
}

}  // namespace
