#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scene/scene_node.h"

// The node selected on the page, and how the viewer's own frame shows it, without a second
// pass over the model: the draw walk tells a hook of every node it enters and leaves
// (scene/tree_walks.h, at every depth), so from entering the selected node to leaving it every
// colour drawn is tinted (web/gl/colour_tint.h: a multiplier, so the lighting still shows), and
// on entering its frame is noted, to be drawn as small axes over the finished picture. With
// nothing selected no hook is installed.
namespace explorer::node_selection {

// The nodes from the model's root down to the selected one; empty for none.
void select(std::vector<const SceneNode*> path);
void clear();
const std::vector<const SceneNode*>& path();

// Around the viewer's frame: `beforeFrame` installs the hook on the draw walk, `afterFrame` draws
// the selected node's axes and notes its matrices. Both do nothing with nothing selected.
void beforeFrame();
void afterFrame();

// As of the last frame drawn (or of the selection, before it is drawn): the selected node's
// `transform` (16 doubles, column-major), then its world matrix (the product of the `transform`s
// from the model's root down to it).
const std::array<double, 32>& matrices();

}  // namespace explorer::node_selection
