#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace scene_export {

// The morph weights of some nodes, keyframe by keyframe, each node's list of weights of one
// length throughout. Nodes whose weights have been equal up to a keyframe share its storage,
// as PoseTracks share poses: every ball of a tree with children moves its connectors alike.
class WeightTracks {
  public:
    explicit WeightTracks(std::size_t nodes);

    // Starts the next keyframe; then `add` once for each node that has weights.
    void beginKeyframe();
    void add(std::size_t node, std::span<const float> weights);

    // Nodes with equal tracks have equal numbers here.
    std::uint32_t track(std::size_t node) const { return current_[node]; }
    // The node's weights at every keyframe, one keyframe after the other.
    std::vector<float> weights(std::size_t node) const;

  private:
    static constexpr std::uint32_t none = ~std::uint32_t{0};

    struct Step {
        std::uint32_t previous;
        std::size_t first;  // in values_
        std::size_t count;
    };

    std::vector<std::uint32_t> current_;
    std::vector<Step> steps_;
    std::vector<float> values_;
    std::unordered_map<std::string, std::uint32_t> thisKeyframe_;
};

}  // namespace scene_export
