#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "math/mat4.h"
#include "scene-export/pose.h"
#include "scene/scene_node.h"

namespace scene_export {

// The local transforms of a model's nodes, step by step, as the keyframes of an animation.
//
// Nodes that go through the same transforms share one track: every right-hand ball of a tree
// turns exactly as every other, to the bit, and every limb below the first of a chain swings
// as the others. A track is kept as a chain of steps, each step stored once for all the nodes
// that have been equal up to it, so that memory grows with the number of different tracks,
// not with the number of nodes times the number of steps.
class PoseTracks {
  public:
    // The transforms as they are now: the first keyframe. The nodes must outlive this.
    explicit PoseTracks(std::vector<const SceneNode*> nodes);

    // The transforms as they are now: the next keyframe.
    void sample();

    int keyframeCount() const { return keyframes_; }

    // The node's transform at the first keyframe.
    const Mat4& startMatrix(std::size_t node) const;
    // Whether the node's transform differs from its first at any keyframe.
    bool moves(std::size_t node) const;
    // The first keyframe at which the node's transform is no rotation times a uniform scale
    // followed by a translation (to single precision), or -1.
    int firstUndecomposable(std::size_t node) const;
    // Nodes with equal tracks have equal numbers here.
    std::uint32_t track(std::size_t node) const { return current_[node]; }
    // The node's pose at every keyframe, when it decomposes at every one.
    std::vector<Pose> poses(std::size_t node) const;

  private:
    static constexpr std::uint32_t none = ~std::uint32_t{0};

    struct Step {
        std::uint32_t previous;
        std::uint32_t first;
        Mat4 matrix;
        Pose pose;
        bool moved;
        int firstUndecomposable;
    };

    void append();

    std::vector<const SceneNode*> nodes_;
    std::vector<std::uint32_t> current_;
    std::vector<Step> steps_;
    int keyframes_ = 0;
};

}  // namespace scene_export
