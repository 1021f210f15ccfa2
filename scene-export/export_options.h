#pragma once

#include <optional>
#include <string>
#include <vector>

#include "libraries/command_line/state_options.h"
#include "libraries/gltf/gltf_format.h"

namespace scene_export {

// What one run of scene-export does: type `keys` into the viewer's keyboard callback, run
// `frames` animation steps (or play the page's `state` in their place), export the model on screen
// to `output`, and with `animate` N > 0 run N further steps into a glTF animation.
struct ExportOptions : command_line::StateOptions {
    gltf::GltfFormat format = gltf::GltfFormat::binary;
    int animate = 0;
    // Whether the models include the page's fifth, "your model": so for the page's own export
    // and for --state, which plays a page's address.
    bool yourModel = false;
};

// Keyframes of the animation: one per step, at the rate the viewer's frames would come on a
// display refreshed 60 times a second.
inline constexpr int stepsPerSecond = 60;

using ParsedCommandLine = command_line::ParsedCommandLine<ExportOptions>;

// Reads argv[1..]. Accepts --keys KEYS, --frames N, --state QUERY, --output FILE and --animate
// N (each also written as --name=value, each at most once), and --help or -h. --output is
// required and must end in .glb or .gltf; --state and QUERY are read as scene-capture reads
// them; no key may be Escape. Nothing here touches the file system.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

std::string helpText();

}  // namespace scene_export
