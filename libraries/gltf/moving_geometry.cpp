#include "libraries/gltf/moving_geometry.h"

#include <algorithm>

#include "libraries/gltf/shape_recorder.h"

namespace gltf {

void MovingGeometry::sample(int step, std::vector<std::string>& notes) {
    if (step == 1) {
        findMoving();
        weights_.beginKeyframe();
        for (const std::size_t node : nodes_) {
            weights_.add(node, std::vector<float>(targetCount(node), 0.0f));
        }
    }
    weights_.beginKeyframe();
    for (const std::size_t node : nodes_) {
        weights_.add(node, displacements(node, notes));
    }
}

void MovingGeometry::write(GltfDocument& document, int keyframes, int rate) const {
    for (const auto& [mesh, primitives] : moving_) {
        document.addMorphTargets(mesh, primitives);
    }
    for (const std::size_t node : nodes_) {
        document.animateWeights(static_cast<int>(node), weights_.weights(node), keyframes,
                                weights_.track(node), rate);
    }
}

void MovingGeometry::findMoving() {
    for (std::size_t i = 0; i < modelNodes_.size(); ++i) {
        const int mesh = meshes_[i];
        if (mesh < 0) {
            continue;
        }
        const RecordedShape now = recordDraw(modelNodes_[i], true);
        const RecordedShape& before = shapes_[static_cast<std::size_t>(mesh)];
        for (std::size_t p = 0; p < before.size() && p < now.size(); ++p) {
            if (now[p].positions != before[p].positions) {
                std::vector<std::size_t>& moving = moving_[mesh];
                if (std::find(moving.begin(), moving.end(), p) == moving.end()) {
                    moving.push_back(p);
                    std::sort(moving.begin(), moving.end());
                }
            }
        }
    }
    for (std::size_t i = 0; i < modelNodes_.size(); ++i) {
        if (moving_.contains(meshes_[i])) {
            nodes_.push_back(i);
        }
    }
}

std::size_t MovingGeometry::targetCount(std::size_t node) const {
    const RecordedShape& shape = shapes_[static_cast<std::size_t>(meshes_[node])];
    std::size_t count = 0;
    for (const std::size_t p : moving_.at(meshes_[node])) {
        count += shape[p].positions.size();
    }
    return count;
}

std::vector<float> MovingGeometry::displacements(std::size_t node,
                                                 std::vector<std::string>& notes) {
    const RecordedShape& before = shapes_[static_cast<std::size_t>(meshes_[node])];
    const RecordedShape now = recordDraw(modelNodes_[node], true);
    std::vector<float> result;
    for (const std::size_t p : moving_.at(meshes_[node])) {
        const std::vector<float>& from = before[p].positions;
        if (p >= now.size() || now[p].positions.size() != from.size()) {
            if (!stuck_.contains(node)) {
                stuck_.insert(node);
                notes.push_back(names_[node] +
                                ": what it draws changes its number of vertices; its mesh is "
                                "kept as at the first keyframe");
            }
            result.insert(result.end(), from.size(), 0.0f);
            continue;
        }
        for (std::size_t k = 0; k < from.size(); ++k) {
            result.push_back(now[p].positions[k] - from[k]);
        }
    }
    return result;
}

}  // namespace gltf
