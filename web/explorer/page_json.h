#pragma once

#include <string>
#include <vector>

#include "outline_nodes.h"

// What the page is handed about the model and its nodes, as JSON texts.
namespace explorer {

// {"generation", "model", "depth", "paused", "root"}: the model on screen and its root node.
std::string modelJson(const OutlineNodes& nodes, const ModelSlot& model, int depth, bool paused);

// The children of node `id` as an array of nodes; each node is {"id", "name", "className",
// "children"}, the last being how many children it has.
std::string childrenJson(OutlineNodes& nodes, int id);

// An array of ids.
std::string idsJson(const std::vector<int>& ids);

}  // namespace explorer
