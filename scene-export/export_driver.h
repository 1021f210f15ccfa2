#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scene-export/export_options.h"

namespace scene_export {

// Bytes that exporting a model of `nodes` nodes takes beside the model itself: the glTF
// document's nodes and, for an animation, their channels, the JSON made of them, and the
// file's bytes, each held once while the next is made. Measured on the tree model, whose
// balls share one mesh and whose keyframes are shared by every ball but the top one.
std::uint64_t exportFootprint(std::size_t nodes, bool animated);

// What scene-export does between reading its command line and writing its file: builds the
// viewer's scene as the viewer does, types the keys into the viewer's keyboard callback, runs
// the frames through its idle callback, and records the model on screen, each node's draw
// through the GL subset, into a glTF document; with an animation, runs its steps through the
// idle callback too. Puts the file's bytes into `file`; returns the reason when the export
// would not fit into memory or cannot be made, nothing when it is made. `notes` gets a line
// for every node that moves but cannot be animated and is exported in its first pose.
//
// Starts from the viewer's state before start-up, whatever an earlier call left.
std::optional<std::string> exportScene(const ExportOptions& options, std::string& file,
                                       std::vector<std::string>& notes);

// The same, with the state reached by `reachState` (the scene built, before the export) in
// place of the options' keys and frames: the web page's address, whose keys and steps
// interleave. `animated`, when given, is called after each step of the animation.
std::optional<std::string> exportScene(const ExportOptions& options,
                                       const std::function<void()>& reachState, std::string& file,
                                       std::vector<std::string>& notes,
                                       const std::function<void()>& animated = {});

}  // namespace scene_export
