#include "scene/subtree_disposer.h"

#include <limits>

SubtreeDisposer::~SubtreeDisposer() {
    advance(std::numeric_limits<std::uint64_t>::max());
}

void SubtreeDisposer::add(SceneNode* root) {
    try {
        pending_.push_back(root);
    } catch (...) {
        delete root;  // no room to wait: freed at once
    }
}

bool SubtreeDisposer::advance(std::uint64_t nodes) {
    for (std::uint64_t freed = 0; freed < nodes && !pending_.empty(); ++freed) {
        SceneNode* node = pending_.back();
        pending_.pop_back();
        // The children wait their turn; the node goes alone. The list had room for the node,
        // and each child takes one more place only as its parent gives one up, but reserving
        // can still fail: then the subtree goes at once.
        try {
            pending_.reserve(pending_.size() + node->children.size());
        } catch (...) {
            delete node;
            continue;
        }
        pending_.insert(pending_.end(), node->children.begin(), node->children.end());
        node->children.clear();
        delete node;
    }
    return pending_.empty();
}
