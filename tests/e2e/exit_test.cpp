#include "viewer_test.h"

namespace e2e {
namespace {

using Exit = ViewerTest;

constexpr auto exitLimit = std::chrono::seconds(10);

TEST_F(Exit, EscapeEndsTheViewerWithStatusOne) {
    press("Escape");
    const std::optional<ExitStatus> status = viewer().waitForExit(exitLimit);
    ASSERT_TRUE(status) << "still running " << exitLimit.count() << " s after Escape";
    EXPECT_TRUE(status->exited) << status->describe();
    EXPECT_EQ(status->code, 1) << status->describe();
    EXPECT_EQ(viewer().log().find("Sanitizer"), std::string::npos) << viewer().log();
}

TEST_F(Exit, EscapeAfterRebuildingTheModelsStillExitsCleanly) {
    Image picture = pause("paused");
    for (const char* key : {"x", "x", "x", "plus"}) {
        picture = pressAndSettle(key, picture, key);
    }
    press("Escape");
    const std::optional<ExitStatus> status = viewer().waitForExit(exitLimit);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->describe(), "exited with status 1");
    EXPECT_EQ(viewer().log().find("Sanitizer"), std::string::npos) << viewer().log();
}

TEST_F(Exit, ClosingTheWindowEndsTheViewer) {
    viewer().requestClose();
    const std::optional<ExitStatus> status = viewer().waitForExit(exitLimit);
    ASSERT_TRUE(status) << "still running " << exitLimit.count() << " s after the close request";
    // GLUT chooses the status; what matters is that the process ends through exit().
    RecordProperty("exit", status->describe());
    EXPECT_TRUE(status->exited) << status->describe();
    EXPECT_EQ(viewer().log().find("Sanitizer"), std::string::npos) << viewer().log();
}

}  // namespace
}  // namespace e2e
