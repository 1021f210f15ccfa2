#include "libraries/command_line/program_main.h"

#include <cstdio>
#include <new>

namespace command_line {

void tell(const std::string& program, const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
}

int runProgram(const std::string& program, const std::string& help, bool helpRequested,
               const std::optional<std::string>& usageProblem, const std::string& output,
               const Run& run) {
    if (helpRequested) {
        std::fputs(help.c_str(), stdout);
        return 0;
    }
    if (usageProblem) {
        tell(program, *usageProblem + " (see " + program + " --help)");
        return usageError;
    }
    files::PendingFile file(output);
    std::optional<std::string> problem = file.prepare();
    try {
        problem = problem ? problem : run(file);
    } catch (const std::bad_alloc&) {
        problem = file.cannotWrite("it ran out of memory");
    }
    if (problem) {
        tell(program, *problem);
        return runError;
    }
    return 0;
}

}  // namespace command_line
