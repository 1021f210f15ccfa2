#include "outline_nodes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "page_json.h"
#include "scene/tree_walks.h"

namespace explorer {
namespace {

const SceneNode* childAt(const SceneNode* node, std::size_t i) {
    return *std::next(node->children.begin(), static_cast<std::ptrdiff_t>(i));
}

class OutlineNodesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetCatalogue();
        buildScene();
        figure = *std::next(modelList.begin());
        nodes.startGeneration(*figure);
    }
    void TearDown() override { resetCatalogue(); }

    ModelSlot* figure = nullptr;
    OutlineNodes nodes;
};

// Ids are small integers in the order the outline lists the nodes, the same when a row is
// opened again, and never an address; the page's JSON carries them with the names.
TEST_F(OutlineNodesTest, NumbersNodesAsTheOutlineListsThem) {
    const std::vector<int> children = nodes.children(0);
    ASSERT_EQ(children.size(), figure->root->children.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(children[i], static_cast<int>(i) + 1);
        EXPECT_EQ(&nodes.node(children[i]), childAt(figure->root, i));
    }
    EXPECT_EQ(nodes.children(0), children);

    const nlohmann::json listed = nlohmann::json::parse(childrenJson(nodes, 0));
    ASSERT_EQ(listed.size(), children.size());
    EXPECT_EQ(listed[0]["id"], 1);
    EXPECT_EQ(listed[0]["name"], nodes.name(1));
    EXPECT_EQ(listed[0]["className"], childAt(figure->root, 0)->className());
    const nlohmann::json model = nlohmann::json::parse(modelJson(nodes, *figure, 1, true));
    EXPECT_EQ(model["root"]["id"], 0);
    EXPECT_EQ(model["root"]["children"], figure->root->children.size());
    EXPECT_EQ(model["model"], "figure");
    EXPECT_EQ(model["paused"], true);
}

// What the page hands back is checked: another generation's ids, ids not yet listed, and
// numbers that are no ids at all find nothing.
TEST_F(OutlineNodesTest, FindsOnlyTheIdsOfItsGeneration) {
    const int generation = nodes.generation();
    EXPECT_EQ(nodes.find(generation, 0), figure->root);
    EXPECT_EQ(nodes.find(generation, 1), nullptr);
    nodes.children(0);
    EXPECT_EQ(nodes.find(generation, 1), childAt(figure->root, 0));
    for (const double bad : {-1.0, 0.5, 1e9, std::nan("")}) {
        EXPECT_EQ(nodes.find(generation, bad), nullptr) << bad;
    }
    EXPECT_EQ(nodes.find(generation - 1, 0), nullptr);
    nodes.startGeneration(*figure);
    EXPECT_EQ(nodes.find(generation, 0), nullptr);
    EXPECT_EQ(nodes.find(generation + 1, 1), nullptr);
}

// A picked node deep in the tree gets the ids that opening the outline down to it gives, and
// its path back from the id is the same nodes.
TEST_F(OutlineNodesTest, NumbersAPickedPathAsTheOutlineWould) {
    const ModelSlot& tree = **std::prev(modelList.end());
    raiseRecursionDepth();
    raiseRecursionDepth();
    nodes.startGeneration(tree);
    const SceneNode* a = childAt(tree.root, 1);
    const SceneNode* b = childAt(a, 0);
    const std::vector<int> ids = nodes.idsAlong({tree.root, a, b});
    ASSERT_EQ(ids.size(), 3u);

    OutlineNodes opened;
    opened.startGeneration(tree);
    const int aId = opened.children(0)[1];
    const int bId = opened.children(aId)[0];
    EXPECT_EQ(ids, (std::vector<int>{0, aId, bId}));
    EXPECT_EQ(nodes.pathTo(ids[2]), (std::vector<const SceneNode*>{tree.root, a, b}));
    EXPECT_EQ(nodes.name(ids[2]), opened.name(bId));
    EXPECT_TRUE(nodes.idsAlong({a, b}).empty());
}

// Where a structural edit leaves its node is a document path; its ids are those that opening the
// outline down to it gives, and they name the same node back. A path past the children is none.
TEST_F(OutlineNodesTest, NumbersADocumentPathAsTheOutlineWould) {
    const ModelSlot& tree = **std::prev(modelList.end());
    raiseRecursionDepth();
    raiseRecursionDepth();
    nodes.startGeneration(tree);
    const NodePath path{3, {1, 0}};
    const std::vector<int> ids = nodes.idsOf(path);
    const SceneNode* a = childAt(tree.root, 1);
    OutlineNodes picked;
    picked.startGeneration(tree);
    EXPECT_EQ(ids, picked.idsAlong({tree.root, a, childAt(a, 0)}));
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(nodes.pathOf(ids[2], 3), path);
    EXPECT_EQ(nodes.idsOf(NodePath{3, {}}), std::vector<int>{0});
    EXPECT_TRUE(nodes.idsOf(NodePath{3, {1, 0, 0, 0, 0, 0}}).empty());
    EXPECT_TRUE(nodes.idsOf(NodePath{3, {7}}).empty());
}

// A move that keeps the node's place in the world adds a step that is a whole matrix: the
// panel is handed it with its 16 numbers and no field to edit, after the steps the node was
// built with; a chain's limb and a ball tree's ball say their levels, other nodes none.
TEST_F(OutlineNodesTest, ARestGainsAMatrixStepFromAMove) {
    const NodePath shoulder{1, {2}}, head{1, {0}};
    ASSERT_FALSE(document.apply(Edit::moved(shoulder, head, true)).line);
    const nlohmann::json rest = nlohmann::json::parse(restJson(document, NodePath{1, {0, 0}}));
    const nlohmann::json& steps = rest["steps"];
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[3]["kind"], "matrix");
    EXPECT_EQ(steps[3]["text"], "matrix, from the move");
    EXPECT_TRUE(steps[3]["fields"].empty());
    EXPECT_EQ(steps[3]["matrix"].size(), 16u);
    EXPECT_EQ(steps[2]["fields"][0]["value"], steps[2]["fields"][0]["built"]);
    EXPECT_TRUE(rest["edited"]);
    EXPECT_TRUE(rest["levels"].is_null());
    const nlohmann::json limb = nlohmann::json::parse(restJson(document, NodePath{0, {0}}));
    EXPECT_EQ(limb["levels"], 1);
}

}  // namespace
}  // namespace explorer
