#include <regex>
#include <thread>

#include "viewer_test.h"

namespace e2e {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underAddressSanitizer = true;
#else
constexpr bool underAddressSanitizer = false;
#endif

constexpr std::uint64_t gibibyte = std::uint64_t{1} << 30;

// The viewer with its address space limited to 2 GiB, as `prlimit --as` would.
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
        options.addressSpaceLimit = 2 * gibibyte;
        return options;
    }

    // The depth at which the last refused "+" left the viewer, once it has said so.
    int refusedAt(std::chrono::seconds limit) {
        static const std::regex refusal(
            "recursion depth ([0-9]+) needs about [0-9.]+ [MG]iB but about [0-9.]+ [MG]iB is "
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

}  // namespace
}  // namespace e2e
