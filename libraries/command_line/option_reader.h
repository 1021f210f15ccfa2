#pragma once

#include <CLI/CLI.hpp>

#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "libraries/command_line/state_options.h"

// The command lines of scene-capture and scene-export, read by CLI11: options written as
// "--name value" or "--name=value", each at most once, and --help or -h anywhere; "--" ends the
// options, and what follows it is operands.
namespace command_line {

// Takes an option's value; returns why it cannot be taken, or nothing when it was.
using TakeValue = std::function<std::optional<std::string>(const std::string& value)>;

// How reading a command line ended: the help asked for, or the first problem on it (one line
// of text), or neither when every option was taken.
struct Reading {
    bool helpRequested = false;
    std::optional<std::string> problem;
};

class OptionReader {
  public:
    OptionReader();
    OptionReader(const OptionReader&) = delete;
    OptionReader& operator=(const OptionReader&) = delete;

    // An option that takes one value ("--keys"), handed to `take`. The value may look like an
    // option ("--keys -", "--keys --help").
    void add(const std::string& name, TakeValue take);

    // Reads argv[1..] and hands each option's value to its option's `take`, in the order the
    // options were added. --help or -h, anywhere but as a value or after "--", asks for the
    // help whatever else is wrong on the line. The first "--" that is not a value ends the
    // options: every argument after it is an operand, which no program here takes, so a stray
    // argument, whatever it looks like. Otherwise the problem is the first of: a value missing
    // at the end, an unknown option or a stray argument (the first on the line), an option
    // given more than once, a value refused.
    Reading read(std::vector<std::string> args);

  private:
    CLI::App app_;
    std::vector<std::pair<CLI::Option*, TakeValue>> options_;
};

// Takes the value of a counted option such as --frames into `count`, or says why it cannot: the
// viewer's own reading of a count, which the programs hand in.
using TakeCount = std::function<std::optional<std::string>(const std::string& option,
                                                           const std::string& value, int& count)>;

// Adds --keys, --frames, --state and --output to `reader`, into `options`, and reads `args`;
// --state goes with neither --keys nor --frames, --output is required, and its file name must
// not be empty.
Reading readStateOptions(OptionReader& reader, StateOptions& options,
                         const std::vector<std::string>& args, const TakeCount& takeCount);

// The command line of a program that shows a state of the viewer: the state options and the
// program's own, added to `reader` beforehand, read into `options` as readStateOptions does;
// then `check` says what else is wrong with them, if anything.
template <std::derived_from<StateOptions> Options>
ParsedCommandLine<Options> readCommandLine(
    OptionReader& reader, Options& options, const std::vector<std::string>& args,
    const TakeCount& takeCount, const std::function<std::optional<std::string>(Options&)>& check) {
    const Reading reading = readStateOptions(reader, options, args, takeCount);
    ParsedCommandLine<Options> result;
    result.helpRequested = reading.helpRequested;
    result.problem = reading.helpRequested || reading.problem ? reading.problem : check(options);
    if (!result.helpRequested && !result.problem) {
        result.options = options;
    }
    return result;
}

}  // namespace command_line
