#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <utility>

#include "harness/child_process.h"
#include "sanitizer.h"
#include "viewer_test.h"

namespace e2e {
namespace {

constexpr std::uint64_t gibibyte = std::uint64_t{1} << 30;

// The viewer with its address space limited, as `prlimit --as` would: to 2 GiB unless a test
// says otherwise.
class MemoryLimit : public ViewerTest {
  protected:
    void SetUp() override {
        if (underAddressSanitizer) {
            GTEST_SKIP() << "the sanitizer reserves far more address space than the limit";
        }
        ViewerTest::SetUp();
    }

    ViewerOptions viewerOptions() override {
        ViewerOptions options = ViewerTest::viewerOptions();
        options.addressSpaceLimit = addressSpaceLimit();
        return options;
    }

    virtual std::uint64_t addressSpaceLimit() const { return 2 * gibibyte; }

    // The depth at which the last refused "+" left the viewer, once it has said so; 0 when it
    // has not said so before the test's budget is spent.
    int refusedAt() {
        static const std::regex refusal(
            "recursion depth ([0-9]+) needs about [0-9.]+ [KMG]iB but about [0-9.]+ [KMG]iB is "
            "available; staying at depth ([0-9]+)\n");
        while (budgetLeft().count() > 0) {
            const std::string log = viewer().log();
            std::smatch match;
            if (std::regex_search(log, match, refusal)) {
                EXPECT_EQ(std::stoi(match[1]), std::stoi(match[2]) + 1) << log;
                return std::stoi(match[2]);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return 0;
    }
};

TEST_F(MemoryLimit, FortyPlusesStopAtTheDeepestDepthThatFitsAndTheViewerGoesOn) {
    for (int i = 0; i < 40; ++i) {
        press("plus");
    }
    const int depth = refusedAt();
    ASSERT_GT(depth, 0) << "no refusal in the log:\n" << viewer().log();
    // The tree model's drawing, which may come on screen at any time, is what bounds the depth:
    // about 48 KiB a ball, up to 2.3 GiB, beside the driver's own few hundred MiB.
    EXPECT_GE(depth, 12) << viewer().log();
    EXPECT_LE(depth, 15) << viewer().log();
    ASSERT_TRUE(viewer().process().running()) << viewer().log();

    // Still responsive: the chain of `depth` limbs swings, and "x" shows the figure.
    const image::RgbImage chain = grab("chain");
    waitForChange(chain, "chain moving");
    const image::RgbImage paused = pause("paused");
    const image::RgbImage figure = pressAndSettle("x", paused, "figure");
    EXPECT_GT(countDifferences(paused, figure), 1000);

    press("Escape");
    const std::optional<ExitStatus> status = viewer().waitForExit(budgetLeft());
    ASSERT_TRUE(status) << "still running after Escape";
    EXPECT_EQ(status->describe(), "exited with status 1");
}

// Under small limits the GL driver's share is large beside the models: drawing the deepest tree
// that fits must leave it the room it takes, however slowly its threads keep up, and every "-"
// must be taken afterwards. Under 512 MiB the driver itself takes most of the room.
class TightMemoryLimit : public MemoryLimit, public ::testing::WithParamInterface<std::uint64_t> {
  protected:
    std::uint64_t addressSpaceLimit() const override { return GetParam(); }

    // Waits until the picture differs from `before`: a frame begun after it has been drawn.
    bool drawnAgain(const image::RgbImage& before) {
        while (budgetLeft().count() > 0) {
            if (!(viewer().grab() == before)) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }

    // Waits until three grabs in a row, 100 ms apart, differ: the model turns at many frames a
    // second again.
    bool turningQuickly() {
        image::RgbImage last = viewer().grab();
        int changesInARow = 0;
        while (changesInARow < 3 && budgetLeft().count() > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            image::RgbImage now = viewer().grab();
            changesInARow = now == last ? 0 : changesInARow + 1;
            last = std::move(now);
        }
        return changesInARow >= 3;
    }
};

TEST_P(TightMemoryLimit, TheDeepestTreeOnScreenDrawsAndTenMinusesAreAllTaken) {
    for (const char* key : {"x", "x", "x"}) {
        press(key);
    }
    for (int i = 0; i < 40; ++i) {
        press("plus");
    }
    const int depth = refusedAt();
    ASSERT_GT(depth, 10) << "no refusal in the log, or a shallow one:\n" << viewer().log();
    // Every "+" was handled before the refusal, so the next frame drawn is the deepest tree.
    ASSERT_TRUE(drawnAgain(viewer().grab())) << "the deepest tree was never drawn";
    for (int i = 0; i < 10; ++i) {
        press("minus");
    }
    EXPECT_TRUE(turningQuickly()) << "ten levels down, the tree does not turn quickly";
    ASSERT_TRUE(viewer().process().running()) << viewer().log();
    const std::string log = viewer().log();
    EXPECT_EQ(log.find("staying at depth " + std::to_string(depth - 1)), std::string::npos)
        << "a \"-\" was refused:\n"
        << log;

    press("Escape");
    const std::optional<ExitStatus> status = viewer().waitForExit(budgetLeft());
    ASSERT_TRUE(status) << "still running after Escape";
    EXPECT_EQ(status->describe(), "exited with status 1") << log;
}

// Under a limit that leaves too little room to open the window and draw the first frame, the
// GL driver crashed while it created its context (224 MiB), or the memory guard's own reading
// of its files ran out of heap (256 MiB); on one core with 2 MiB thread stacks the window
// needs 250 MiB and more. The viewer says so before it opens the window, in one line, and ends
// with status 1. No window is opened, so
// nothing waits on a frame; the budget only bounds a run that went wrong.
class TooLittleMemory : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(TooLittleMemory, TheViewerEndsWithOneLineBeforeItOpensTheWindow) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer reserves far more address space than the limit";
    }
    if (const char* given = std::getenv(XServer::displayVariable); given && *given) {
        GTEST_SKIP() << "needs an X server of its own";
    }
    const std::string name = "TooLittleMemory." + std::to_string(GetParam() >> 20) + "MiB";
    std::unique_ptr<XServer> server = XServer::startOrAttach(name + ".xvfb.log");
    LaunchOptions launch;
    launch.path = SCENE_VIEWER_EXECUTABLE;
    launch.environment = {{"DISPLAY", server->display()}};
    launch.addressSpaceLimit = GetParam();
    launch.logPath = name + ".viewer.log";
    ChildProcess viewer(launch);
    const std::optional<ExitStatus> status = viewer.waitForExit(std::chrono::seconds(150));
    ASSERT_TRUE(status) << "still running under " << (GetParam() >> 20) << " MiB";
    EXPECT_EQ(status->describe(), "exited with status 1");
    std::ifstream log(launch.logPath);
    const std::string text{std::istreambuf_iterator<char>(log), {}};
    static const std::regex line(
        "opening the window and drawing the first frame needs about ([0-9]+) MiB but about "
        "([0-9]+) MiB is available; the viewer ends\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, line)) << text;
    // What is available is the room under the limit beside what the viewer has mapped already.
    const int need = std::stoi(match[1]);
    const int available = std::stoi(match[2]);
    EXPECT_LT(available, need) << text;
    EXPECT_LT(available, static_cast<int>(GetParam() >> 20)) << text;
    EXPECT_GT(available, static_cast<int>(GetParam() >> 20) - 64) << text;
}

INSTANTIATE_TEST_SUITE_P(Limits, TooLittleMemory,
                         ::testing::Values(224 * (std::uint64_t{1} << 20),
                                           256 * (std::uint64_t{1} << 20)),
                         [](const ::testing::TestParamInfo<std::uint64_t>& limit) {
                             return std::to_string(limit.param >> 20) + "MiB";
                         });

INSTANTIATE_TEST_SUITE_P(Limits, TightMemoryLimit, ::testing::Values(gibibyte / 2, gibibyte),
                         [](const ::testing::TestParamInfo<std::uint64_t>& limit) {
                             return std::to_string(limit.param >> 20) + "MiB";
                         });

}  // namespace
}  // namespace e2e
