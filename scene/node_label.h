#pragma once

#include <cstdint>
#include <string>

// What a node is called in an outline of its model, and what its children are named from: a
// label is made from its parent's label and the node's place, never stored in the node, so
// a tree of a million balls costs no memory for its names.
struct NodeLabel {
    // What a reader sees: "spoke 3", "chain 3, limb 2", "ball 5", "node 1.2".
    std::string name;
    // The name of the chain a limb belongs to ("chain 3"); empty for the limbs of a chain
    // that is a model by itself ("limb 2").
    std::string chain;
    // A limb's place in its chain or a ball's number in its tree, from 1; 0 for other nodes.
    std::uint64_t number = 0;
    // For a node that nothing names: the positions from the nearest named node down to it,
    // each from 1 ("1.2"); empty for named nodes.
    std::string path;
};
