// Glue between the page's choice of a node and the viewer: an id or a pixel becomes a path of
// nodes, which the selection highlights and notes the matrices of.
#include "page_selection.h"

#include <utility>

#include "app/model_catalogue.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "node_picking.h"
#include "node_selection.h"
#include "page_loop.h"
#include "scene/tree_walks.h"
#include "webgl_backend.h"

namespace explorer {

std::optional<std::uint64_t> selectNode(int generation, double id) {
    if (scriptPlaying()) {
        return std::nullopt;
    }
    OutlineNodes& nodes = shownNodes();
    const SceneNode* node = nodes.find(generation, id);
    if (node == nullptr) {
        return std::nullopt;
    }
    node_selection::select(nodes.pathTo(static_cast<int>(id)));
    requestFrame();
    return countBelow(*node);
}

void clearSelection() {
    node_selection::clear();
    requestFrame();
}

std::vector<int> pickAt(double x, double y) {
    if (scriptPlaying()) {
        return {};
    }
    const gl_subset::Matrix product =
        gl_subset::multiply(gl_subset::projectionMatrix(), gl_subset::modelviewMatrix());
    Mat4 m;
    for (std::size_t i = 0; i < 16; ++i) {
        m.m[i] = product[i];
    }
    const std::optional<Ray> ray =
        rayThroughPixel(m, x, y, web_gl::viewportWidth(), web_gl::viewportHeight());
    if (!ray) {
        return {};
    }
    return shownNodes().idsAlong(pickNode(*(*currentModel)->root, *ray));
}

}  // namespace explorer
