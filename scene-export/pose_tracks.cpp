#include "scene-export/pose_tracks.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace scene_export {

namespace {

// A step of a track: the step before it, and the transform now.
struct StepKey {
    std::uint32_t previous;
    Mat4 matrix;

    bool operator==(const StepKey& other) const {
        return previous == other.previous &&
               std::memcmp(matrix.m, other.matrix.m, sizeof matrix.m) == 0;
    }
};

struct StepKeyHash {
    std::size_t operator()(const StepKey& key) const {
        char bytes[sizeof key.previous + sizeof key.matrix.m];
        std::memcpy(bytes, &key.previous, sizeof key.previous);
        std::memcpy(bytes + sizeof key.previous, key.matrix.m, sizeof key.matrix.m);
        return std::hash<std::string_view>()(std::string_view(bytes, sizeof bytes));
    }
};

}  // namespace

PoseTracks::PoseTracks(std::vector<const SceneNode*> nodes)
    : nodes_(std::move(nodes)), current_(nodes_.size(), none) {
    append();
}

void PoseTracks::sample() {
    append();
}

void PoseTracks::append() {
    std::unordered_map<StepKey, std::uint32_t, StepKeyHash> found;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        const StepKey key{current_[i], nodes_[i]->transform};
        const auto [entry, added] =
            found.try_emplace(key, static_cast<std::uint32_t>(steps_.size()));
        if (added) {
            Step step{
                key.previous, static_cast<std::uint32_t>(steps_.size()), key.matrix, {}, false, -1};
            const std::optional<Pose> pose =
                key.previous == none ? decompose(key.matrix)
                                     : decompose(key.matrix, steps_[key.previous].pose.rotation);
            if (key.previous != none) {
                const Step& before = steps_[key.previous];
                step.first = before.first;
                step.moved =
                    before.moved || std::memcmp(key.matrix.m, steps_[before.first].matrix.m,
                                                sizeof key.matrix.m) != 0;
                step.firstUndecomposable = before.firstUndecomposable;
            }
            if (pose) {
                step.pose = *pose;
            } else if (step.firstUndecomposable < 0) {
                step.firstUndecomposable = keyframes_;
            }
            steps_.push_back(step);
        }
        current_[i] = entry->second;
    }
    ++keyframes_;
}

const Mat4& PoseTracks::startMatrix(std::size_t node) const {
    return steps_[steps_[current_[node]].first].matrix;
}

bool PoseTracks::moves(std::size_t node) const {
    return steps_[current_[node]].moved;
}

int PoseTracks::firstUndecomposable(std::size_t node) const {
    return steps_[current_[node]].firstUndecomposable;
}

std::vector<Pose> PoseTracks::poses(std::size_t node) const {
    std::vector<Pose> result;
    result.reserve(static_cast<std::size_t>(keyframes_));
    for (std::uint32_t at = current_[node]; at != none; at = steps_[at].previous) {
        result.push_back(steps_[at].pose);
    }
    std::reverse(result.begin(), result.end());
    return result;
}

}  // namespace scene_export
