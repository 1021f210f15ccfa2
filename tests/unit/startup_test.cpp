#include "app/startup.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

#include <vector>

#include "app/frame_loop.h"
#include "app/keyboard.h"
#include "app_state.h"
#include "gl_matrices.h"
#include "gl_recorder.h"

namespace {

using gl_double::call;
using gl_double::Call;

class Startup : public ::testing::Test {
  protected:
    void SetUp() override { resetApplication(); }
    void TearDown() override { resetApplication(); }

    // Start-up as the viewer does it, with the recording double's main loop returning at once.
    static void startUp() {
        char program[] = "scene-viewer";
        char option[] = "-geometry";
        char value[] = "300x300";
        char* argv[] = {program, option, value, nullptr};
        int argc = 3;
        startViewer(&argc, argv);
    }
};

TEST_F(Startup, OpensTheWindowSetsTheFixedStateAndEndsInTheMainLoop) {
    startUp();
    const std::vector<Call> expected = {
        // freeglut's fatal errors end the viewer with a line of its own while the window opens.
        call("glutInitErrorFunc", {1}),
        call("glutInit", {3}, "scene-viewer -geometry 300x300"),
        call("glutInitDisplayMode", {GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH}),
        call("glutInitWindowSize", {800, 800}),
        call("glutInitWindowPosition", {100, 100}),
        call("glutCreateWindow", {},
             "(1 / 2 / 3) - Viewpoints.  (+ / -) - Recursion depth.  Any other key - next model"),
        call("glutInitErrorFunc", {0}),
        call("glEnable", {GL_DEPTH_TEST}),
        call("glEnable", {GL_LIGHTING}),
        call("glMatrixMode", {GL_PROJECTION}),
        call("glLoadIdentity"),
        call("gluPerspective", {45.0, 1.0, 0.1, 100.0}),
        call("glMatrixMode", {GL_MODELVIEW}),
        call("glClearColor", {0.2f, 0.2f, 0.7f, 1.0f}),
        call("glLightfv", {GL_LIGHT0, GL_AMBIENT, 0.3f, 0.3f, 0.3f, 1.0f}),
        call("glLightfv", {GL_LIGHT0, GL_DIFFUSE, 0.5f, 0.5f, 0.5f, 1.0f}),
        call("glLightfv", {GL_LIGHT0, GL_POSITION, 0.0f, 0.0f, 10.0f, 0.0f}),
        call("glEnable", {GL_LIGHT0}),
        call("glEnable", {GL_COLOR_MATERIAL}),
        call("glutDisplayFunc"),
        call("glutKeyboardFunc"),
        call("glutIdleFunc"),
        call("glutMainLoop"),
    };
    EXPECT_EQ(gl_double::calls(), expected);
    EXPECT_EQ(gl_double::displayFunc(), &onDisplay);
    EXPECT_EQ(gl_double::idleFunc(), &onIdle);
    EXPECT_EQ(gl_double::keyboardFunc(), &onKeyboard);
    // The light was given, and start-up ends, with the modelview matrix untouched.
    EXPECT_EQ(gl_double::currentMatrix(GL_MODELVIEW), toMatrix(Mat4()));
}

TEST_F(Startup, BuildsTheSceneWithTheChainCurrentAndTheStartView) {
    startUp();
    ASSERT_EQ(modelList.size(), 4u);
    EXPECT_EQ(currentModel, modelList.begin());
    EXPECT_EQ(camera.eye, Vec3(15, 15, 15));
    EXPECT_EQ(camera.direction, Vec3(-1, -1, -1).normalized());
    EXPECT_EQ(camera.up, Vec3(0, 1, 0));
    EXPECT_TRUE(animating);
}

}  // namespace
