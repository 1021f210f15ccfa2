#include "app/frame_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "app_state.h"
#include "gl_matrices.h"
#include "gl_recorder.h"
#include "scene/swinging_limb.h"

namespace {

using gl_double::call;
using gl_double::Call;

class FrameLoop : public ::testing::Test {
  protected:
    void SetUp() override {
        resetApplication();
        buildScene();
    }
    void TearDown() override { resetApplication(); }

    static SwingingLimb* chainLimb() {
        return static_cast<SwingingLimb*>(modelRoot(0)->children.front());
    }
};

TEST_F(FrameLoop, DisplayClearsPlacesTheCameraDrawsTheAxesAndTheModelThenSwaps) {
    nextModel();
    nextModel();
    nextModel();  // the tree model: one ball at depth 1, four up the y axis
    const double t = Vec3(-1, -1, -1).normalized().x;
    onDisplay();
    const std::vector<Call> expected = {
        call("glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}),
        call("glLoadIdentity"),
        call("gluLookAt", {15, 15, 15, 15 + t, 15 + t, 15 + t, 0, 1, 0}),
        call("glColor3f", {1, 1, 1}),
        call("glBegin", {GL_LINES}),
        call("glVertex3f", {-300, 0, 0}),
        call("glVertex3f", {300, 0, 0}),
        call("glVertex3f", {0, -300, 0}),
        call("glVertex3f", {0, 300, 0}),
        call("glVertex3f", {0, 0, -300}),
        call("glVertex3f", {0, 0, 300}),
        call("glEnd"),
        call("glPushMatrix"),
        call("glMultMatrixd", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 4, 0, 1}),
        call("glutSolidSphere", {1, 10, 5}),
        call("glPopMatrix"),
        call("glutSwapBuffers"),
    };
    EXPECT_EQ(gl_double::calls(), expected);
}

TEST_F(FrameLoop, FirstFrameShowsTheChainModel) {
    onDisplay();
    // One limb under the chain's root at (0, 0, -6): its near end there, its far end 3 on.
    EXPECT_EQ(gl_double::callsNamed("glMultMatrixd").front(),
              call("glMultMatrixd", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -6, 1}));
    EXPECT_EQ(gl_double::callsNamed("glutSolidSphere"),
              std::vector<Call>(2, call("glutSolidSphere", {0.5, 10, 5})));
    EXPECT_EQ(gl_double::countOf("glNormal3dv"), 100u);
    EXPECT_EQ(gl_double::stackDepth(), 1);
}

TEST_F(FrameLoop, IdleStepsTheCurrentModelOnlyWhileAnimatingAndAlwaysAsksForAFrame) {
    onIdle();
    onIdle();
    EXPECT_EQ(chainLimb()->frameCount, 2);
    EXPECT_EQ(gl_double::calls(),
              (std::vector<Call>{call("glutPostRedisplay"), call("glutPostRedisplay")}));

    toggleAnimation();
    const gl_double::Matrix before = toMatrix(chainLimb()->transform);
    gl_double::clearCalls();
    onIdle();
    EXPECT_EQ(chainLimb()->frameCount, 2);
    EXPECT_EQ(toMatrix(chainLimb()->transform), before);
    EXPECT_EQ(gl_double::calls(), std::vector<Call>{call("glutPostRedisplay")});
}

TEST_F(FrameLoop, ModelsOffScreenKeepTheirPose) {
    onIdle();
    nextModel();
    onIdle();
    onIdle();
    EXPECT_EQ(chainLimb()->frameCount, 1);
    nextModel();
    nextModel();
    nextModel();
    onIdle();
    EXPECT_EQ(chainLimb()->frameCount, 2);
}

// Of the figure only the arms swing: its balls, legs and shoulders do not animate.
TEST_F(FrameLoop, IdleMovesOnlyTheFiguresArms) {
    nextModel();
    std::vector<const SceneNode*> nodes;
    auto collect = [&nodes](auto&& self, const SceneNode* node) -> void {
        nodes.push_back(node);
        for (const SceneNode* child : node->children) {
            self(self, child);
        }
    };
    collect(collect, modelRoot(1));
    std::vector<gl_double::Matrix> before;
    for (const SceneNode* node : nodes) {
        before.push_back(toMatrix(node->transform));
    }
    for (int i = 0; i < 3; ++i) {
        onIdle();
    }
    int arms = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (const auto* limb = dynamic_cast<const SwingingLimb*>(nodes[i])) {
            EXPECT_EQ(limb->frameCount, 3);
            ++arms;
        } else {
            EXPECT_EQ(toMatrix(nodes[i]->transform), before[i]) << "node " << i;
        }
    }
    EXPECT_EQ(arms, 6);
}

}  // namespace
