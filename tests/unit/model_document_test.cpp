#include "app/model_document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/edit_script.h"
#include "app_state.h"

namespace {

// Every node of every model, as paths, parents before children.
void collect(const SceneNode& node, NodePath path, std::vector<NodePath>& out) {
    out.push_back(path);
    std::uint32_t position = 0;
    for (const SceneNode* child : node.children) {
        NodePath childPath = path;
        childPath.positions.push_back(position++);
        collect(*child, childPath, out);
    }
}

std::vector<NodePath> allNodes() {
    std::vector<NodePath> paths;
    for (std::size_t model = 0; model < modelList.size(); ++model) {
        collect(*modelRoot(model), NodePath{model, {}}, paths);
    }
    return paths;
}

// Every node's class and transform, byte for byte, with the view state.
std::string snapshot() {
    std::string bytes;
    for (const NodePath& path : allNodes()) {
        const Mat4& m = document.find(path)->transform;
        bytes += document.find(path)->className();
        bytes.append(reinterpret_cast<const char*>(m.m), sizeof m.m);
    }
    bytes += std::to_string(modelIndex(currentModel)) + "/" + std::to_string(recursionDepth) + "/" +
             std::to_string(animating);
    return bytes;
}

void startAfresh() {
    resetApplication();
    buildScene();
    addYourModel();
    document.keepHistory(true);
}

std::string replayed(const std::vector<Edit>& script) {
    startAfresh();
    for (const Edit& edit : script) {
        document.apply(edit);
    }
    return snapshot();
}

// A random edit of the document's kinds, now and then one that must be refused; a value set
// goes on now and then as a slider's movement would (`last` is the value set before).
Edit randomEdit(std::mt19937& random, std::optional<Edit>& last) {
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    if (last && pick(3) == 0) {
        last->value += 0.25;
        last->continues = true;
        return *last;
    }
    const auto anyNode = [&pick](std::size_t model) {
        std::vector<NodePath> nodes;
        collect(*modelRoot(model), NodePath{model, {}}, nodes);
        return nodes[static_cast<std::size_t>(pick(static_cast<int>(nodes.size())))];
    };
    if (pick(3) == 0) {
        // A structural edit, of the model on screen or another one.
        const auto model = static_cast<std::size_t>(pick(static_cast<int>(modelList.size())));
        const NodePath node = anyNode(model);
        switch (pick(6)) {
            case 0:
            case 1:
                return Edit::moved(node, anyNode(model), pick(2) == 0);
            case 2:
                return Edit::added(node, static_cast<NewNode>(pick(5)), 1 + pick(3));
            case 3:
                return Edit::copied(node);
            case 4:
                return Edit::removed(node);
            default:
                return Edit::deepened(node, 1 + pick(4));
        }
    }
    switch (pick(12)) {
        case 0:
            return Edit::typed(std::string(1, "x +-1n"[pick(6)]));
        case 1:
        case 2:
            return Edit::stepped(1 + pick(4));
        case 3:
            return Edit::undone();
        case 4:
            return Edit::redone();
        case 5:
            return Edit::resetOfModel(static_cast<std::size_t>(pick(5)));
        default:
            break;
    }
    const std::vector<NodePath> nodes = allNodes();
    NodePath node = nodes[static_cast<std::size_t>(pick(static_cast<int>(nodes.size())))];
    if (pick(6) == 0) {
        return Edit::resetOf(node);
    }
    const std::optional<ModelDocument::NodeRest> rest = document.restOf(node);
    const std::uint32_t step = static_cast<std::uint32_t>(pick(static_cast<int>(rest->now.size())));
    if (rest->now[step].kind == TransformStep::Kind::matrix) {
        return Edit::set(node, step, StepField::x, 1.0);  // refused
    }
    const bool rotate = rest->now[step].kind == TransformStep::Kind::rotate;
    const StepField field = rotate ? StepField::angle : static_cast<StepField>(pick(3));
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    const double v = pick(20) == 0 ? 0.0 : value(random) * (rotate ? 60.0 : 1.0);
    last = Edit::set(node, step, field, v, pick(3) == 0);
    return *last;
}

// The world matrices of a subtree, parents first.
std::vector<Mat4> worldsBelow(const NodePath& top) {
    std::vector<NodePath> paths;
    collect(*document.find(top), top, paths);
    std::vector<Mat4> worlds;
    for (const NodePath& path : paths) {
        worlds.push_back(*document.worldOf(path));
    }
    return worlds;
}

// The document's central promises, on a few thousand random histories of keys (depths up to 4),
// steps, value edits, resets, moves both ways, adds, copies, deletes, depths of one tree, undo
// and redo: the history replayed (directly, and through its address) gives the live matrices
// to the bit; every edit undone gives the matrices of the same keys and steps never edited, to
// the bit; a move that keeps the world place leaves every world matrix of the subtree within
// 1e-9 of where it was.
TEST(ModelDocument, HistoriesReplayAndUndoToTheBit) {
    constexpr int histories = 2000;
    constexpr unsigned seed = 20261209;
    std::mt19937 random(seed);
    int undoneEdits = 0;
    int movesKeepingTheWorld = 0;
    int structural = 0;
    for (int run = 0; run < histories; ++run) {
        startAfresh();
        const int length = 5 + static_cast<int>(random() % 25);
        std::optional<Edit> lastSet;
        for (int i = 0; i < length; ++i) {
            Edit edit = randomEdit(random, lastSet);
            if (edit.kind == Edit::Kind::keys && edit.keys == "+" && recursionDepth >= 4) {
                edit.keys = "-";
            }
            std::vector<Mat4> worldsBefore;
            if (edit.kind == Edit::Kind::move && edit.keepWorld) {
                worldsBefore = worldsBelow(edit.node);
            }
            const Applied applied = document.apply(edit);
            structural += edit.structural() && !applied.line ? 1 : 0;
            if (!worldsBefore.empty() && !applied.line) {
                ++movesKeepingTheWorld;
                const std::vector<Mat4> worldsAfter = worldsBelow(*applied.at);
                ASSERT_EQ(worldsAfter.size(), worldsBefore.size());
                for (std::size_t n = 0; n < worldsAfter.size(); ++n) {
                    for (int e = 0; e < 16; ++e) {
                        ASSERT_NEAR(worldsAfter[n].m[e], worldsBefore[n].m[e], 1e-9)
                            << "run " << run << ", node " << n << " of the moved subtree";
                    }
                }
            }
        }
        const std::string live = snapshot();
        const std::vector<Edit> history = document.history();

        ASSERT_TRUE(replayed(history) == live) << "run " << run;
        std::optional<std::vector<Edit>> read;
        const int lastCount = history.empty() ? 0 : history.back().count;
        readScript(parseQuery(queryOf(history, history.size(), lastCount)), read);
        ASSERT_TRUE(replayed(read.value_or(std::vector<Edit>{})) == live)
            << "run " << run << " through the address";

        while (document.undoName()) {
            document.apply(Edit::undone());
            ++undoneEdits;
        }
        const std::string undone = snapshot();
        std::vector<Edit> unedited;
        for (const Edit& edit : document.history()) {
            if (edit.kind == Edit::Kind::keys || edit.kind == Edit::Kind::steps) {
                unedited.push_back(edit);
            }
        }
        ASSERT_TRUE(replayed(unedited) == undone)
            << "run " << run << " undone: " << queryOf(history, history.size(), lastCount);
    }
    EXPECT_GT(undoneEdits, histories);
    EXPECT_GT(movesKeepingTheWorld, histories / 10);
    EXPECT_GT(structural, histories);
}

// What an edit does to an animated node: its rest moves, and its motion goes on from there. A
// limb keeps its joint where the edit put it and swings about it; a ball keeps its new distance
// from its parent's axis and circles on.
TEST(ModelDocument, AnEditedNodeKeepsItsNewRestWhileItsAnimationRuns) {
    startAfresh();
    document.apply(Edit::typed("++"));
    const NodePath secondLimb{0, {0, 0}};
    ASSERT_EQ(document.apply(Edit::set(secondLimb, 1, StepField::z, 2.0)).line, std::nullopt);
    Vec3 lastTip;
    for (int step = 0; step < 3; ++step) {
        document.apply(Edit::stepped(40));
        const Mat4& limb = document.find(secondLimb)->transform;
        const Vec3 joint = limb.transformPoint({0, 0, 0});
        EXPECT_NEAR(joint.x, 0.0, 1e-12);
        EXPECT_NEAR(joint.z, 2.0, 1e-12);
        const Vec3 tip = limb.transformPoint({0, 0, 3});
        EXPECT_GT((tip - lastTip).length(), 1e-3) << "the limb swings";
        lastTip = tip;
    }

    document.apply(Edit::typed("xxx"));
    const NodePath secondBall{3, {0}};
    ASSERT_EQ(document.apply(Edit::set(secondBall, 0, StepField::x, 6.0)).line, std::nullopt);
    Vec3 lastCentre;
    for (int step = 0; step < 3; ++step) {
        document.apply(Edit::stepped(40));
        const Vec3 centre = document.find(secondBall)->transform.transformPoint({0, 0, 0});
        EXPECT_NEAR(std::hypot(centre.x, centre.z), 4.5, 1e-12);
        EXPECT_NEAR(centre.y, -2.25, 1e-12);
        EXPECT_GT((centre - lastCentre).length(), 1e-3) << "the ball circles";
        lastCentre = centre;
    }
}

// A refused edit says why in one line and changes nothing: not the matrices, not the history.
TEST(ModelDocument, BadValuesAndMissingNodesAreRefusedWithOneLine) {
    startAfresh();
    document.apply(Edit::stepped(3));
    const std::string before = snapshot();
    const std::size_t entries = document.history().size();
    const NodePath body{1, {1}};
    const auto refusal = [](const Edit& edit) { return document.apply(edit).line.value_or(""); };
    EXPECT_EQ(refusal(Edit::set(body, 0, StepField::y, std::nan(""))),
              "body, scale y: not a finite number");
    EXPECT_EQ(refusal(Edit::set(body, 0, StepField::x, 0.0)).substr(0, 60),
              "body, scale x: a scale of zero (or nearly) flattens the node");
    EXPECT_EQ(refusal(Edit::set(body, 1, StepField::x, 1e6)),
              "body, translate x: 1000000.000000 is past the range -1000 to 1000");
    EXPECT_EQ(refusal(Edit::set(body, 1, StepField::angle, 1.0)), "body, a move step has no angle");
    EXPECT_EQ(refusal(Edit::set(body, 2, StepField::x, 1.0)), "body has 2 steps, not 3");
    EXPECT_EQ(refusal(Edit::set(NodePath{1, {9}}, 0, StepField::x, 1.0)),
              "the figure has no node figure/10 (now); the edit is left out");
    EXPECT_EQ(refusal(Edit::set(NodePath{7, {}}, 0, StepField::x, 1.0)),
              "there is no model 8; the models are chain, figure, fan, tree and yours");
    EXPECT_EQ(refusal(Edit::undone()), "nothing to undo");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(document.history().size(), entries);
}

// A structural edit that cannot be done says why in one line and changes nothing.
TEST(ModelDocument, StructuralEditsThatCannotBeDoneAreRefusedWithOneLine) {
    startAfresh();
    document.apply(Edit::stepped(3));
    const std::string before = snapshot();
    const std::size_t entries = document.history().size();
    const auto refusal = [](const Edit& edit) { return document.apply(edit).line.value_or(""); };
    const NodePath shoulder{1, {2}};
    const NodePath arm{1, {2, 0}};
    EXPECT_EQ(refusal(Edit::moved(shoulder, shoulder, true)),
              "shoulder at -x cannot move under itself");
    EXPECT_EQ(refusal(Edit::moved(shoulder, NodePath{1, {2, 0, 0}}, false)),
              "shoulder at -x cannot move under arm at -x, limb 2, which lies below it");
    EXPECT_EQ(refusal(Edit::moved(NodePath{1, {}}, NodePath{1, {0}}, true)),
              "the root of the figure cannot be moved");
    EXPECT_EQ(refusal(Edit::moved(arm, shoulder, true)),
              "arm at -x is under shoulder at -x already");
    EXPECT_EQ(refusal(Edit::moved(arm, NodePath{3, {}}, true)),
              "arm at -x can move only within its own model");
    EXPECT_EQ(refusal(Edit::moved(arm, NodePath{1, {9}}, true)),
              "the figure has no node figure/10 (now) to move arm at -x under");
    EXPECT_EQ(refusal(Edit::removed(NodePath{4, {}})),
              "the root of your model cannot be deleted; delete a node under it");
    EXPECT_EQ(refusal(Edit::copied(NodePath{1, {7}})),
              "the figure has no node figure/8 (now); the edit is left out");
    EXPECT_EQ(refusal(Edit::added(NodePath{4, {}}, NewNode::chain, 0)),
              "a chain has 1 to 1000 limbs, not 0");
    EXPECT_EQ(refusal(Edit::added(NodePath{4, {}}, NewNode::tree, 40)).substr(0, 33),
              "a ball tree of depth 40 needs abo");
    EXPECT_EQ(refusal(Edit::deepened(NodePath{1, {0}}, 3)),
              "head is neither a chain nor a ball tree; only those have a depth of their own");
    EXPECT_EQ(refusal(Edit::deepened(arm, 3)), "arm at -x has depth 3 already");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(document.history().size(), entries);
}

// What a learner builds keeps its names and its motion: a chain added to the head swings about
// its own joint; a ball moved out of the tree keeps its name and circles its new parent.
TEST(ModelDocument, BuiltNodesAreNamedAndAnimateWhereTheyAre) {
    startAfresh();
    const NodePath head{1, {0}};
    ASSERT_EQ(document.apply(Edit::added(head, NewNode::chain, 2)).at, (NodePath{1, {0, 0}}));
    EXPECT_EQ(document.nameOf(NodePath{1, {0, 0}}), "chain 1 under head");
    EXPECT_EQ(document.nameOf(NodePath{1, {0, 0, 0}}), "chain 1 under head, limb 2");
    EXPECT_EQ(document.levelsOf(NodePath{1, {0, 0}}), 2);
    const Vec3 joint = document.worldOf(NodePath{1, {0, 0}})->transformPoint({0, 0, 0});
    document.apply(Edit::stepped(50));
    const Mat4 swung = *document.worldOf(NodePath{1, {0, 0}});
    EXPECT_LT((swung.transformPoint({0, 0, 0}) - joint).length(), 1e-12);
    EXPECT_GT((swung.transformPoint({0, 0, 3}) - joint).length(), 2.9);

    document.apply(Edit::typed("+++"));
    const NodePath ball5{3, {0, 1}};
    ASSERT_EQ(document.nameOf(ball5), "ball 5");
    const Applied moved = document.apply(Edit::moved(ball5, NodePath{3, {}}, false));
    ASSERT_EQ(moved.line, std::nullopt);
    EXPECT_EQ(moved.at, (NodePath{3, {2}}));
    EXPECT_EQ(document.nameOf(NodePath{3, {2}}), "ball 5");
    EXPECT_EQ(document.nameOf(NodePath{3, {2, 1}}), "ball 11");
    EXPECT_EQ(document.undoName(), "move ball 5 under ball 1");
    document.apply(Edit::undone());
    EXPECT_EQ(document.nameOf(ball5), "ball 5");
}

// A slider's movement is one step of history, even with the animation running under it; the
// next movement is another.
TEST(ModelDocument, AValueThatGoesOnIsOneStepOfHistory) {
    startAfresh();
    const NodePath head{1, {0}};
    for (int i = 0; i <= 50; ++i) {
        document.apply(Edit::set(head, 0, StepField::y, 3.0 + i * 0.02, i > 0));
        document.apply(Edit::stepped(1));
    }
    document.apply(Edit::set(head, 0, StepField::x, 1.0, true));
    EXPECT_EQ(document.history().size(), 3u);
    EXPECT_EQ(document.undoName(), "move head");
    document.apply(Edit::undone());
    document.apply(Edit::undone());
    EXPECT_EQ(document.find(head)->transform.transformPoint({0, 0, 0}).y, 3.0);
    EXPECT_EQ(document.redoName(), "move head");
}

// Edits of nodes a shallower tree lacks wait, said in one line, and come back with the depth.
TEST(ModelDocument, EditsOfNodesADepthLacksComeBackWithTheDepth) {
    startAfresh();
    document.apply(Edit::typed("++"));
    const NodePath deepBall{3, {1, 0}};
    document.apply(Edit::set(deepBall, 1, StepField::y, 2.0));
    EXPECT_EQ(document.apply(Edit::typed("-")).line,
              "depth 2 has no node tree/2/1; its edit is kept for a depth that has it");
    EXPECT_EQ(document.find(deepBall), nullptr);
    EXPECT_EQ(document.apply(Edit::typed("+")).line, std::nullopt);
    EXPECT_EQ(document.restOf(deepBall)->now[1].value.y, 2.0);
    EXPECT_NE(document.restOf(deepBall)->built, document.restOf(deepBall)->now);
}

}  // namespace
