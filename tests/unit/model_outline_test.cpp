#include "app/model_outline.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app_state.h"
#include "scene/tree_walks.h"

namespace {

class Outline : public ::testing::Test {
  protected:
    void SetUp() override {
        resetApplication();
        buildScene();
    }
    void TearDown() override { resetApplication(); }

    static const ModelSlot& model(std::size_t index) {
        return **std::next(modelList.begin(), static_cast<long>(index));
    }

    static std::vector<std::string> namesOf(const std::vector<NodeLabel>& labels) {
        std::vector<std::string> names;
        for (const NodeLabel& label : labels) {
            names.push_back(label.name);
        }
        return names;
    }
};

TEST_F(Outline, ABallsChildrenAreNamedFromItsLabelAloneOneLevelAtATime) {
    resetApplication();
    buildSceneAtDepth(12);
    const ModelSlot& tree = *treeSlot;
    // Down the tree, left twice and then right twice, as an outline opens it row by row: ball
    // k's children are balls 2k and 2k + 1, however deep.
    const SceneNode* node = tree.root;
    NodeLabel label = rootLabel(tree);
    EXPECT_EQ(label.name, "ball 1");
    for (const std::uint64_t expected : {2u, 4u, 9u, 19u}) {
        const std::vector<NodeLabel> children = childLabels(tree, *node, label);
        ASSERT_EQ(children.size(), 2u);
        const std::size_t pick = expected % 2;
        EXPECT_EQ(children[1 - pick].name, "ball " + std::to_string(expected ^ 1));
        label = children[pick];
        node = *std::next(node->children.begin(), static_cast<long>(pick));
        EXPECT_EQ(label.name, "ball " + std::to_string(expected));
    }
    EXPECT_STREQ(node->className(), "BallTree");
    EXPECT_EQ(countBelow(*node), (1u << 8) - 2) << "ball 19 heads a tree of 8 levels";
    EXPECT_EQ(countBelow(*tree.root), (1u << 12) - 2);
}

TEST_F(Outline, NodesNothingNamesAreNamedByTheirPathFromTheNearestNamedNode) {
    // Added to the figure after it was built: its parts keep their names, the strangers get
    // paths, and a limb's second child is no limb of its chain.
    SceneNode* figure = model(1).root;
    SceneNode* stranger = figure->addChild(new SceneNode);
    stranger->addChild(new SceneNode);
    SceneNode* arm = (*std::next(figure->children.begin(), 2))->children.front();
    arm->addChild(new SceneNode);
    const ModelOutline outline = outlineOf(model(1));
    EXPECT_EQ(outline.names,
              (std::vector<std::string>{
                  "figure", "head", "body", "shoulder at -x", "arm at -x", "arm at -x, limb 2",
                  "arm at -x, limb 3", "node 2", "shoulder at +x", "arm at +x", "arm at +x, limb 2",
                  "arm at +x, limb 3", "leg at +x", "leg at -x", "node 7", "node 7.1"}));
    EXPECT_EQ(outline.parents[7], 4) << "below the arm's first limb";
    EXPECT_EQ(outline.parents[15], 14);
    EXPECT_STREQ(outline.nodes[4]->className(), "SwingingLimb");
    EXPECT_STREQ(outline.nodes[12]->className(), "Limb");
    EXPECT_STREQ(outline.nodes[1]->className(), "Ball");
    EXPECT_STREQ(outline.nodes[3]->className(), "SceneNode");
}

TEST_F(Outline, TheChainModelKeepsItsNamesWhenTheDepthKeysRebuildIt) {
    EXPECT_EQ(raiseRecursionDepth(), std::nullopt);
    EXPECT_EQ(raiseRecursionDepth(), std::nullopt);
    EXPECT_EQ(lowerRecursionDepth(), std::nullopt);
    EXPECT_EQ(outlineOf(*chainSlot).names, (std::vector<std::string>{"chain", "limb 1", "limb 2"}));
    EXPECT_EQ(namesOf(childLabels(model(2), *model(2).root, rootLabel(model(2)))).at(19),
              "spoke 19");
}

}  // namespace
