#pragma once

#include <concepts>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "libraries/command_line/state_options.h"
#include "libraries/files/pending_file.h"

// The frame of scene-capture and scene-export: read the command line, answer --help, refuse a
// bad line (status 2), make sure the file can be written before any work is done, then run and
// write the file (status 1 when either fails). Every message is one line on standard error,
// "PROGRAM: what happened".
namespace command_line {

inline constexpr int usageError = 2;
inline constexpr int runError = 1;

// "PROGRAM: message" on standard error.
void tell(const std::string& program, const std::string& message);

// Writes the file to `output` once the program has made it; the problem, or nothing.
using Run = std::function<std::optional<std::string>(files::PendingFile& output)>;

// The frame around a command line read into `parsed` (with the state options' --output): the
// exit status of the program. Running out of memory is a run error that names the file.
int runProgram(const std::string& program, const std::string& help, bool helpRequested,
               const std::optional<std::string>& usageProblem, const std::string& output,
               const Run& run);

// The same for a program's options as its parseCommandLine reads them; `run` gets them, once
// their notes are said.
template <std::derived_from<StateOptions> Options>
int runProgram(
    const std::string& program, const std::string& help, const ParsedCommandLine<Options>& parsed,
    const std::type_identity_t<
        std::function<std::optional<std::string>(const Options&, files::PendingFile&)>>& run) {
    if (parsed.options) {
        for (const std::string& note : parsed.options->notes) {
            tell(program, note);
        }
    }
    return runProgram(program, help, parsed.helpRequested, parsed.problem,
                      parsed.options ? parsed.options->output : std::string(),
                      [&](files::PendingFile& output) { return run(*parsed.options, output); });
}

}  // namespace command_line
