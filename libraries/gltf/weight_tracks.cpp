#include "libraries/gltf/weight_tracks.h"

namespace gltf {

void WeightTracks::add(std::size_t node, std::span<const float> weights) {
    if (chains_.advance(node, std::vector<float>(weights.begin(), weights.end()))) {
        values_ += weights.size_bytes();
    }
}

std::vector<float> WeightTracks::weights(std::size_t node) const {
    std::vector<float> result;
    for (const std::uint32_t step : chains_.chain(node)) {
        const std::vector<float>& values = chains_.value(step);
        result.insert(result.end(), values.begin(), values.end());
    }
    return result;
}

}  // namespace gltf
