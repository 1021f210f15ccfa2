#include "app/part_names.h"

#include <vector>

void PartNames::give(const SceneNode* part, NodeLabel label) {
    labels_.emplace_back(part, std::move(label));
}

void PartNames::forget(const SceneNode* part) {
    std::erase_if(labels_, [part](const auto& entry) { return entry.first == part; });
    std::erase_if(steps_, [part](const auto& entry) { return entry.first == part; });
}

void PartNames::clear() {
    labels_.clear();
    steps_.clear();
}

const NodeLabel* PartNames::find(const SceneNode* part) const {
    for (const auto& [named, label] : labels_) {
        if (named == part) {
            return &label;
        }
    }
    return nullptr;
}

void PartNames::placed(const SceneNode* part, TransformSteps steps) {
    steps_.emplace_back(part, std::move(steps));
}

const TransformSteps* PartNames::stepsOf(const SceneNode* part) const {
    for (const auto& [placedPart, steps] : steps_) {
        if (placedPart == part) {
            return &steps;
        }
    }
    return nullptr;
}
