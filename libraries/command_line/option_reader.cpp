#include "libraries/command_line/option_reader.h"

#include <algorithm>

namespace command_line {

OptionReader::OptionReader() {
    // Unknown options and stray arguments are kept, to be named in the words of the help.
    app_.allow_extras();
    // The help is asked for the moment --help is read, before anything else on the line is
    // looked at.
    app_.set_help_flag();
    app_.add_flag_callback("-h,--help", [] { throw CLI::CallForHelp(); })->trigger_on_parse();
}

void OptionReader::add(const std::string& name, TakeValue take) {
    CLI::Option* option =
        app_.add_option(name)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    options_.emplace_back(option, std::move(take));
}

Reading OptionReader::read(std::vector<std::string> args) {
    // CLI11 reads "--name=" as "--name" alone and would take the next argument as its value;
    // it is an empty value. What follows an option's name is its value, whatever it looks like.
    const auto isOption = [this](const std::string& arg) {
        return std::any_of(options_.begin(), options_.end(),
                           [&arg](const auto& option) { return option.first->get_name() == arg; });
    };
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        if (isOption(args[i])) {
            ++i;
        } else if (args[i].ends_with('=') && isOption(args[i].substr(0, args[i].size() - 1))) {
            args[i].pop_back();
            args.insert(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::string());
            ++i;
        }
    }
    Reading reading;
    const std::string last = args.empty() ? std::string() : args.back();
    try {
        // CLI11 takes the arguments from the back of the list.
        std::reverse(args.begin(), args.end());
        app_.parse(args);
    } catch (const CLI::CallForHelp&) {
        reading.helpRequested = true;
        return reading;
    } catch (const CLI::ParseError& error) {
        // Only an option at the very end can go without its value.
        reading.problem = isOption(last) ? last + " needs a value" : std::string(error.what());
        return reading;
    }
    // CLI11 keeps "--", where it stopped reading options, among the arguments it did not take:
    // the first "--" there is that end of the options, and what follows it is operands, none
    // of which the programs take.
    std::vector<std::string> extra = app_.remaining();
    const auto end = std::find(extra.begin(), extra.end(), "--");
    const bool operandsOnly = end == extra.begin();
    if (end != extra.end()) {
        extra.erase(end);
    }
    if (!extra.empty()) {
        const std::string& arg = extra.front();
        reading.problem = arg.starts_with("-") && arg != "-" && !operandsOnly
                              ? "unknown option '" + arg + "'"
                              : "unexpected argument '" + arg + "'";
        return reading;
    }
    for (const auto& [option, take] : options_) {
        if (option->count() > 1) {
            reading.problem = option->get_name() + " is given more than once";
            return reading;
        }
    }
    for (const auto& [option, take] : options_) {
        if (option->count() == 1) {
            if (std::optional<std::string> refused = take(option->results().front())) {
                reading.problem = std::move(refused);
                return reading;
            }
        }
    }
    return reading;
}

Reading readStateOptions(OptionReader& reader, StateOptions& options,
                         const std::vector<std::string>& args, const TakeCount& takeCount) {
    std::optional<std::string> output;
    bool keysGiven = false;
    bool framesGiven = false;
    reader.add("--keys", [&options, &keysGiven](const std::string& value) {
        options.keys = value;
        keysGiven = true;
        return std::optional<std::string>();
    });
    reader.add("--frames", [&options, &takeCount, &framesGiven](const std::string& value) {
        framesGiven = true;
        return takeCount("--frames", value, options.frames);
    });
    reader.add("--state", [&options](const std::string& value) {
        options.state = value;
        return std::optional<std::string>();
    });
    reader.add("--output", [&output](const std::string& value) {
        output = value;
        return std::optional<std::string>();
    });
    Reading reading = reader.read(args);
    if (reading.helpRequested || reading.problem) {
        return reading;
    }
    if (options.state && keysGiven) {
        reading.problem = "--keys is not allowed with --state: the query holds the keys (keys=...)";
    } else if (options.state && framesGiven) {
        reading.problem =
            "--frames is not allowed with --state: the query holds the steps (steps=N)";
    } else if (!output) {
        reading.problem = "--output FILE is required";
    } else if (output->empty()) {
        reading.problem = "--output: the file name is empty";
    }
    options.output = output.value_or("");
    return reading;
}

}  // namespace command_line
