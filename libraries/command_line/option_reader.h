#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The command lines of scene-capture and scene-export: options written as "--name value" or
// "--name=value", each at most once, and --help or -h anywhere.
namespace command_line {

// One option: its name ("--keys") and what takes its value. `take` returns why the value
// cannot be taken, or an empty string when it was.
struct OptionHandler {
    std::string name;
    std::function<std::string(const std::string& value)> take;
};

struct OptionsRead {
    bool helpRequested = false;
    // The first problem on the line, one line of text; empty when there is none.
    std::string error;
};

// Reads argv[1..] and hands each option's value to its handler, in the order given. A value
// may look like an option ("--keys -"). Reading goes on past a problem, so that --help later
// on the line still asks for the help; the first problem is the one reported.
OptionsRead readOptions(const std::vector<std::string>& args,
                        const std::vector<OptionHandler>& handlers);

// Handlers for the options of every program that shows a state of the viewer: --keys and
// --frames into `keys` and `frames`, --output into `output`, which stays empty until it comes.
std::vector<OptionHandler> stateOptionHandlers(std::string& keys, int& frames,
                                               std::optional<std::string>& output);

// Why the --output read by those handlers cannot be used (not given, or an empty name); empty
// when it can.
std::string checkOutputGiven(const std::optional<std::string>& output);

}  // namespace command_line
