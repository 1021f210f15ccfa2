#include "libraries/gltf/pose_tracks.h"

#include <cstring>

namespace gltf {

PoseTracks::PoseTracks(std::vector<const SceneNode*> nodes)
    : nodes_(std::move(nodes)), chains_(nodes_.size()) {
    append();
}

void PoseTracks::sample() {
    append();
}

void PoseTracks::append() {
    chains_.beginKeyframe();
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const std::uint32_t before = chains_.current(i);
        const Mat4& matrix = nodes_[i]->transform;
        if (!chains_.advance(i, matrix)) {
            continue;
        }
        Step step{{}, static_cast<std::uint32_t>(steps_.size()), false, -1};
        const std::optional<Pose> pose = before == chains_.none
                                             ? decompose(matrix)
                                             : decompose(matrix, steps_[before].pose.rotation);
        if (before != chains_.none) {
            const Step& earlier = steps_[before];
            step.first = earlier.first;
            step.moved = earlier.moved || std::memcmp(matrix.m, chains_.value(earlier.first).m,
                                                      sizeof matrix.m) != 0;
            step.firstUndecomposable = earlier.firstUndecomposable;
        }
        if (pose) {
            step.pose = *pose;
        } else if (step.firstUndecomposable < 0) {
            step.firstUndecomposable = keyframes_;
        }
        steps_.push_back(step);
    }
    ++keyframes_;
}

const Mat4& PoseTracks::startMatrix(std::size_t node) const {
    return chains_.value(steps_[chains_.current(node)].first);
}

bool PoseTracks::moves(std::size_t node) const {
    return steps_[chains_.current(node)].moved;
}

int PoseTracks::firstUndecomposable(std::size_t node) const {
    return steps_[chains_.current(node)].firstUndecomposable;
}

std::vector<Pose> PoseTracks::poses(std::size_t node) const {
    std::vector<Pose> result;
    result.reserve(static_cast<std::size_t>(keyframes_));
    for (const std::uint32_t step : chains_.chain(node)) {
        result.push_back(steps_[step].pose);
    }
    return result;
}

}  // namespace gltf
