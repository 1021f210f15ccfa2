#pragma once

#include <optional>
#include <string>

namespace command_line {

// What every program that shows a state of the viewer reads from its command line: the keys
// typed into the viewer, the animation steps (frames) run after them, and the file to write.
struct StateOptions {
    std::string keys;
    int frames = 1;
    std::string output;
};

// A program's command line read: its options, or the help asked for, or the problem (one line).
template <typename Options>
struct ParsedCommandLine {
    std::optional<Options> options;
    bool helpRequested = false;
    std::optional<std::string> problem;
};

}  // namespace command_line
