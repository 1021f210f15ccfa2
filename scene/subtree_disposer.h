#pragma once

#include <cstdint>
#include <vector>

#include "scene/scene_node.h"

// Deletes trees of nodes a slice at a time: a tree of four million balls takes seconds to free,
// and a page that frees it a little in each animation frame keeps answering meanwhile.
class SubtreeDisposer {
  public:
    SubtreeDisposer() = default;
    SubtreeDisposer(const SubtreeDisposer&) = delete;
    SubtreeDisposer& operator=(const SubtreeDisposer&) = delete;
    // Whatever is left is deleted at once.
    ~SubtreeDisposer();

    // Takes ownership of `root` and its subtree, to be deleted by advance.
    void add(SceneNode* root);
    // Deletes up to `nodes` more nodes; true once nothing is left.
    bool advance(std::uint64_t nodes);
    bool empty() const { return pending_.empty(); }

  private:
    std::vector<SceneNode*> pending_;
};
