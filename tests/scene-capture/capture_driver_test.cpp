#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/camera.h"
#include "app/frame_loop.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "app/script_player.h"
#include "app_state.h"
#include "gl_recorder.h"
#include "scene-capture/capture_driver.h"
#include "scene/swinging_limb.h"

namespace scene_capture {
namespace {

// A fresh scene for each test, built as the viewer builds it, on the recording GL double.
class CaptureDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        resetApplication();
        buildScene();
        gl_double::clearCalls();
    }
    // The viewer leaves its models to the end of the process; a test must not.
    void TearDown() override { resetApplication(); }

    static std::size_t currentIndex() { return modelIndex(currentModel); }

    static const SwingingLimb& firstChainLimb() {
        return *static_cast<const SwingingLimb*>(chainSlot->root->children.front());
    }
};

TEST_F(CaptureDriver, EachFrameStepsTheModelOnceAndIsDrawnAndFinishedBeforeTheNext) {
    drawFrames(3);
    EXPECT_EQ(firstChainLimb().frameCount, 3);
    EXPECT_EQ(gl_double::countOf("glutSwapBuffers"), 0u);
    // Each frame: the step, then the drawing, then the wait for the renderer, so that frames
    // never queue up in it.
    std::vector<std::string> frameEdges;
    for (const gl_double::Call& call : gl_double::calls()) {
        if (call.name == "glutPostRedisplay" || call.name == "glClear" || call.name == "glFinish") {
            frameEdges.push_back(call.name);
        }
    }
    const std::vector<std::string> oneFrame = {"glutPostRedisplay", "glClear", "glFinish"};
    std::vector<std::string> threeFrames;
    for (int i = 0; i < 3; ++i) {
        threeFrames.insert(threeFrames.end(), oneFrame.begin(), oneFrame.end());
    }
    EXPECT_EQ(frameEdges, threeFrames);
    EXPECT_EQ(gl_double::calls().back().name, "glFinish");
}

TEST_F(CaptureDriver, ZeroFramesDrawTheSceneOnceWithoutAStep) {
    drawFrames(0);
    EXPECT_EQ(firstChainLimb().frameCount, 0);
    EXPECT_EQ(gl_double::countOf("glClear"), 1u);
    EXPECT_EQ(gl_double::countOf("glutPostRedisplay"), 0u);
}

TEST_F(CaptureDriver, KeysActAsTheyWouldTypedInTheViewer) {
    // Two levels deeper, three models on with the animation paused twice and resumed twice
    // in between, then the top view.
    document.apply(Edit::typed("++x x x 2"));
    EXPECT_EQ(recursionDepth, 3);
    EXPECT_EQ(currentIndex(), 3u);
    EXPECT_FALSE(animating) << "three spaces leave the animation paused";
    EXPECT_EQ(camera.eye.y, 20.0);
    EXPECT_EQ(gl_double::countOf("glClear"), 0u) << "keys draw nothing themselves";

    // Characters above 127 are keys like any other, not negative codes.
    document.apply(Edit::typed("\xe9"));
    EXPECT_EQ(currentIndex(), 0u);
}

TEST_F(CaptureDriver, AScriptDrawsTheStartStateBeforeTheKeysAndThenItsFrames) {
    // To the tree model, whose balls issue no normals of their own, and two frames of it.
    runScript("xxx", 2);
    EXPECT_EQ(gl_double::countOf("glClear"), 3u);
    EXPECT_EQ(gl_double::countOf("glutPostRedisplay"), 2u);
    // The chain model's one limb in the first frame: its normals are the ones the tree
    // frames' axes are lit with, as in the viewer.
    EXPECT_EQ(gl_double::countOf("glNormal3dv"), 100u);
    EXPECT_EQ(gl_double::countOf("glutSolidSphere"), 2u + 2u);
    EXPECT_EQ(currentIndex(), 3u);
    EXPECT_EQ(firstChainLimb().frameCount, 0) << "the chain was drawn, not stepped";

    // Counted (a long run's progress line): the same calls, each key and step counted once it
    // is done (the frames drawn by then at each count).
    const auto freshScene = [] {
        resetApplication();
        buildScene();
        gl_double::clearCalls();
    };
    freshScene();
    playScript(keysThenFrames("xxx", 2), drawFrame, drawFrame);
    const std::vector<gl_double::Call> uncounted = gl_double::calls();
    freshScene();
    std::vector<std::size_t> framesAtEachCount;
    playScript(keysThenFrames("xxx", 2), drawFrame, drawFrame,
               [&] { framesAtEachCount.push_back(gl_double::countOf("glClear")); });
    EXPECT_EQ(framesAtEachCount, (std::vector<std::size_t>{1, 1, 1, 2, 3}));
    EXPECT_TRUE(gl_double::calls() == uncounted);
}

TEST_F(CaptureDriver, APausedSceneIsDrawnButNotStepped) {
    document.apply(Edit::typed(" "));
    drawFrames(5);
    EXPECT_EQ(firstChainLimb().frameCount, 0);
    EXPECT_EQ(gl_double::countOf("glClear"), 5u);
}

}  // namespace
}  // namespace scene_capture
