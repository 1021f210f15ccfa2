#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "libraries/gltf/gltf_document.h"
#include "libraries/gltf/recorded_shape.h"
#include "libraries/gltf/weight_tracks.h"
#include "scene/scene_node.h"

namespace gltf {

// Geometry that the animation moves. A node draws in its own frame, but what it draws may
// follow other nodes: a ball's connectors run to its children's centres, which circle it. The
// first step shows which primitives of which meshes move (geometry that the first step leaves
// as it was is taken to stay so); from then on every node drawing such a mesh is recorded
// again at each step, and its moving vertices' displacements from the first keyframe become
// the weights of morph targets.
class MovingGeometry {
  public:
    // `nodes` holds a model's nodes and `names` their names, in the document's order;
    // `meshes` each node's mesh (-1 for none), `shapes` each mesh's shape at the first
    // keyframe. All four must outlive this.
    MovingGeometry(const std::vector<const SceneNode*>& nodes,
                   const std::vector<std::string>& names, const std::vector<int>& meshes,
                   const std::vector<RecordedShape>& shapes)
        : modelNodes_(nodes),
          names_(names),
          meshes_(meshes),
          shapes_(shapes),
          weights_(nodes.size()) {}

    // After each step; `step` counts from 1. `notes` gets a line for a node whose moving
    // geometry changes its number of vertices, which is then kept as at the first keyframe.
    void sample(int step, std::vector<std::string>& notes);

    // The bytes the weights' keyframes take so far, as stored.
    std::size_t storedBytes() const { return weights_.storedBytes(); }

    // Whether anything drawn moves.
    bool any() const { return !nodes_.empty(); }

    // The morph targets of the moving meshes and the weights of their nodes, whose document
    // nodes are numbered as in the model, with `keyframes` keyframes at `rate` a second.
    void write(GltfDocument& document, int keyframes, int rate) const;

  private:
    void findMoving();
    std::size_t targetCount(std::size_t node) const;
    std::vector<float> displacements(std::size_t node, std::vector<std::string>& notes);

    const std::vector<const SceneNode*>& modelNodes_;
    const std::vector<std::string>& names_;
    const std::vector<int>& meshes_;
    const std::vector<RecordedShape>& shapes_;
    std::map<int, std::vector<std::size_t>> moving_;
    // The nodes that draw a moving mesh.
    std::vector<std::size_t> nodes_;
    std::set<std::size_t> stuck_;
    WeightTracks weights_;
};

}  // namespace gltf
