#include <regex>
#include <string>
#include <thread>
#include <utility>

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

    // The depth at which the last refused "+" left the viewer, once it has said so.
    int refusedAt(std::chrono::seconds limit) {
        static const std::regex refusal(
            "recursion depth ([0-9]+) needs about [0-9.]+ [KMG]iB but about [0-9.]+ [KMG]iB is "
            "available; staying at depth ([0-9]+)\n");
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
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
    const int depth = refusedAt(std::chrono::seconds(40));
    ASSERT_GT(depth, 15) << "no refusal in the log:\n" << viewer().log();
    // 2^depth - 1 balls of about 208 bytes each must have fitted under the 2 GiB.
    EXPECT_LT((std::uint64_t{1} << depth) * 200, 2 * gibibyte);
    ASSERT_TRUE(viewer().process().running()) << viewer().log();

    // Still responsive: the chain of `depth` limbs swings, and "x" shows the figure.
    const RgbImage chain = grab("chain");
    waitForChange(chain, "chain moving");
    const RgbImage paused = pause("paused");
    const RgbImage figure = pressAndSettle("x", paused, "figure");
    EXPECT_GT(countDifferences(paused, figure), 1000);

    press("Escape");
    const std::optional<ExitStatus> status = viewer().waitForExit(std::chrono::seconds(20));
    ASSERT_TRUE(status) << "still running after Escape";
    EXPECT_EQ(status->describe(), "exited with status 1");
}

// Under 1 GiB the GL driver's share is large beside the models: drawing the deepest tree that
// fits must leave it the room it takes, and every "-" must be taken afterwards.
class TightMemoryLimit : public MemoryLimit {
  protected:
    std::uint64_t addressSpaceLimit() const override { return gibibyte; }

    // Deep trees take seconds a frame under software rendering, longer than the usual waits.
    static constexpr auto slowFrameLimit = std::chrono::seconds(90);

    // Waits until the picture differs from `before`: a frame begun after it has been drawn.
    bool drawnAgain(const RgbImage& before) {
        const auto deadline = Clock::now() + slowFrameLimit;
        while (Clock::now() < deadline) {
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
        const auto deadline = Clock::now() + slowFrameLimit;
        RgbImage last = viewer().grab();
        int changesInARow = 0;
        while (changesInARow < 3 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            RgbImage now = viewer().grab();
            changesInARow = now == last ? 0 : changesInARow + 1;
            last = std::move(now);
        }
        return changesInARow >= 3;
    }
};

TEST_F(TightMemoryLimit, TheDeepestTreeOnScreenDrawsAndTenMinusesAreAllTaken) {
    for (const char* key : {"x", "x", "x"}) {
        press(key);
    }
    for (int i = 0; i < 40; ++i) {
        press("plus");
    }
    const int depth = refusedAt(std::chrono::seconds(60));
    ASSERT_GT(depth, 12) << "no refusal in the log:\n" << viewer().log();
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
    const std::optional<ExitStatus> status = viewer().waitForExit(std::chrono::seconds(60));
    ASSERT_TRUE(status) << "still running after Escape";
    EXPECT_EQ(status->describe(), "exited with status 1") << log;
}

}  // namespace
}  // namespace e2e
