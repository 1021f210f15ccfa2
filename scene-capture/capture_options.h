#pragma once

#include <optional>
#include <string>
#include <vector>

#include "libraries/command_line/state_options.h"

namespace scene_capture {

// What one run of scene-capture does: type `keys` into the viewer's keyboard callback, run
// `frames` animation steps (each an idle call followed by a drawn frame), or play the page's
// `state` in their place, and write the last frame to `output` as a PNG.
using CaptureOptions = command_line::StateOptions;

using ParsedCommandLine = command_line::ParsedCommandLine<CaptureOptions>;

// Reads argv[1..]. Accepts --keys KEYS, --frames N, --state QUERY and --output FILE (each also
// written as --name=value, each at most once), and --help or -h. --output is required; --state
// goes with neither --keys nor --frames, and a QUERY that cannot be played is refused (what it
// leaves out is in the options' notes). Every key, of KEYS or of QUERY, is a key of the viewer
// but Escape, which would end the program before the picture is written. Nothing here touches
// the file system or the display.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

std::string helpText();

}  // namespace scene_capture
