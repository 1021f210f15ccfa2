#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/model_catalogue.h"
#include "app/model_edit.h"
#include "scene/node_label.h"
#include "scene/scene_node.h"

namespace explorer {

// The nodes of the model on screen that the page knows of, each by a small id: the root is 0,
// and the others are numbered as the outline lists them (or a pick reaches them), so the page
// never holds a heap address. A node's label, which names its children, is kept with it.
// A rebuild or the next model ends the generation: every id is forgotten and the page asks anew.
class OutlineNodes {
  public:
    // Forgets every node and starts a new generation with the root of `model` as id 0.
    void startGeneration(const ModelSlot& model);

    int generation() const { return generation_; }

    // The node with this id in generation `forGeneration`, or nullptr when the id is not one of
    // this generation's.
    const SceneNode* find(int forGeneration, double id) const;

    const SceneNode& node(int id) const { return *known_[static_cast<std::size_t>(id)].node; }
    const std::string& name(int id) const {
        return known_[static_cast<std::size_t>(id)].label.name;
    }

    // The ids of the children of node `id`, in order, numbered now if they were not yet.
    std::vector<int> children(int id);

    // The nodes from the root down to node `id`.
    std::vector<const SceneNode*> pathTo(int id) const;

    // Node `id` as the document names it: the positions from the root down, in model `model`.
    NodePath pathOf(int id, std::size_t model) const;

    // The ids of `path`, a path of nodes from the root down, numbered as the outline would.
    std::vector<int> idsAlong(const std::vector<const SceneNode*>& path);

    // The ids from the root down to the node at `path`'s positions, numbered as the outline
    // would; empty when the model has no such node.
    std::vector<int> idsOf(const NodePath& path);

  private:
    struct Known {
        const SceneNode* node;
        NodeLabel label;
        int parent;
        // Among its parent's children, from 0.
        std::uint32_t position;
    };

    const ModelSlot* model_ = nullptr;
    int generation_ = 0;
    std::vector<Known> known_;
    std::unordered_map<const SceneNode*, int> ids_;
};

}  // namespace explorer
