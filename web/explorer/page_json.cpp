// What the page is handed about the model and its nodes, written as JSON by nlohmann-json.
#include "page_json.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <vector>

#include "app/edit_script.h"

namespace explorer {
namespace {

using nlohmann::json;

json nodeJson(const OutlineNodes& nodes, int id) {
    const SceneNode& node = nodes.node(id);
    return {{"id", id},
            {"name", nodes.name(id)},
            {"className", node.className()},
            {"children", node.children.size()}};
}

std::string text(const json& value) {
    // Names are the program's own, but a byte that is not UTF-8 must not end the page.
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string modelJson(const OutlineNodes& nodes, const ModelSlot& model, int depth, bool paused) {
    return text({{"generation", nodes.generation()},
                 {"model", model.name},
                 {"depth", depth},
                 {"paused", paused},
                 {"root", nodeJson(nodes, 0)}});
}

std::string childrenJson(OutlineNodes& nodes, int id) {
    json children = json::array();
    for (const int child : nodes.children(id)) {
        children.push_back(nodeJson(nodes, child));
    }
    return text(children);
}

std::string restJson(const ModelDocument& document, const NodePath& path) {
    const std::optional<ModelDocument::NodeRest> rest = document.restOf(path);
    if (!rest) {
        return "null";
    }
    constexpr double degrees = 180.0 / 3.14159265358979323846;
    const std::optional<int> levels = document.levelsOf(path);
    json steps = json::array();
    for (std::size_t i = 0; i < rest->now.size(); ++i) {
        const TransformStep& now = rest->now[i];
        if (now.kind == TransformStep::Kind::matrix) {
            // The step a move that kept the node's place in the world appended: shown, not
            // edited, so it has no fields.
            steps.push_back({{"text", "matrix, from the move"},
                             {"kind", "matrix"},
                             {"axis", ""},
                             {"fields", json::array()},
                             {"matrix", std::vector<double>(now.given.m, now.given.m + 16)}});
            continue;
        }
        // A step the builder did not apply (none yet) is "built" as it is now.
        const TransformStep& built = i < rest->built.size() ? rest->built[i] : now;
        json fields = json::array();
        if (now.kind == TransformStep::Kind::rotate) {
            fields.push_back({{"field", "angle"},
                              {"label", "rotate " + axisName(now.value) + ", degrees"},
                              {"value", now.angle * degrees},
                              {"built", built.angle * degrees}});
        } else {
            const char* kind = now.kind == TransformStep::Kind::scale ? "scale " : "translate ";
            const char* names[] = {"x", "y", "z"};
            for (int k = 0; k < 3; ++k) {
                fields.push_back({{"field", names[k]},
                                  {"label", std::string(kind) + names[k]},
                                  {"value", now.value.data()[k]},
                                  {"built", built.value.data()[k]}});
            }
        }
        steps.push_back(
            {{"text", now.describe()},
             {"kind", now.kind == TransformStep::Kind::rotate  ? "rotate"
                      : now.kind == TransformStep::Kind::scale ? "scale"
                                                               : "translate"},
             {"axis", now.kind == TransformStep::Kind::rotate ? axisName(now.value) : ""},
             {"fields", std::move(fields)}});
    }
    const Mat4& motion = rest->motion;
    return text({{"path", pathInQuery(path)},
                 {"steps", std::move(steps)},
                 {"edited", rest->now != rest->built},
                 {"ownFrame", rest->ownFrame},
                 {"levels", levels ? json(*levels) : json(nullptr)},
                 {"motionDegrees", std::atan2(motion.m[2], motion.m[0]) * degrees}});
}

std::string historyJson(const ModelDocument& document) {
    const auto name = [](const std::optional<std::string>& text) {
        return text ? json(*text) : json(nullptr);
    };
    return text({{"undo", name(document.undoName())}, {"redo", name(document.redoName())}});
}

std::string idsJson(const std::vector<int>& ids) {
    return text(ids);
}

}  // namespace explorer
