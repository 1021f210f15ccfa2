// Glue between the page's choice of a node and the viewer: an id or a pixel becomes a path of
// nodes, which the selection highlights and notes the matrices of.
#include "page_selection.h"

#include <utility>

#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "node_handle.h"
#include "node_picking.h"
#include "node_selection.h"
#include "page_loop.h"
#include "scene/tree_walks.h"
#include "webgl_backend.h"

namespace explorer {
namespace {

// The picture as the last frame drew it: the projection and the camera's view stay on GL's
// stacks after the frame.
PictureView shownView() {
    const gl_subset::Matrix product =
        gl_subset::multiply(gl_subset::projectionMatrix(), gl_subset::modelviewMatrix());
    PictureView view;
    for (std::size_t i = 0; i < 16; ++i) {
        view.projectionTimesView.m[i] = product[i];
    }
    view.width = web_gl::viewportWidth();
    view.height = web_gl::viewportHeight();
    return view;
}

}  // namespace

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
    const PictureView view = shownView();
    const std::optional<Ray> ray =
        rayThroughPixel(view.projectionTimesView, x, y, view.width, view.height);
    if (!ray) {
        return {};
    }
    return shownNodes().idsAlong(pickNode(*(*currentModel)->root, *ray));
}

std::string handleJsonOf(int generation, double id) {
    OutlineNodes& nodes = shownNodes();
    if (scriptPlaying() || nodes.find(generation, id) == nullptr) {
        return "null";
    }
    const std::optional<ModelDocument::NodeRest> rest =
        document.restOf(nodes.pathOf(static_cast<int>(id), document.shownModel()));
    if (!rest) {
        return "null";
    }
    // The node's steps act in its parent's frame, after the motion a node moving in its parent's
    // frame has; a node moving in its own frame has its motion after its steps.
    const std::vector<const SceneNode*> path = nodes.pathTo(static_cast<int>(id));
    Mat4 frame;
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        frame = frame.multiply(path[i]->transform);
    }
    if (!rest->ownFrame) {
        frame = frame.multiply(rest->motion);
    }
    return handleJson(
        nodeHandle(shownView(), frame, rest->now, rest->ownFrame ? rest->motion : Mat4()));
}

}  // namespace explorer
