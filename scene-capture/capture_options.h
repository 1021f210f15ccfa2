#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/key_script.h"

namespace capture {

// What one run of scene-capture does: type `keys` into the viewer's keyboard callback, run
// `frames` animation steps (each an idle call followed by a drawn frame), and write the last
// frame to `output` as a PNG.
struct CaptureOptions {
    std::string keys;
    int frames = 1;
    std::string output;
};

using ::maxFrames;
using ::parseFrames;

// The outcome of reading the command line: either the options, or a request for the help
// text, or a one-line error saying what is wrong.
struct ParsedCommandLine {
    std::optional<CaptureOptions> options;
    bool helpRequested = false;
    std::string error;
};

// Reads argv[1..]. Accepts --keys KEYS, --frames N and --output FILE (each also written as
// --name=value, each at most once), and --help or -h. --output is required. Nothing here
// touches the file system or the display.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

// Why `keys` cannot be typed into the viewer, or empty when it can. Every character is a key
// of the viewer except Escape, which would end the program before the picture is written.
std::string checkKeys(const std::string& keys);

std::string helpText();

}  // namespace capture
