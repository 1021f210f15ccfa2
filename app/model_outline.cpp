#include "app/model_outline.h"

#include <cstddef>
#include <optional>
#include <utility>

namespace {

NodeLabel byPath(const NodeLabel& parent, std::size_t position) {
    std::string path = parent.path.empty() ? std::string() : parent.path + ".";
    path += std::to_string(position + 1);
    return {"node " + path, {}, 0, path};
}

}  // namespace

NodeLabel rootLabel(const ModelSlot& model) {
    if (std::optional<NodeLabel> own = model.root->ownLabel()) {
        return std::move(*own);
    }
    return {model.name, {}, 0, {}};
}

std::vector<NodeLabel> childLabels(const ModelSlot& model, const SceneNode& parent,
                                   const NodeLabel& parentLabel) {
    std::vector<NodeLabel> labels;
    labels.reserve(parent.children.size());
    std::size_t position = 0;
    for (const SceneNode* child : parent.children) {
        if (const NodeLabel* given = model.parts.find(child)) {
            labels.push_back(*given);
        } else if (std::optional<NodeLabel> named = parent.childLabel(parentLabel, position)) {
            labels.push_back(std::move(*named));
        } else if (std::optional<NodeLabel> own = child->ownLabel()) {
            labels.push_back(std::move(*own));
        } else {
            labels.push_back(byPath(parentLabel, position));
        }
        ++position;
    }
    return labels;
}

ModelOutline outlineOf(const ModelSlot& model) {
    struct Pending {
        const SceneNode* node;
        int parent;
        NodeLabel label;
    };
    ModelOutline out;
    // Depth first without recursion, since a chain can be deeper than the call stack: the
    // children go onto the stack last first, so that the first comes off first.
    std::vector<Pending> pending;
    pending.push_back({model.root, -1, rootLabel(model)});
    while (!pending.empty()) {
        Pending next = std::move(pending.back());
        pending.pop_back();
        const int index = static_cast<int>(out.nodes.size());
        out.nodes.push_back(next.node);
        out.parents.push_back(next.parent);
        std::vector<NodeLabel> labels = childLabels(model, *next.node, next.label);
        out.names.push_back(std::move(next.label.name));
        auto label = labels.rbegin();
        for (auto child = next.node->children.rbegin(); child != next.node->children.rend();
             ++child, ++label) {
            pending.push_back({*child, index, std::move(*label)});
        }
    }
    return out;
}
