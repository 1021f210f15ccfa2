#include "tools/capture/capture_options.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace capture {

namespace {

constexpr char escapeKey = 27;

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

std::string checkKeys(const std::string& keys) {
    const auto at = keys.find(escapeKey);
    if (at != std::string::npos) {
        return "--keys: Escape (character " + std::to_string(at + 1) +
               ") is not allowed: it would end the program before the picture is written";
    }
    return {};
}

std::optional<int> parseFrames(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    // Leading zeros do not count: "0001000000" is a million. Of "000" the last zero stays.
    const std::size_t start = std::min(text.find_first_not_of('0'), text.size() - 1);
    if (text.size() - start > 7) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, problem] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value > maxFrames) {
        return std::nullopt;
    }
    return value;
}

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    CaptureOptions options;
    bool keysSeen = false;
    bool framesSeen = false;
    bool outputSeen = false;
    // The first problem is the one reported, but reading goes on so that --help anywhere on
    // the line still shows the help.
    std::string error;
    const auto problem = [&error](std::string text) {
        if (error.empty()) {
            error = std::move(text);
        }
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.helpRequested = true;
            return result;
        }
        std::string name;
        bool* seen = nullptr;
        if (isOption(arg, "--keys")) {
            name = "--keys";
            seen = &keysSeen;
        } else if (isOption(arg, "--frames")) {
            name = "--frames";
            seen = &framesSeen;
        } else if (isOption(arg, "--output")) {
            name = "--output";
            seen = &outputSeen;
        } else if (arg.starts_with("-") && arg != "-") {
            problem("unknown option '" + arg + "'");
            continue;
        } else {
            problem("unexpected argument '" + arg + "'");
            continue;
        }

        std::string missing;
        const std::optional<std::string> value = optionValue(args, i, name, missing);
        if (!value) {
            problem(missing);
            continue;
        }
        if (*seen) {
            problem(name + " is given more than once");
            continue;
        }
        *seen = true;
        if (name == "--keys") {
            options.keys = *value;
        } else if (name == "--output") {
            options.output = *value;
        } else if (const std::optional<int> frames = parseFrames(*value)) {
            options.frames = *frames;
        } else {
            problem("--frames: '" + *value + "' is not a whole number from 0 to " +
                    std::to_string(maxFrames));
        }
    }

    if (error.empty() && !outputSeen) {
        problem("--output FILE is required");
    }
    if (error.empty() && options.output.empty()) {
        problem("--output: the file name is empty");
    }
    if (error.empty()) {
        problem(checkKeys(options.keys));
    }
    if (!error.empty()) {
        result.error = error;
        return result;
    }
    result.options = options;
    return result;
}

std::string helpText() {
    return "Usage: scene-capture [--keys KEYS] [--frames N] --output FILE\n"
           "\n"
           "Opens the viewer's window with the viewer's models, draws the start state, types\n"
           "KEYS into it, runs N animation steps and writes the last frame to FILE as an\n"
           "800 x 800 PNG.\n"
           "\n"
           "  --keys KEYS    characters typed in order, as a user would type them in the\n"
           "                 viewer: \"+\", \"=\" and \"-\" change the recursion depth, \"1\", "
           "\"2\"\n"
           "                 and \"3\" pick a viewpoint, space pauses or resumes, any other\n"
           "                 character steps to the next model (chain, figure, fan, tree).\n"
           "                 Escape is not allowed. Default: none.\n"
           "  --frames N     animation steps after the keys, 0 to 1000000; each one steps the\n"
           "                 model on screen (unless paused) and draws a frame. 0 draws the\n"
           "                 state the keys left, unanimated. Default: 1.\n"
           "  --output FILE  the PNG to write, or - for standard output. A file is replaced\n"
           "                 only once the picture is complete, and keeps its permissions;\n"
           "                 a symbolic link's target is written and the link kept; a pipe\n"
           "                 or a device such as /dev/stdout is written straight into.\n"
           "  -h, --help     this text.\n"
           "\n"
           "It needs an X display; without one, run it in a virtual one:\n"
           "  xvfb-run -a scene-capture --keys \"+++\" --frames 10 --output chain.png\n";
}

}  // namespace capture
