#pragma once

#include <utility>
#include <vector>

#include "scene/node_label.h"
#include "scene/scene_node.h"
#include "scene/transform_step.h"

// The names that the catalogue gives, as it builds a model, to the parts whose classes do not
// name them: the figure's head, body, shoulders, arms and legs, the fan's spokes and chains;
// and the steps it placed each part with. Kept beside the model rather than in its nodes, so
// that nodes carry no names.
class PartNames {
  public:
    // Names `part` with `label` for as long as the part lives.
    void give(const SceneNode* part, NodeLabel label);

    // Keeps the steps `part` was placed with.
    void placed(const SceneNode* part, TransformSteps steps);

    // Forgets the label and steps of `part`, as it is deleted.
    void forget(const SceneNode* part);
    // Forgets everything: the model it names was built anew.
    void clear();
    // Whether any part is named or placed.
    bool empty() const { return labels_.empty() && steps_.empty(); }

    // The label given to `part`, or nullptr when it was given none.
    const NodeLabel* find(const SceneNode* part) const;
    // The steps `part` was placed with, or nullptr when none were kept.
    const TransformSteps* stepsOf(const SceneNode* part) const;

  private:
    std::vector<std::pair<const SceneNode*, NodeLabel>> labels_;
    std::vector<std::pair<const SceneNode*, TransformSteps>> steps_;
};
