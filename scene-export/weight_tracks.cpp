#include "scene-export/weight_tracks.h"

#include <algorithm>
#include <cstring>

namespace scene_export {

WeightTracks::WeightTracks(std::size_t nodes) : current_(nodes, none) {}

void WeightTracks::beginKeyframe() {
    thisKeyframe_.clear();
}

void WeightTracks::add(std::size_t node, std::span<const float> weights) {
    std::string key(sizeof(std::uint32_t) + weights.size_bytes(), '\0');
    std::memcpy(key.data(), &current_[node], sizeof(std::uint32_t));
    std::memcpy(key.data() + sizeof(std::uint32_t), weights.data(), weights.size_bytes());
    const auto [found, added] =
        thisKeyframe_.try_emplace(std::move(key), static_cast<std::uint32_t>(steps_.size()));
    if (added) {
        steps_.push_back({current_[node], values_.size(), weights.size()});
        values_.insert(values_.end(), weights.begin(), weights.end());
    }
    current_[node] = found->second;
}

std::vector<float> WeightTracks::weights(std::size_t node) const {
    std::vector<std::uint32_t> chain;
    for (std::uint32_t at = current_[node]; at != none; at = steps_[at].previous) {
        chain.push_back(at);
    }
    std::reverse(chain.begin(), chain.end());
    std::vector<float> result;
    for (const std::uint32_t at : chain) {
        const auto begin = values_.begin() + static_cast<std::ptrdiff_t>(steps_[at].first);
        result.insert(result.end(), begin, begin + static_cast<std::ptrdiff_t>(steps_[at].count));
    }
    return result;
}

}  // namespace scene_export
