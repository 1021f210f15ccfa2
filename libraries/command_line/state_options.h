#pragma once

#include <optional>
#include <string>
#include <vector>

namespace command_line {

// What every program that shows a state of the viewer reads from its command line: the keys
// typed into the viewer, the animation steps (frames) run after them, or in their place the
// page's address's query (--state); and the file to write.
struct StateOptions {
    std::string keys;
    int frames = 1;
    std::optional<std::string> state;
    std::string output;
    // Lines said on standard error before the run: what the command line leaves out without
    // refusing it.
    std::vector<std::string> notes;
};

// A program's command line read: its options, or the help asked for, or the problem (one line).
template <typename Options>
struct ParsedCommandLine {
    std::optional<Options> options;
    bool helpRequested = false;
    std::optional<std::string> problem;
};

}  // namespace command_line
