#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "libraries/gltf/keyframe_chains.h"
#include "libraries/gltf/pose.h"
#include "math/mat4.h"
#include "scene/scene_node.h"

namespace gltf {

// The local transforms of a model's nodes, step by step, as the keyframes of an animation.
//
// Nodes that go through the same transforms share one track (KeyframeChains): every right-hand
// ball of a tree turns exactly as every other, to the bit, and every limb below the first of a
// chain swings as the others.
class PoseTracks {
  public:
    // The transforms as they are now: the first keyframe. The nodes must outlive this.
    explicit PoseTracks(std::vector<const SceneNode*> nodes);

    // The transforms as they are now: the next keyframe.
    void sample();

    int keyframeCount() const { return keyframes_; }
    // The bytes the keyframes take so far, as stored.
    std::size_t storedBytes() const { return chains_.storedBytes() + steps_.size() * sizeof(Step); }

    // The node's transform at the first keyframe.
    const Mat4& startMatrix(std::size_t node) const;
    // Whether the node's transform differs from its first at any keyframe.
    bool moves(std::size_t node) const;
    // The first keyframe at which the node's transform is no rotation times a uniform scale
    // followed by a translation (to single precision), or -1.
    int firstUndecomposable(std::size_t node) const;
    // Nodes with equal tracks have equal numbers here.
    std::uint32_t track(std::size_t node) const { return chains_.current(node); }
    // The node's pose at every keyframe, when it decomposes at every one.
    std::vector<Pose> poses(std::size_t node) const;

  private:
    // What a step of a track holds beside its transform.
    struct Step {
        Pose pose;
        std::uint32_t first;  // the track's first step
        bool moved;
        int firstUndecomposable;
    };

    void append();

    std::vector<const SceneNode*> nodes_;
    KeyframeChains<Mat4> chains_;
    std::vector<Step> steps_;
    int keyframes_ = 0;
};

}  // namespace gltf
