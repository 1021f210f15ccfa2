#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The page's two ways of choosing a node: by its id from the outline, and by a point of the
// picture; and the handle that drags a node in the picture. All wait while the address's script
// plays.
namespace explorer {

// Selects node `id` of generation `generation` and draws it highlighted; returns how many nodes
// lie below it, or nothing when the id is not one of the model on screen.
std::optional<std::uint64_t> selectNode(int generation, double id);

void clearSelection();

// The ids of the nodes from the root down to the one drawn under canvas pixel (x, y); empty
// when there is none.
std::vector<int> pickAt(double x, double y);

// Node `id`'s handle as the picture on screen shows it (node_handle.h's handleJson); "null" when
// the id is not one of generation `generation`.
std::string handleJsonOf(int generation, double id);

}  // namespace explorer
