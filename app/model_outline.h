#pragma once

#include <string>
#include <vector>

#include "app/model_catalogue.h"
#include "scene/node_label.h"
#include "scene/scene_node.h"

// A model's nodes as a reader sees them in an outline, each with its name: "fan", "spoke 3",
// "chain 3", "chain 3, limb 6", the figure's parts, "limb 4" of the chain model, "ball 5" of
// the tree. A node is named by the first of: the name the catalogue gave it as
// part of its model; what its parent's class calls it (a chain its next limb, a tree its
// balls); what its own class calls itself (the first limb of a chain, the top ball of a
// tree); its path of positions from the nearest named node ("node 1.2").
struct ModelOutline {
    // Parents before children, each child after its elder siblings' subtrees, as the viewer
    // draws them.
    std::vector<const SceneNode*> nodes;
    // The index of each node's parent in `nodes`; -1 for the root.
    std::vector<int> parents;
    std::vector<std::string> names;
};

// The label of the model's root: what its class calls itself ("ball 1"), or else the model's
// name ("figure").
NodeLabel rootLabel(const ModelSlot& model);

// The labels of the children of `parent`, a node of `model` labelled `parentLabel`, in order:
// one level of the outline, made only when it is asked for.
std::vector<NodeLabel> childLabels(const ModelSlot& model, const SceneNode& parent,
                                   const NodeLabel& parentLabel);

// The whole outline of the model.
ModelOutline outlineOf(const ModelSlot& model);
