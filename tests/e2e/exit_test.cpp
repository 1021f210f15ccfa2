#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "harness/child_process.h"
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
    image::RgbImage picture = pause("paused");
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

// The X server going away under the viewer: Xlib reports the broken connection, and the
// viewer must end through exit(), running its at-exit handlers, rather than hang or crash.
TEST(ServerGone, TheViewerEndsThroughExitWhenItsXServerDies) {
    if (const char* given = std::getenv(XServer::displayVariable); given && *given) {
        GTEST_SKIP() << "needs an X server of its own to stop";
    }
    std::unique_ptr<XServer> server = XServer::startOrAttach("ServerGone.xvfb.log");
    LaunchOptions launch;
    launch.path = SCENE_VIEWER_EXECUTABLE;
    launch.environment = {{"DISPLAY", server->display()}, {"ASAN_OPTIONS", "exitcode=66"}};
    launch.logPath = "ServerGone.viewer.log";
    ChildProcess viewer(launch);
    // Until the viewer has mapped its window, seen by a client of its own that is gone before
    // the server is stopped.
    LaunchOptions search;
    search.path = findExecutable("xdotool");
    ASSERT_FALSE(search.path.empty()) << "xdotool is missing";
    search.args = {"search", "--sync", "--onlyvisible", "--name", "Recursion depth"};
    search.environment = {{"DISPLAY", server->display()}};
    ChildProcess windowSearch(search);
    const std::optional<ExitStatus> found = windowSearch.waitForExit(std::chrono::seconds(150));
    ASSERT_TRUE(found && found->exited && found->code == 0) << "the viewer opened no window";
    ASSERT_TRUE(viewer.running()) << "the viewer did not get going on " << server->display();

    server.reset();
    const std::optional<ExitStatus> status = viewer.waitForExit(exitLimit);
    ASSERT_TRUE(status) << "still running " << exitLimit.count() << " s after the server ended";
    EXPECT_TRUE(status->exited) << status->describe();
    EXPECT_NE(status->code, 66) << "a sanitizer report";
}

// A GL driver that cannot start (here one that is not where it is looked for): freeglut cannot
// create the context. Mesa and freeglut say why; the viewer's own line closes, with status 1,
// rather than freeglut's ending and the X server's dump of the refused request.
TEST(DriverGone, TheViewerEndsWithALineOfItsOwnAfterFreeglutsMessage) {
    if (const char* given = std::getenv(XServer::displayVariable); given && *given) {
        GTEST_SKIP() << "needs an X server of its own";
    }
    std::unique_ptr<XServer> server = XServer::startOrAttach("DriverGone.xvfb.log");
    LaunchOptions launch;
    launch.path = SCENE_VIEWER_EXECUTABLE;
    launch.environment = {{"DISPLAY", server->display()},
                          {"LIBGL_DRIVERS_PATH", "/nonexistent"},
                          {"ASAN_OPTIONS", "exitcode=66"}};
    launch.logPath = "DriverGone.viewer.log";
    ChildProcess viewer(launch);
    const std::optional<ExitStatus> status = viewer.waitForExit(std::chrono::seconds(150));
    ASSERT_TRUE(status) << "still running without its GL driver";
    EXPECT_EQ(status->describe(), "exited with status 1");
    std::ifstream log(launch.logPath);
    const std::string text{std::istreambuf_iterator<char>(log), {}};
    EXPECT_NE(text.find("freeglut: Unable to create OpenGL"), std::string::npos) << text;
    const std::string ours =
        "\nthe window could not be opened (the GL driver or the display did not start); the "
        "viewer ends\n";
    EXPECT_TRUE(text.ends_with(ours)) << text;
    EXPECT_EQ(text.find("X Error"), std::string::npos) << text;
}

}  // namespace
}  // namespace e2e
