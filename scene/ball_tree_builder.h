#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "scene/ball_tree.h"

// Builds the tree that BallTree(depth) builds, ball for ball and bit for bit, a slice at a time:
// a deep tree (four million balls at depth 22) takes seconds, and a page that builds it a little
// in each animation frame keeps answering meanwhile.
class BallTreeBuilder {
  public:
    // A tree of 2^depth - 1 balls; one ball for any depth of 1 or less.
    explicit BallTreeBuilder(int depth);

    // Builds up to `balls` more balls; true once the tree is whole. Running out of memory throws
    // std::bad_alloc and leaves the builder holding what it built, freed with it.
    bool advance(std::uint64_t balls);

    std::uint64_t built() const { return built_; }
    std::uint64_t total() const { return total_; }
    bool whole() const { return pending_.empty(); }

    // The whole tree, handed over; nullptr before it is whole or once handed over.
    BallTree* release();

  private:
    struct Pending {
        BallTree* ball;
        int levels;
    };

    std::unique_ptr<BallTree> root_;
    // Balls whose children are still to be built, the next one last.
    std::vector<Pending> pending_;
    std::uint64_t built_ = 1;
    std::uint64_t total_ = 1;
};
