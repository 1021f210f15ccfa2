// The harness's own moving parts, checked without a display.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "harness/child_process.h"
#include "harness/pixel_analysis.h"
#include "harness/projection.h"

namespace e2e {
namespace {

using namespace std::chrono_literals;

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A process that is gone, or a zombie nobody has reaped yet, no longer runs.
bool processRuns(pid_t pid) {
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    if (stat.empty()) {
        return false;
    }
    const char state = stat[stat.rfind(')') + 2];
    return state != 'Z' && state != 'X';
}

LaunchOptions shell(const std::string& script, const std::string& log) {
    LaunchOptions options;
    options.path = findExecutable("sh");
    options.args = {"-c", script};
    options.logPath = log;
    return options;
}

TEST(ChildProcessTest, ReportsExitStatusAndSignal) {
    ChildProcess three(shell("exit 3", ""));
    const std::optional<ExitStatus> exited = three.waitForExit(10s);
    ASSERT_TRUE(exited);
    EXPECT_EQ(exited->describe(), "exited with status 3");

    ChildProcess killed(shell("kill -SEGV $$", ""));
    const std::optional<ExitStatus> signalled = killed.waitForExit(10s);
    ASSERT_TRUE(signalled);
    EXPECT_FALSE(signalled->exited);
    EXPECT_EQ(signalled->signal, SIGSEGV);
}

TEST(ChildProcessTest, PassesEnvironmentArgumentsAndAddressSpaceLimit) {
    LaunchOptions options = shell("echo \"$E2E_PROBE $0\"; ulimit -v", "child-env.log");
    options.args.push_back("argument");
    options.environment = {{"E2E_PROBE", "probe"}};
    options.addressSpaceLimit = std::uint64_t{2} << 30;
    ChildProcess child(options);
    ASSERT_TRUE(child.waitForExit(10s));
    EXPECT_EQ(readFile("child-env.log"), "probe argument\n2097152\n");
}

TEST(ChildProcessTest, EndingItEndsTheWholeProcessGroup) {
    pid_t grandchild = 0;
    pid_t child = 0;
    {
        // The shell ignores SIGTERM, so only the SIGKILL that follows can end it.
        ChildProcess process(
            shell("trap '' TERM; sleep 60 & echo $! > grandchild.pid; wait", "group.log"));
        child = process.pid();
        for (int i = 0; i < 500 && readFile("grandchild.pid").empty(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        grandchild = static_cast<pid_t>(std::stol(readFile("grandchild.pid")));
        ASSERT_TRUE(processRuns(grandchild));
        const auto start = std::chrono::steady_clock::now();
        const ExitStatus status = process.terminate(200ms);
        EXPECT_EQ(status.signal, SIGKILL) << status.describe();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    }
    std::remove("grandchild.pid");
    for (int i = 0; i < 100 && processRuns(grandchild); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(processRuns(grandchild));
    EXPECT_FALSE(processRuns(child));
}

TEST(PixelAnalysisTest, SolidPixelsAreShapesNotLines) {
    const image::Rgb blue{51, 51, 178};
    const image::Rgb white{200, 200, 200};
    image::RgbImage image(60, 40, blue);
    for (int x = 0; x < 60; ++x) {
        image.set(x, 20, white);  // a one-pixel line
        image.set(x, x * 2 / 3, white);
    }
    for (int x = 0; x < 60; ++x) {
        for (int y = 18; y <= 20; ++y) {
            image.set(x, 30 + y - 18, {150, 0, 0});  // a three-pixel line
        }
    }
    EXPECT_EQ(countSolidPixels(image, blue), 0);
    for (int y = 5; y < 12; ++y) {
        for (int x = 40; x < 50; ++x) {
            image.set(x, y, white);  // a 10 x 7 block
        }
    }
    EXPECT_EQ(countSolidPixels(image, blue), 6 * 3);
    const std::optional<Box> box = solidBoundingBox(image, blue);
    ASSERT_TRUE(box);
    EXPECT_EQ(toString(*box), "[42..47] x [7..9]");
    EXPECT_TRUE(isSolidAt(image, 42, 7, blue));
    EXPECT_FALSE(isSolidAt(image, 41, 7, blue));
}

TEST(ProjectionTest, MatchesTheViewerWindowLayout) {
    const CameraPose front{{0, 0, 15}, {0, 0, -1}, {0, 1, 0}};
    const PixelPoint centre = project(front, {0, 0, 0}, 800, 45.0);
    EXPECT_DOUBLE_EQ(centre.x, 400.0);
    EXPECT_DOUBLE_EQ(centre.y, 400.0);
    // At 15 units a 45 degree field of view spans 2 * 15 * tan(22.5 degrees) units.
    const PixelPoint edge = project(front, {15 * 0.41421356237309503, 0, 0}, 800, 45.0);
    EXPECT_NEAR(edge.x, 800.0, 1e-9);
    const PixelPoint up = project(front, {0, 1, 0}, 800, 45.0);
    EXPECT_LT(up.y, 400.0);
    const CameraPose top{{0, 20, 0}, {0, -1, 0}, {0, 0, -1}};
    EXPECT_LT(project(top, {0, 0, -1}, 800, 45.0).y, 400.0);
    EXPECT_GT(project(top, {1, 0, 0}, 800, 45.0).x, 400.0);
}

}  // namespace
}  // namespace e2e
