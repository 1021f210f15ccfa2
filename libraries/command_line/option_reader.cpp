#include "libraries/command_line/option_reader.h"

#include "app/key_script.h"

#include <optional>
#include <utility>

namespace command_line {

namespace {

// The value of an option written as "--name value" or "--name=value". Advances `i` past the
// value it consumes. Sets `error` when the value is missing.
std::optional<std::string> optionValue(const std::vector<std::string>& args, std::size_t& i,
                                       const std::string& name, std::string& error) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg[name.size()] == '=') {
        return arg.substr(name.size() + 1);
    }
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return std::nullopt;
    }
    ++i;
    return args[i];
}

// Whether `arg` is the option `name`, alone or with "=value" attached.
bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
                           arg[name.size()] == '=');
}

}  // namespace

OptionsRead readOptions(const std::vector<std::string>& args,
                        const std::vector<OptionHandler>& handlers) {
    OptionsRead result;
    std::vector<bool> seen(handlers.size(), false);
    const auto problem = [&result](std::string text) {
        if (result.error.empty()) {
            result.error = std::move(text);
        }
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.helpRequested = true;
            result.error.clear();
            return result;
        }
        std::size_t which = 0;
        while (which < handlers.size() && !isOption(arg, handlers[which].name)) {
            ++which;
        }
        if (which == handlers.size()) {
            problem(arg.starts_with("-") && arg != "-" ? "unknown option '" + arg + "'"
                                                       : "unexpected argument '" + arg + "'");
            continue;
        }

        const OptionHandler& handler = handlers[which];
        std::string missing;
        const std::optional<std::string> value = optionValue(args, i, handler.name, missing);
        if (!value) {
            problem(missing);
            continue;
        }
        if (seen[which]) {
            problem(handler.name + " is given more than once");
            continue;
        }
        seen[which] = true;
        if (std::string refused = handler.take(*value); !refused.empty()) {
            problem(std::move(refused));
        }
    }
    return result;
}

std::vector<OptionHandler> stateOptionHandlers(std::string& keys, int& frames,
                                               std::optional<std::string>& output) {
    return {{"--keys",
             [&keys](const std::string& value) {
                 keys = value;
                 return std::string();
             }},
            {"--frames",
             [&frames](const std::string& value) { return takeCount("--frames", value, frames); }},
            {"--output", [&output](const std::string& value) {
                 output = value;
                 return std::string();
             }}};
}

std::string checkOutputGiven(const std::optional<std::string>& output) {
    if (!output) {
        return "--output FILE is required";
    }
    if (output->empty()) {
        return "--output: the file name is empty";
    }
    return {};
}

}  // namespace command_line
