#pragma once

#include <string>
#include <vector>

#include "scene/scene_node.h"

namespace scene_export {

// The nodes of one model, parents before children, each child after its elder siblings'
// subtrees, as the viewer draws them.
struct ModelNodes {
    std::vector<const SceneNode*> nodes;
    // The index of each node's parent in `nodes`; -1 for the root.
    std::vector<int> parents;
    // What a learner can read in a glTF editor's outline: the model or the part, and its
    // place: "figure", "head", "arm at -x", "arm at -x, limb 2", "spoke 3", "chain 3, limb 6",
    // "limb 4" of the chain model, "ball 5" of the tree (balls numbered level by level from
    // the top, so that the children of ball k are balls 2k and 2k + 1).
    std::vector<std::string> names;
};

// The names of the models by their place in the viewer's catalogue (0 to 3).
inline constexpr const char* modelNames[] = {"chain", "figure", "fan", "tree"};

// Lists the model whose root is `root` and which sits at `place` in the catalogue (0 chain,
// 1 figure, 2 fan, 3 tree). Nodes whose place the catalogue's layout does not explain are
// named by their path from the root ("node 1.2").
ModelNodes listModel(const SceneNode* root, int place);

}  // namespace scene_export
