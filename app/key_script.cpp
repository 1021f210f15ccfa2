#include "app/key_script.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr char escapeKey = 27;

}  // namespace

std::optional<std::string> checkKeys(const std::string& keys, const std::string& product,
                                     const std::string& given) {
    const auto at = keys.find(escapeKey);
    if (at != std::string::npos) {
        return given + ": Escape (character " + std::to_string(at + 1) +
               ") is not allowed: it would end the program before " + product + " is written";
    }
    return std::nullopt;
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

std::optional<std::string> readCount(const std::string& option, const std::string& value,
                                     int& count) {
    const std::optional<int> parsed = parseFrames(value);
    if (!parsed) {
        return option + ": '" + value + "' is not a whole number from 0 to " +
               std::to_string(maxFrames);
    }
    count = *parsed;
    return std::nullopt;
}

std::string keysHelp() {
    return "  --keys KEYS    characters typed in order, as a user would type them in the\n"
           "                 viewer: \"+\", \"=\" and \"-\" change the recursion depth, \"1\", "
           "\"2\"\n"
           "                 and \"3\" pick a viewpoint, space pauses or resumes, any other\n"
           "                 character steps to the next model (chain, figure, fan, tree).\n"
           "                 Escape is not allowed. Default: none.\n";
}
