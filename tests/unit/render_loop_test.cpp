#include "app/frame_loop.h"
#include "app/startup.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/keyboard.h"
#include "app_state.h"
#include "gl_recorder.h"
#include "scene/swinging_limb.h"

namespace {

using gl_double::Call;
using gl_double::call;

constexpr const char* title =
    "(1 / 2 / 3) - Viewpoints.  (+ / -) - Recursion depth.  Any other key - next model";

class RenderLoop : public ::testing::Test {
  protected:
    void SetUp() override { resetApplication(); }
    void TearDown() override { resetApplication(); }

    // Start-up as the viewer does it, with the recording double's main loop returning at once.
    void startUp() {
        char program[] = "scene-viewer";
        char option[] = "-geometry";
        char value[] = "300x300";
        char* argv[] = {program, option, value, nullptr};
        int argc = 3;
        startViewer(&argc, argv);
    }

    static std::vector<Call> axes() {
        return {call("glColor3f", {1, 1, 1}),
                call("glBegin", {1}),
                call("glVertex3f", {-300, 0, 0}),
                call("glVertex3f", {300, 0, 0}),
                call("glVertex3f", {0, -300, 0}),
                call("glVertex3f", {0, 300, 0}),
                call("glVertex3f", {0, 0, -300}),
                call("glVertex3f", {0, 0, 300}),
                call("glEnd")};
    }
};

TEST_F(RenderLoop, StartUpRunsInOrderAndEndsInTheMainLoop) {
    startUp();
    const std::vector<Call> expected = {
        call("glutInit", {3}, "scene-viewer -geometry 300x300"),
        call("glutInitDisplayMode", {18}),
        call("glutInitWindowSize", {800, 800}),
        call("glutInitWindowPosition", {100, 100}),
        call("glutCreateWindow", {}, title),
        call("glEnable", {0x0B71}),
        call("glEnable", {0x0B50}),
        call("glMatrixMode", {0x1701}),
        call("glLoadIdentity"),
        call("gluPerspective", {45.0, 1.0, 0.1, 100.0}),
        call("glMatrixMode", {0x1700}),
        call("glClearColor", {0.2f, 0.2f, 0.7f, 1.0f}),
        call("glLightfv", {0x4000, 0x1200, 0.3f, 0.3f, 0.3f, 1.0f}),
        call("glLightfv", {0x4000, 0x1201, 0.5f, 0.5f, 0.5f, 1.0f}),
        call("glLightfv", {0x4000, 0x1203, 0.0f, 0.0f, 10.0f, 0.0f}),
        call("glEnable", {0x4000}),
        call("glEnable", {0x0B57}),
        call("glutDisplayFunc"),
        call("glutKeyboardFunc"),
        call("glutIdleFunc"),
        call("glutMainLoop"),
    };
    EXPECT_EQ(gl_double::calls(), expected);
    EXPECT_EQ(gl_double::displayFunc(), &onDisplay);
    EXPECT_EQ(gl_double::idleFunc(), &onIdle);
    EXPECT_EQ(gl_double::keyboardFunc(), &onKeyboard);
}

TEST_F(RenderLoop, SceneIsBuiltBeforeTheMainLoopWithTheStartView) {
    startUp();
    ASSERT_EQ(modelList.size(), 4u);
    EXPECT_EQ(currentModel, modelList.begin());
    EXPECT_EQ(camera.eye, Vec3(15, 15, 15));
    EXPECT_EQ(camera.direction, Vec3(-1, -1, -1).normalized());
    EXPECT_EQ(camera.up, Vec3(0, 1, 0));
    // The light was given while the modelview matrix was untouched, and the mode is left at
    // the modelview matrix.
    EXPECT_EQ(gl_double::currentMatrix(GL_MODELVIEW),
              gl_double::Matrix({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

TEST_F(RenderLoop, DrawAxesIsSixWhiteVertices) {
    drawAxes();
    EXPECT_EQ(gl_double::calls(), axes());
}

TEST_F(RenderLoop, DisplayClearsPlacesTheCameraDrawsAxesThenTheCurrentModel) {
    startUp();
    gl_double::clearCalls();
    onDisplay();
    const std::vector<Call>& c = gl_double::calls();
    const double t = Vec3(-1, -1, -1).normalized().x;
    std::vector<Call> head = {call("glClear", {0x4100}), call("glLoadIdentity"),
                              call("gluLookAt", {15, 15, 15, 15 + t, 15 + t, 15 + t, 0, 1, 0})};
    for (const Call& a : axes()) {
        head.push_back(a);
    }
    // The chain model's root, translated to (0, 0, -6), holding one limb.
    head.push_back(call("glPushMatrix"));
    head.push_back(call("glMultMatrixd", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -6, 1}));
    head.push_back(call("glPushMatrix"));
    head.push_back(call("glMultMatrixd", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    head.push_back(call("glBegin", {7}));
    ASSERT_GT(c.size(), head.size());
    EXPECT_EQ(std::vector<Call>(c.begin(), c.begin() + long(head.size())), head);
    const std::vector<Call> tail = {call("glPopMatrix"), call("glPopMatrix"),
                                    call("glutSwapBuffers")};
    EXPECT_EQ(std::vector<Call>(c.end() - 3, c.end()), tail);
    EXPECT_EQ(gl_double::countOf("glBegin"), 2u);  // axes and one limb
    EXPECT_EQ(gl_double::stackDepth(), 1);
}

TEST_F(RenderLoop, DisplayDrawsWhicheverModelIsCurrent) {
    startUp();
    nextModel();
    nextModel();
    nextModel();  // the tree model, one ball at depth 1
    gl_double::clearCalls();
    onDisplay();
    EXPECT_EQ(gl_double::callsNamed("glutSolidSphere"),
              std::vector<Call>{call("glutSolidSphere", {1, 10, 5})});
    ASSERT_EQ(gl_double::sphereModelviews().size(), 1u);
}

TEST_F(RenderLoop, IdleStepsTheCurrentModelOnlyWhileAnimating) {
    startUp();
    auto* limb = static_cast<SwingingLimb*>(modelRoot(0)->children.front());
    gl_double::clearCalls();
    onIdle();
    onIdle();
    EXPECT_EQ(limb->frameCount, 2);
    EXPECT_EQ(gl_double::calls(),
              (std::vector<Call>{call("glutPostRedisplay"), call("glutPostRedisplay")}));

    toggleAnimation();
    const Mat4 before = limb->transform;
    gl_double::clearCalls();
    onIdle();
    EXPECT_EQ(limb->frameCount, 2);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(limb->transform.m[i], before.m[i]);
    }
    EXPECT_EQ(gl_double::calls(), std::vector<Call>{call("glutPostRedisplay")});
}

TEST_F(RenderLoop, ModelsOffScreenKeepTheirPose) {
    startUp();
    auto* chain = static_cast<SwingingLimb*>(modelRoot(0)->children.front());
    onIdle();
    nextModel();
    onIdle();
    onIdle();
    EXPECT_EQ(chain->frameCount, 1);
    nextModel();
    nextModel();
    nextModel();
    onIdle();
    EXPECT_EQ(chain->frameCount, 2);
}

}  // namespace
