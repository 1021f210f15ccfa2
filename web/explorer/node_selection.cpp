#include "node_selection.h"

#include <GL/gl.h>

#include <utility>

#include "colour_tint.h"
#include "libraries/gl_subset/begin_end.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "math/mat4.h"
#include "scene/tree_walks.h"

namespace explorer::node_selection {
namespace {

// Warm orange: white becomes orange, the tree's red lines stay red.
constexpr std::array<float, 3> tint{1.0f, 0.55f, 0.15f};
// In the node's own units, so that the axes scale with it.
constexpr double axisLength = 2.0;
constexpr float axisWidth = 3.0f;

std::vector<const SceneNode*> selected;
// The node that the frame being drawn highlights, and whether its subtree is being drawn.
const SceneNode* highlighted = nullptr;
bool tinting = false;
bool frameSeen = false;
gl_subset::Matrix frame{};
std::array<double, 32> noted{};

// Tints from the selected node to the end of its subtree, and notes the node's frame.
class Highlight : public RenderHook {
  public:
    void entering(const SceneNode& node) override {
        if (&node == highlighted) {
            frame = gl_subset::modelviewMatrix();
            frameSeen = true;
            tinting = true;
            web_gl::setColourTint(tint);
        }
    }
    void leaving(const SceneNode& node) override {
        if (&node == highlighted) {
            tinting = false;
            web_gl::clearColourTint();
        }
    }
};

Highlight highlight;

void drawAxes() {
    const std::array<float, 4> colour = gl_subset::currentColour();
    const float width = gl_subset::currentLineWidth();
    // Unlit, over everything drawn: the frame is seen even inside the node's own shape.
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    double m[16];
    for (std::size_t i = 0; i < 16; ++i) {
        m[i] = frame[i];
    }
    glLoadMatrixd(m);
    glLineWidth(axisWidth);
    glBegin(GL_LINES);
    constexpr float length = static_cast<float>(axisLength);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(length, 0.0f, 0.0f);
    glColor3f(0.0f, 0.8f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, length, 0.0f);
    glColor3f(0.2f, 0.4f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, length);
    glEnd();
    glPopMatrix();
    glLineWidth(width);
    glColor3f(colour[0], colour[1], colour[2]);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

// The selected node's matrices as its model stands.
void note() {
    Mat4 world = selected.front()->transform;
    for (std::size_t i = 1; i < selected.size(); ++i) {
        world = world.multiply(selected[i]->transform);
    }
    const Mat4& local = selected.back()->transform;
    for (std::size_t i = 0; i < 16; ++i) {
        noted[i] = local.m[i];
        noted[16 + i] = world.m[i];
    }
}

}  // namespace

void select(std::vector<const SceneNode*> path) {
    selected = std::move(path);
    if (!selected.empty()) {
        note();
    }
}

void clear() {
    selected.clear();
}

const std::vector<const SceneNode*>& path() {
    return selected;
}

void beforeFrame() {
    if (selected.empty()) {
        return;
    }
    highlighted = selected.back();
    tinting = false;
    frameSeen = false;
    setRenderHook(&highlight);
}

void afterFrame() {
    if (highlighted == nullptr) {
        return;
    }
    setRenderHook(nullptr);
    highlighted = nullptr;
    if (tinting) {
        web_gl::clearColourTint();
        tinting = false;
    }
    if (selected.empty()) {
        return;
    }
    if (frameSeen) {
        drawAxes();
    }
    note();
}

const std::array<double, 32>& matrices() {
    return noted;
}

}  // namespace explorer::node_selection
