// Draws trees deeper than OpenGL's modelview stack in a real window on the real GL, and holds
// the picture against the same shapes drawn from a shallow tree.

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "harness/x_server.h"

#include "app/startup.h"
#include "scene/ball.h"
#include "scene/limb.h"
#include "scene/scene_node.h"
#include "scene/tree_walks.h"

namespace {

constexpr int size = 800;

class DeepTree : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // A virtual X server on a free display of its own, unless one is named.
        server = e2e::XServer::startOrAttach("deep_tree_test.xvfb.log");
        setenv("DISPLAY", server->display().c_str(), 1);
        static char program[] = "deep_tree_test";
        static char* argv[] = {program, nullptr};
        int argc = 1;
        openWindow(&argc, argv);
    }

    // The frame as the viewer draws it: cleared, a camera, then the tree.
    static std::vector<unsigned char> picture(SceneNode* root) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(0, 0, 40, 0, 0, 0, 0, 1, 0);
        renderTree(root);
        glFinish();
        std::vector<unsigned char> pixels(size * size * 3);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static inline std::unique_ptr<e2e::XServer> server;

    static int stackDepth() {
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        return depth;
    }

    // Pixels whose channels differ by more than one step of rounding.
    static int differingPixels(const std::vector<unsigned char>& a,
                               const std::vector<unsigned char>& b) {
        int count = 0;
        for (std::size_t i = 0; i < a.size(); i += 3) {
            for (std::size_t c = 0; c < 3; ++c) {
                if (std::abs(a[i + c] - b[i + c]) > 2) {
                    ++count;
                    break;
                }
            }
        }
        return count;
    }

    static int drawnPixels(const std::vector<unsigned char>& a) {
        int count = 0;
        for (std::size_t i = 0; i < a.size(); i += 3) {
            // Anything but the clear colour (51, 51, 178).
            count += std::abs(a[i] - 51) > 8 || std::abs(a[i + 2] - 178) > 8 ? 1 : 0;
        }
        return count;
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

    const std::vector<unsigned char> deep = picture(pair.deep.get());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(stackDepth(), 1);
    const std::vector<unsigned char> shallow = picture(pair.shallow.get());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_GT(drawnPixels(shallow), 5000) << "the shapes should cover a fair part of the window";
    EXPECT_LT(differingPixels(deep, shallow), 50);
}

}  // namespace
