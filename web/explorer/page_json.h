#pragma once

#include <string>
#include <vector>

#include "app/model_document.h"
#include "outline_nodes.h"

// What the page is handed about the model and its nodes, as JSON texts.
namespace explorer {

// {"generation", "model", "depth", "paused", "root"}: the model on screen and its root node.
std::string modelJson(const OutlineNodes& nodes, const ModelSlot& model, int depth, bool paused);

// The children of node `id` as an array of nodes; each node is {"id", "name", "className",
// "children"}, the last being how many children it has.
std::string childrenJson(OutlineNodes& nodes, int id);

// Node `path`'s rest as its steps, for the panel: {"path", "steps", "edited", "ownFrame",
// "motionDegrees", "levels"}; each step {"text", "kind", "axis", "fields"}, each field {"field",
// "label", "value", "built"} (angles in degrees); a step of kind "matrix" (appended by a move that
// kept the node's place in the world) has no fields and its "matrix", 16 numbers column-major.
// "levels" are those of the chain or ball tree at the node, null for other nodes. "null" when
// the model has no such node.
std::string restJson(const ModelDocument& document, const NodePath& path);

// What undo and redo would do: {"undo", "redo"}, each a name or null.
std::string historyJson(const ModelDocument& document);

// An array of ids.
std::string idsJson(const std::vector<int>& ids);

}  // namespace explorer
