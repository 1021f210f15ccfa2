#include "app/edit_script.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "app/key_script.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<std::string> split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// A position or step number from 1, as a path or an edit writes it.
std::optional<std::uint32_t> readPosition(const std::string& text) {
    std::uint32_t value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || problem != std::errc() || end != text.data() + text.size() || value == 0) {
        return std::nullopt;
    }
    return value - 1;
}

std::optional<NodePath> readPath(const std::string& text) {
    const std::vector<std::string> parts = split(text, '/');
    NodePath path;
    bool known = false;
    for (const char* name : modelNames) {
        if (parts[0] == name) {
            known = true;
            break;
        }
        ++path.model;
    }
    if (!known) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::optional<std::uint32_t> position = readPosition(parts[i]);
        if (!position) {
            return std::nullopt;
        }
        path.positions.push_back(*position);
    }
    return path;
}

std::optional<double> readNumber(const std::string& text) {
    if (text.empty() || text.size() > 40 ||
        text.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno != 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<StepField> readField(const std::string& text) {
    for (const StepField field : {StepField::x, StepField::y, StepField::z, StepField::angle}) {
        if (text == fieldName(field)) {
            return field;
        }
    }
    return std::nullopt;
}

const std::string pathHelp =
    "a path is a model (chain, figure, fan, tree, yours) and positions from 1, as figure/3/1";

// The edit a parameter of the second form asks for, or the line that says why it is left out;
// nothing for a parameter the script does not know.
std::optional<std::string> readEdit(const std::string& name, const std::string& value,
                                    std::vector<Edit>& script) {
    const std::string shown = name + "=" + value.substr(0, 60);
    if (name == "edit") {
        const std::vector<std::string> parts = split(value, ',');
        if (parts.size() != 4) {
            return shown + ": an edit is PATH,STEP,FIELD,VALUE, as edit=figure/3,1,angle,45";
        }
        const std::optional<NodePath> path = readPath(parts[0]);
        if (!path) {
            return shown + ": " + pathHelp;
        }
        const std::optional<std::uint32_t> step = readPosition(parts[1]);
        if (!step) {
            return shown + ": the step is a number from 1";
        }
        const std::optional<StepField> field = readField(parts[2]);
        if (!field) {
            return shown + ": the field is x, y, z or angle";
        }
        const std::optional<double> number = readNumber(parts[3]);
        if (!number) {
            return shown + ": '" + parts[3].substr(0, 40) + "' is not a number";
        }
        script.push_back(Edit::set(*path, *step, *field, *number));
    } else if (name == "reset") {
        const std::optional<NodePath> path = readPath(value);
        if (!path) {
            return shown + ": " + pathHelp;
        }
        script.push_back(Edit::resetOf(*path));
    } else if (name == "reset-model") {
        const std::optional<NodePath> path = readPath(value);
        if (!path || !path->positions.empty()) {
            return shown + ": the model is chain, figure, fan or tree";
        }
        script.push_back(Edit::resetOfModel(path->model));
    } else if (name == "move") {
        const std::vector<std::string> parts = split(value, ',');
        if (parts.size() != 3 || (parts[2] != "world" && parts[2] != "local")) {
            return shown +
                   ": a move is PATH,NEW-PARENT,world or local, as "
                   "move=figure/3,figure/1,world";
        }
        const std::optional<NodePath> path = readPath(parts[0]);
        const std::optional<NodePath> target = readPath(parts[1]);
        if (!path || !target) {
            return shown + ": " + pathHelp;
        }
        script.push_back(Edit::moved(*path, *target, parts[2] == "world"));
    } else if (name == "add") {
        const std::vector<std::string> parts = split(value, ',');
        std::optional<NewNode> made;
        for (const NewNode kind :
             {NewNode::group, NewNode::ball, NewNode::limb, NewNode::chain, NewNode::tree}) {
            if (parts.size() >= 2 && parts[1] == newNodeName(kind)) {
                made = kind;
            }
        }
        const bool counted = made && takesCount(*made);
        if (!made || parts.size() != (counted ? 3u : 2u)) {
            return shown +
                   ": an add is PATH,group, ball or limb, or PATH,chain,LIMBS or "
                   "PATH,tree,DEPTH, as add=figure/4/1,tree,3";
        }
        const std::optional<NodePath> path = readPath(parts[0]);
        if (!path) {
            return shown + ": " + pathHelp;
        }
        const std::optional<std::uint32_t> count =
            counted ? readPosition(parts[2]) : std::optional<std::uint32_t>(0);
        if (!count || *count >= 1000000) {
            return shown + ": '" + parts.back().substr(0, 40) + "' is not a count from 1";
        }
        script.push_back(Edit::added(*path, *made, counted ? static_cast<int>(*count) + 1 : 0));
    } else if (name == "copy" || name == "delete") {
        const std::optional<NodePath> path = readPath(value);
        if (!path) {
            return shown + ": " + pathHelp;
        }
        script.push_back(name == "copy" ? Edit::copied(*path) : Edit::removed(*path));
    } else if (name == "depth") {
        const std::vector<std::string> parts = split(value, ',');
        const std::optional<NodePath> path = parts.size() == 2 ? readPath(parts[0]) : std::nullopt;
        const std::optional<std::uint32_t> count =
            parts.size() == 2 ? readPosition(parts[1]) : std::nullopt;
        if (!path || !count || *count >= 1000000) {
            return shown + ": a depth is PATH,LEVELS, as depth=tree,5";
        }
        script.push_back(Edit::deepened(*path, static_cast<int>(*count) + 1));
    } else if (name == "undo") {
        script.push_back(Edit::undone());
    } else if (name == "redo") {
        script.push_back(Edit::redone());
    }
    return std::nullopt;
}

// The shortest decimal that reads back as `value`, to the bit.
std::string number(double value) {
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) {
            break;
        }
    }
    return text;
}

}  // namespace

QueryParameters parseQuery(std::string_view query) {
    if (!query.empty() && query.front() == '?') {
        query.remove_prefix(1);
    }
    QueryParameters parameters;
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view part = query.substr(0, end);
        if (!part.empty()) {
            const std::size_t equals = part.find('=');
            parameters.emplace_back(
                decode(part.substr(0, equals)),
                equals == std::string_view::npos ? std::string() : decode(part.substr(equals + 1)));
        }
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    }
    return parameters;
}

std::optional<std::string> readScript(const QueryParameters& parameters,
                                      std::optional<std::vector<Edit>>& read) {
    read.reset();
    if (parameters.size() > maxAddressParameters) {
        return "the address has " + std::to_string(parameters.size()) +
               " parameters, more than the " + std::to_string(maxAddressParameters) +
               " a page plays; the viewer runs live";
    }
    const std::pair<std::string, std::string>* firstKeys = nullptr;
    const std::pair<std::string, std::string>* firstFrames = nullptr;
    bool secondForm = false;
    for (const auto& parameter : parameters) {
        const std::string& name = parameter.first;
        if (name == "keys" && firstKeys == nullptr) {
            firstKeys = &parameter;
        } else if (name == "frames" && firstFrames == nullptr) {
            firstFrames = &parameter;
        } else if (name == "steps" || name == "edit" || name == "reset" || name == "reset-model" ||
                   name == "undo" || name == "redo" || name == "move" || name == "add" ||
                   name == "copy" || name == "delete" || name == "depth") {
            secondForm = true;
        }
    }
    if (!secondForm) {
        if (firstKeys == nullptr && firstFrames == nullptr) {
            return std::nullopt;
        }
        // As scene-capture reads --keys and --frames, with its default of one frame.
        int frames = 1;
        if (firstFrames != nullptr) {
            if (auto problem = readCount("frames", firstFrames->second, frames)) {
                return problem;
            }
        }
        read =
            std::vector<Edit>{Edit::typed(firstKeys != nullptr ? firstKeys->second : std::string()),
                              Edit::idled(frames)};
        return std::nullopt;
    }
    if (firstFrames != nullptr) {
        return "frames: not together with steps; write each run of steps as steps=N";
    }
    std::vector<Edit> script;
    std::optional<std::string> leftOut;
    std::size_t leftOutCount = 0;
    for (const auto& [name, value] : parameters) {
        if (name == "keys") {
            // Each set of keys had a frame of its own.
            if (!value.empty()) {
                script.push_back(Edit::typed(value));
            }
        } else if (name == "steps") {
            int steps = 0;
            if (auto problem = readCount("steps", value, steps)) {
                return problem;
            }
            if (!script.empty() && script.back().kind == Edit::Kind::steps &&
                script.back().count <= maxFrames - steps) {
                script.back().count += steps;
            } else {
                script.push_back(Edit::stepped(steps));
            }
        } else if (std::optional<std::string> problem = readEdit(name, value, script)) {
            if (!leftOut) {
                leftOut = std::move(problem);
            }
            ++leftOutCount;
        }
    }
    read = std::move(script);
    if (leftOut && leftOutCount > 1) {
        *leftOut += "; " + std::to_string(leftOutCount - 1) + " more left out";
    }
    return leftOut;
}

std::optional<std::string> readStateQuery(std::string_view query,
                                          std::optional<std::vector<Edit>>& script) {
    query = query.substr(0, query.find('#'));
    if (const std::size_t mark = query.find('?');
        mark != std::string_view::npos && query.find_first_of("=&") > mark) {
        query.remove_prefix(mark + 1);
    }
    std::optional<std::string> line = readScript(parseQuery(query), script);
    if (!line && !script) {
        script.emplace();
    }
    return line;
}

std::optional<std::string> checkState(const std::optional<std::string>& query,
                                      const std::string& product, std::vector<std::string>& notes) {
    if (!query) {
        return std::nullopt;
    }
    std::optional<std::vector<Edit>> script;
    std::optional<std::string> line = readStateQuery(*query, script);
    if (!script) {
        return "--state: " + line.value_or("");
    }
    for (const Edit& entry : *script) {
        if (entry.kind == Edit::Kind::keys) {
            if (std::optional<std::string> refused =
                    checkKeys(entry.keys, product, "--state: keys")) {
                return refused;
            }
        }
    }
    if (line) {
        notes.push_back("--state: " + *line);
    }
    return std::nullopt;
}

std::string stateHelp() {
    return "  --state QUERY  in place of --keys and --frames: the query of the web page's\n"
           "                 address (what follows its \"?\"), or the whole address, played\n"
           "                 as the page plays it: keys=K types K, steps=N runs N steps,\n"
           "                 edit=PATH,STEP,FIELD,VALUE, reset=PATH, reset-model=MODEL,\n"
           "                 move=PATH,NEW-PARENT,world|local, add=PATH,KIND[,N],\n"
           "                 copy=PATH, delete=PATH, depth=PATH,N, undo and redo edit\n"
           "                 the models, all in order; keys=K&frames=N\n"
           "                 is --keys K --frames N. An empty query is the start state, as\n"
           "                 the page's first frame shows it. A parameter that cannot be\n"
           "                 read, or an edit of a node the model lacks, is named on\n"
           "                 standard error and left out.\n";
}

std::string encodeKeys(const std::string& keys) {
    std::string encoded;
    for (const char key : keys) {
        const auto c = static_cast<unsigned char>(key);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            encoded += escaped;
        }
    }
    return encoded;
}

std::string pathInQuery(const NodePath& path) {
    std::string text = path.model < std::size(modelNames) ? modelNames[path.model] : "?";
    for (const std::uint32_t position : path.positions) {
        text += "/" + std::to_string(std::uint64_t{position} + 1);
    }
    return text;
}

std::string queryOf(const std::vector<Edit>& history, std::size_t entries, int lastCount) {
    std::string query;
    const auto add = [&query](const std::string& parameter) {
        query += (query.empty() ? "?" : "&") + parameter;
    };
    for (std::size_t i = 0; i < entries && i < history.size(); ++i) {
        const Edit& edit = history[i];
        const int count = i + 1 == entries ? lastCount : edit.count;
        switch (edit.kind) {
            case Edit::Kind::keys:
                add("keys=" + encodeKeys(edit.keys));
                // The steps after the keys, 0 when none: a reader sees the keys had their frame.
                if (i + 1 == entries || history[i + 1].kind != Edit::Kind::steps) {
                    add("steps=0");
                }
                break;
            case Edit::Kind::steps:
            case Edit::Kind::idle:
                add("steps=" + std::to_string(count));
                break;
            case Edit::Kind::setValue:
                add("edit=" + pathInQuery(edit.node) + "," +
                    std::to_string(std::uint64_t{edit.step} + 1) + "," + fieldName(edit.field) +
                    "," + number(edit.value));
                break;
            case Edit::Kind::resetNode:
                add("reset=" + pathInQuery(edit.node));
                break;
            case Edit::Kind::resetModel:
                add("reset-model=" + pathInQuery(edit.node));
                break;
            case Edit::Kind::undo:
                add("undo");
                break;
            case Edit::Kind::redo:
                add("redo");
                break;
            case Edit::Kind::move:
                add("move=" + pathInQuery(edit.node) + "," + pathInQuery(edit.target) + "," +
                    (edit.keepWorld ? "world" : "local"));
                break;
            case Edit::Kind::add:
                add("add=" + pathInQuery(edit.node) + "," + newNodeName(edit.made) +
                    (takesCount(edit.made) ? "," + std::to_string(edit.count) : std::string()));
                break;
            case Edit::Kind::copy:
                add("copy=" + pathInQuery(edit.node));
                break;
            case Edit::Kind::remove:
                add("delete=" + pathInQuery(edit.node));
                break;
            case Edit::Kind::depth:
                add("depth=" + pathInQuery(edit.node) + "," + std::to_string(edit.count));
                break;
        }
    }
    return query;
}
