#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "libraries/gltf/keyframe_chains.h"

namespace gltf {

// The morph weights of some nodes, keyframe by keyframe, each node's list of weights of one
// length throughout. Nodes whose weights have been equal up to a keyframe share its storage
// (KeyframeChains), as PoseTracks share poses: every ball of a tree with children moves its
// connectors alike.
class WeightTracks {
  public:
    explicit WeightTracks(std::size_t nodes) : chains_(nodes) {}

    // Starts the next keyframe; then `add` once for each node that has weights.
    void beginKeyframe() { chains_.beginKeyframe(); }
    void add(std::size_t node, std::span<const float> weights);

    // The bytes the keyframes take so far, as stored.
    std::size_t storedBytes() const { return chains_.storedBytes() + values_; }

    // Nodes with equal tracks have equal numbers here.
    std::uint32_t track(std::size_t node) const { return chains_.current(node); }
    // The node's weights at every keyframe, one keyframe after the other.
    std::vector<float> weights(std::size_t node) const;

  private:
    KeyframeChains<std::vector<float>> chains_;
    std::size_t values_ = 0;  // the bytes of the weights the steps hold
};

}  // namespace gltf
