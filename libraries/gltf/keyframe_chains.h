#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "math/mat4.h"

namespace gltf {

// The bytes of the two kinds of keyframe: a transform, and a node's morph weights.
inline std::string_view bytes(const Mat4& matrix) {
    return {reinterpret_cast<const char*>(matrix.m), sizeof matrix.m};
}

inline std::string_view bytes(const std::vector<float>& weights) {
    return {reinterpret_cast<const char*>(weights.data()), weights.size() * sizeof(float)};
}

// The tracks of many nodes, keyframe by keyframe, each kept as a chain of steps: a step holds
// one keyframe's value and the step before it, and is stored once for all the nodes whose values
// have been equal, to the bit, up to it. Memory grows with the number of different tracks, not
// with the number of nodes times the number of keyframes. Values are compared by their bytes.
template <class Value>
class KeyframeChains {
  public:
    static constexpr std::uint32_t none = ~std::uint32_t{0};

    explicit KeyframeChains(std::size_t nodes) : current_(nodes, none) {}

    // Starts the next keyframe; then `advance` at most once for each node.
    void beginKeyframe() { found_.clear(); }

    // Moves the node on to the step of `value` that follows its present one: a new step, numbered
    // size() - 1 and returned as added, unless another node took the same way this keyframe.
    bool advance(std::size_t node, const Value& value) {
        const auto [entry, added] = found_.try_emplace(Key{current_[node], value},
                                                       static_cast<std::uint32_t>(steps_.size()));
        if (added) {
            steps_.push_back({current_[node], value});
        }
        current_[node] = entry->second;
        return added;
    }

    std::size_t size() const { return steps_.size(); }
    // Nodes with equal tracks have equal numbers here.
    std::uint32_t current(std::size_t node) const { return current_[node]; }
    std::uint32_t previous(std::uint32_t step) const { return steps_[step].previous; }
    const Value& value(std::uint32_t step) const { return steps_[step].value; }

    // The node's steps, first to last.
    std::vector<std::uint32_t> chain(std::size_t node) const {
        std::vector<std::uint32_t> steps;
        for (std::uint32_t at = current_[node]; at != none; at = steps_[at].previous) {
            steps.push_back(at);
        }
        std::reverse(steps.begin(), steps.end());
        return steps;
    }

    std::size_t storedBytes() const { return steps_.size() * sizeof(Key); }

  private:
    struct Key {
        std::uint32_t previous;
        Value value;

        bool operator==(const Key& other) const {
            const std::string_view mine = bytes(value);
            const std::string_view theirs = bytes(other.value);
            return previous == other.previous && mine.size() == theirs.size() &&
                   std::memcmp(mine.data(), theirs.data(), mine.size()) == 0;
        }
    };

    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            const std::size_t h = std::hash<std::string_view>()(bytes(key.value));
            // The golden ratio's bits, as many as a size_t holds (32 in WebAssembly).
            constexpr auto mix = static_cast<std::size_t>(0x9e3779b97f4a7c15ULL);
            return h ^ (std::hash<std::uint32_t>()(key.previous) + mix + (h << 6) + (h >> 2));
        }
    };

    std::vector<std::uint32_t> current_;
    std::vector<Key> steps_;
    std::unordered_map<Key, std::uint32_t, KeyHash> found_;
};

}  // namespace gltf
