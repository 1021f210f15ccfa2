#include "scene/ball_tree_builder.h"

#include <limits>

BallTreeBuilder::BallTreeBuilder(int depth) : root_(std::make_unique<BallTree>(1)) {
    const int levels = depth < 1 ? 1 : depth;
    total_ =
        levels >= 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << levels) - 1;
    if (levels > 1) {
        pending_.push_back({root_.get(), levels});
    }
}

bool BallTreeBuilder::advance(std::uint64_t balls) {
    std::uint64_t made = 0;
    while (!pending_.empty() && made < balls) {
        const Pending next = pending_.back();
        pending_.pop_back();
        // As the constructor does: the first child, then the second, each placed before it is
        // added; a child of one level builds nothing of its own.
        for (std::size_t position = 0; position < 2; ++position) {
            auto* child = new BallTree(1);
            child->transform = BallTree::childPlacement(position);
            next.ball->addChild(child);
            ++built_;
            ++made;
        }
        // The first child's subtree next, as the constructor builds it first.
        if (next.levels > 2) {
            auto child = next.ball->children.begin();
            BallTree* first = static_cast<BallTree*>(*child);
            BallTree* second = static_cast<BallTree*>(*++child);
            pending_.push_back({second, next.levels - 1});
            pending_.push_back({first, next.levels - 1});
        }
    }
    return pending_.empty();
}

BallTree* BallTreeBuilder::release() {
    if (!pending_.empty()) {
        return nullptr;
    }
    return root_.release();
}
