#pragma once

#include <cstddef>
#include <iterator>

#include "scene/scene_node.h"

// The number of nodes in the tree below `node`, the node itself included.
inline std::size_t nodeCount(const SceneNode* node) {
    std::size_t count = 1;
    for (const SceneNode* child : node->children) {
        count += nodeCount(child);
    }
    return count;
}

// The child of `node` at `index`, counting from 0 in the order the children were added.
inline SceneNode* childAt(const SceneNode* node, std::size_t index) {
    auto position = node->children.begin();
    std::advance(position, static_cast<std::ptrdiff_t>(index));
    return *position;
}
