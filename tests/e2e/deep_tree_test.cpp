// Draws trees deeper than OpenGL's modelview stack in a real window on the real GL, and holds
// the picture against the same shapes drawn from a shallow tree.

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "harness/pixel_analysis.h"
#include "harness/x_server.h"

#include "app/startup.h"
#include "libraries/image/image_compare.h"
#include "scene/ball.h"
#include "scene/limb.h"
#include "scene/scene_node.h"
#include "scene/tree_walks.h"

namespace e2e {
namespace {

constexpr int size = 800;

class DeepTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // A virtual X server on a free display of its own, unless one is named.
        server = XServer::startOrAttach("deep_tree_test.xvfb.log");
        setenv("DISPLAY", server->display().c_str(), 1);
        static char program[] = "deep_tree_test";
        static char* argv[] = {program, nullptr};
        int argc = 1;
        openWindow(&argc, argv);
    }

    // The frame as the viewer draws it: cleared, a camera, then the tree.
    static image::RgbImage picture(SceneNode* root) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 0, 40, 0, 0, 0, 0, 1, 0);
        renderTree(root);
        glFinish();
        std::vector<std::uint8_t> rows(size * size * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        return image::fromBottomUpRows(size, size, rows);
    }

    static inline std::unique_ptr<XServer> server;

    static int stackDepth() {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        return depth;
    }
};

// A chain of plain nodes, each a small step and turn further on, with a shape at the end of
// every tenth level; and the same shapes placed directly under the root.
struct Pair {
    std::unique_ptr<SceneNode> deep = std::make_unique<SceneNode>();
    std::unique_ptr<SceneNode> shallow = std::make_unique<SceneNode>();
};

Pair deepAndShallow(int levels) {
    Pair pair;
    SceneNode* last = pair.deep.get();
    Mat4 place;
    for (int level = 1; level <= levels; ++level) {
        last = last->addChild(new SceneNode);
        last->translate({0.0, 0.25, 0.0});
        last->rotate({0.0, 0.0, 1.0}, 0.05);
        place = place.multiply(last->transform);
        if (level % 10 == 0) {
            SceneNode* shape =
                level % 20 == 0 ? static_cast<SceneNode*>(new Limb(0.5, 2.0)) : new Ball(0.8);
            last->addChild(shape);
            SceneNode* copy =
                level % 20 == 0 ? static_cast<SceneNode*>(new Limb(0.5, 2.0)) : new Ball(0.8);
            // The copy's frame is the product of every level above it.
            copy->transform = place;
            pair.shallow->addChild(copy);
        }
    }
    return pair;
}

TEST_F(DeepTree, DeeperThanTheStackDrawsTheSamePictureWithoutError) {
    GLint limit = 0;
    glGetIntegerv(GL_MAX_MODELVIEW_STACK_DEPTH, &limit);
    ASSERT_GT(limit, 0);
    const int levels = 4 * limit;
    const Pair pair = deepAndShallow(levels);
    while (glGetError() != GL_NO_ERROR) {
    }

    const image::RgbImage deep = picture(pair.deep.get());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(stackDepth(), 1);
    const image::RgbImage shallow = picture(pair.shallow.get());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const image::Rgb clearColour{51, 51, 178};
    EXPECT_GT(countPixels(shallow, notNear(clearColour, 8)), 5000)
        << "the shapes should cover a fair part of the window";
    // Pixels whose channels differ by more than one step of rounding.
    EXPECT_LT(image::compareImages(deep, shallow, {2, 0.0}).differing, 50);
}

}  // namespace
}  // namespace e2e
