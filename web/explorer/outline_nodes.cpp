// The outline's node cache: the nodes of the model on screen that the page knows of, by id.
#include "outline_nodes.h"

#include <cmath>
#include <utility>

#include "app/model_outline.h"

namespace explorer {

void OutlineNodes::startGeneration(const ModelSlot& model) {
    model_ = &model;
    ++generation_;
    known_.clear();
    ids_.clear();
    known_.push_back(Known{model.root, rootLabel(model), -1, 0});
    ids_.emplace(model.root, 0);
}

const SceneNode* OutlineNodes::find(int forGeneration, double id) const {
    if (forGeneration != generation_ || !(id >= 0) || id >= static_cast<double>(known_.size()) ||
        id != std::floor(id)) {
        return nullptr;
    }
    return known_[static_cast<std::size_t>(id)].node;
}

std::vector<int> OutlineNodes::children(int id) {
    const SceneNode& parent = node(id);
    std::vector<int> childIds;
    childIds.reserve(parent.children.size());
    if (!parent.children.empty() && ids_.contains(parent.children.front())) {
        for (const SceneNode* child : parent.children) {
            childIds.push_back(ids_.at(child));
        }
        return childIds;
    }
    std::vector<NodeLabel> labels =
        childLabels(*model_, parent, known_[static_cast<std::size_t>(id)].label);
    auto label = labels.begin();
    std::uint32_t position = 0;
    for (const SceneNode* child : parent.children) {
        const int childId = static_cast<int>(known_.size());
        known_.push_back(Known{child, std::move(*label), id, position++});
        ids_.emplace(child, childId);
        childIds.push_back(childId);
        ++label;
    }
    return childIds;
}

std::vector<const SceneNode*> OutlineNodes::pathTo(int id) const {
    std::vector<const SceneNode*> path;
    for (int at = id; at >= 0; at = known_[static_cast<std::size_t>(at)].parent) {
        path.push_back(known_[static_cast<std::size_t>(at)].node);
    }
    return {path.rbegin(), path.rend()};
}

NodePath OutlineNodes::pathOf(int id, std::size_t model) const {
    NodePath path{model, {}};
    for (int at = id; at > 0; at = known_[static_cast<std::size_t>(at)].parent) {
        path.positions.push_back(known_[static_cast<std::size_t>(at)].position);
    }
    path.positions = {path.positions.rbegin(), path.positions.rend()};
    return path;
}

std::vector<int> OutlineNodes::idsAlong(const std::vector<const SceneNode*>& path) {
    std::vector<int> ids;
    if (path.empty() || path.front() != known_.front().node) {
        return ids;
    }
    ids.push_back(0);
    for (std::size_t i = 1; i < path.size(); ++i) {
        children(ids.back());
        ids.push_back(ids_.at(path[i]));
    }
    return ids;
}

std::vector<int> OutlineNodes::idsOf(const NodePath& path) {
    std::vector<int> ids{0};
    for (const std::uint32_t position : path.positions) {
        const std::vector<int> childIds = children(ids.back());
        if (position >= childIds.size()) {
            return {};
        }
        ids.push_back(childIds[position]);
    }
    return ids;
}

}  // namespace explorer
