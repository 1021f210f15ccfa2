#include "app/keyboard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/memory_guard.h"
#include "app_state.h"
#include "scene/ball_tree.h"
#include "scene/swinging_limb.h"
#include "tree_queries.h"

namespace {

class Keyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        resetApplication();
        buildScene();
    }
    void TearDown() override { resetApplication(); }

    static void press(unsigned char key) { onKeyboard(key, 17, 42); }

    static SwingingLimb* chainLimb() {
        return static_cast<SwingingLimb*>(chainSlot->root->children.front());
    }

    static void expectDepth(int depth) {
        EXPECT_EQ(recursionDepth, depth);
        EXPECT_EQ(nodeCount(chainSlot->root), 1u + depth);
        EXPECT_EQ(nodeCount(treeSlot->root), (1u << depth) - 1);
    }

    static void expectInitialPose() {
        EXPECT_EQ(chainLimb()->frameCount, 0);
        const Mat4 identity;
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(chainLimb()->transform.m[i], identity.m[i]);
        }
        Mat4 top;
        top.setTranslation({0, 4, 0});
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(treeSlot->root->transform.m[i], top.m[i]);
        }
    }
};

TEST_F(Keyboard, EscapeExitsWithStatusOneThroughTheExitHandlers) {
    EXPECT_EXIT(
        {
            resetApplication();
            buildScene();
            std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
            press(27);
        },
        ::testing::ExitedWithCode(1), ::testing::HasSubstr("exit handlers ran"));
}

TEST_F(Keyboard, SpaceTogglesAnimating) {
    press(' ');
    EXPECT_FALSE(animating);
    press(' ');
    EXPECT_TRUE(animating);
}

TEST_F(Keyboard, PlusAndEqualsRaiseTheDepthAndRebuild) {
    press('+');
    expectDepth(2);
    press('=');
    expectDepth(3);
    press('-');
    expectDepth(2);
    press('-');
    expectDepth(1);
}

TEST_F(Keyboard, MinusAtDepthOneStillRebuildsFromTheInitialPose) {
    for (int i = 0; i < 5; ++i) {
        onIdle();
    }
    press('-');
    expectDepth(1);
    expectInitialPose();
}

TEST_F(Keyboard, DepthKeysRestartBothRecursiveModels) {
    onIdle();
    for (int i = 0; i < 3; ++i) {
        nextModel();
    }
    onIdle();  // the tree model turns
    press('+');
    expectInitialPose();
    expectDepth(2);
}

TEST_F(Keyboard, DepthKeyWhileFigureIsShownRebuildsTheOthersOnly) {
    nextModel();
    SceneNode* figure = modelRoot(1);
    SceneNode* fan = modelRoot(2);
    press('+');
    press('+');
    EXPECT_EQ(modelIndex(currentModel), 1u);
    EXPECT_EQ(modelRoot(1), figure);
    EXPECT_EQ(modelRoot(2), fan);
    EXPECT_EQ(modelList.size(), 4u);
    expectDepth(3);
    nextModel();
    nextModel();
    EXPECT_EQ(currentModel, std::prev(modelList.end()));
    EXPECT_EQ(nodeCount((*currentModel)->root), 7u);
}

// No command of the catalogue leaves a root null, so this case can only be reached by
// emptying the slots by hand.
TEST_F(Keyboard, NullRootsAreReplacedWithoutDeletion) {
    delete chainSlot->root;
    delete treeSlot->root;
    chainSlot->root = nullptr;
    treeSlot->root = nullptr;
    press('=');
    expectDepth(2);
}

TEST_F(Keyboard, ARefusedDepthIsTheKeysOutcomeAndTheCallbackPrintsIt) {
    // Room kept beside the models for more than any memory holds: no deeper depth fits.
    reserveBesideModels([](int) { return unlimitedMemory; });
    const std::optional<std::string> refusal = pressKey('+');
    ASSERT_TRUE(refusal.has_value());
    EXPECT_THAT(*refusal, ::testing::StartsWith("recursion depth 2 needs more than can be "
                                                "counted but about "));
    EXPECT_THAT(*refusal, ::testing::EndsWith(" is available; staying at depth 1"));
    expectDepth(1);

    ::testing::internal::CaptureStderr();
    press('=');
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(printed, ::testing::StartsWith("recursion depth 2 needs more than can be "));
    EXPECT_THAT(printed, ::testing::EndsWith(" is available; staying at depth 1\n"));
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    expectDepth(1);

    // A shallower depth is always taken, and every other key has nothing to say.
    for (const unsigned char key : {'-', ' ', ' ', '2', 'x'}) {
        EXPECT_EQ(pressKey(key), std::nullopt) << key;
    }
    expectDepth(1);
}

TEST_F(Keyboard, ViewpointKeysChangeOnlyTheCamera) {
    press('+');
    nextModel();
    press('2');
    EXPECT_EQ(camera.eye, Vec3(0, 20, 0));
    EXPECT_EQ(camera.up, Vec3(0, 0, -1));
    press('1');
    EXPECT_EQ(camera.eye, Vec3(0, 0, 15));
    EXPECT_EQ(camera.up, Vec3(0, 1, 0));
    press('3');
    EXPECT_EQ(camera.eye, Vec3(15, 15, 15));
    EXPECT_EQ(modelIndex(currentModel), 1u);
    EXPECT_EQ(recursionDepth, 2);
    EXPECT_TRUE(animating);
}

TEST_F(Keyboard, ModelAndDepthKeysLeaveCameraAndAnimatingAlone) {
    press('2');
    press(' ');
    press('x');
    press('+');
    press('-');
    EXPECT_EQ(camera.eye, Vec3(0, 20, 0));
    EXPECT_EQ(camera.direction, Vec3(0, -1, 0));
    EXPECT_FALSE(animating);
}

TEST_F(Keyboard, EveryOtherCodeStepsToTheNextModel) {
    const std::string commands = std::string("\x1b +=-123");
    for (int code = 0; code < 256; ++code) {
        if (commands.find(char(code)) != std::string::npos) {
            continue;
        }
        const std::size_t before = modelIndex(currentModel);
        press(static_cast<unsigned char>(code));
        EXPECT_EQ(modelIndex(currentModel), (before + 1) % 4) << "code " << code;
    }
    EXPECT_EQ(recursionDepth, 1);
    EXPECT_TRUE(animating);
}

TEST_F(Keyboard, FourStepsReturnToTheStartAndTheEndIsNeverCurrent) {
    for (int i = 0; i < 4; ++i) {
        press('x');
        EXPECT_NE(currentModel, modelList.end());
    }
    EXPECT_EQ(currentModel, modelList.begin());
    // From the end position, as before the scene is built, the step goes to the first model.
    resetCatalogue();
    addModel(new SceneNode);
    nextModel();
    EXPECT_EQ(currentModel, modelList.begin());
}

}  // namespace
