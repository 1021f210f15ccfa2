// What the page is handed about the model and its nodes, written as JSON by nlohmann-json.
#include "page_json.h"

#include <nlohmann/json.hpp>

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

std::string idsJson(const std::vector<int>& ids) {
    return text(ids);
}

}  // namespace explorer
