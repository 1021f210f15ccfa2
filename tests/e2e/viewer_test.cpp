#include "viewer_test.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "libraries/image/png_file.h"

namespace e2e {

namespace {

constexpr std::size_t keptGrabLimit = 40;
constexpr auto pollInterval = std::chrono::milliseconds(50);
// Even the tree model at the small depths used here draws a frame in a few milliseconds.
constexpr auto manyFrames = std::chrono::milliseconds(400);

// Names for files: a parameterised test's names hold slashes ("Limits/Suite.Test/1024MiB").
std::string asFileName(std::string name) {
    std::replace(name.begin(), name.end(), '/', '-');
    return name;
}

std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return asFileName(std::string(info->test_suite_name()) + "." + info->name());
}

std::string suiteName() {
    return asFileName(::testing::UnitTest::GetInstance()->current_test_suite()->name());
}

std::string viewerExecutable() {
    const char* chosen = std::getenv("SCENE_VIEWER_E2E_VIEWER");
    return chosen != nullptr && *chosen != '\0' ? chosen : SCENE_VIEWER_EXECUTABLE;
}

}  // namespace

bool isLitWhite(image::Rgb c) {
    return std::abs(c.r - c.g) <= 3 && std::abs(c.g - c.b) <= 3 && c.r >= 100;
}

bool isRed(image::Rgb c) {
    return c.r >= 100 && c.g <= 40 && c.b <= 40;
}

bool isBackground(image::Rgb c) {
    return c == background;
}

PixelPoint onScreen(const CameraPose& camera, const Point3& world) {
    return project(camera, world, windowSize, 45.0);
}

bool solidAt(const image::RgbImage& image, const CameraPose& camera, const Point3& world) {
    const PixelPoint p = onScreen(camera, world);
    return isSolidAt(image, p.column(), p.row(), background);
}

bool litLineNear(const image::RgbImage& image, const CameraPose& camera, const Point3& world) {
    const PixelPoint p = onScreen(camera, world);
    return anyNear(image, p.column(), p.row(), 1, isLitWhite);
}

::testing::AssertionResult shapesAreLitWhite(const image::RgbImage& image) {
    std::vector<image::Rgb> shades = solidColours(image, background);
    if (shades.empty()) {
        return ::testing::AssertionFailure() << "no solid shape at all";
    }
    // The tree's red lines run into its balls, and where one crosses a ball's coarse facets
    // before it reaches the centre it shows on the ball: a few red pixels among many white.
    const auto red = std::stable_partition(shades.begin(), shades.end(), isLitWhite);
    const auto odd = std::find_if_not(red, shades.end(), isRed);
    if (odd != shades.end()) {
        return ::testing::AssertionFailure() << "a shape pixel is " << toString(*odd);
    }
    const auto redCount = shades.end() - red;
    if (redCount * 20 > red - shades.begin()) {
        return ::testing::AssertionFailure()
               << redCount << " of " << shades.size() << " shape pixels are red";
    }
    const auto [darkest, brightest] = std::minmax_element(
        shades.begin(), red, [](image::Rgb a, image::Rgb b) { return a.r < b.r; });
    if (brightest->r - darkest->r < 40) {
        return ::testing::AssertionFailure()
               << "shapes are almost flat, from " << toString(*darkest) << " to "
               << toString(*brightest);
    }
    return ::testing::AssertionSuccess();
}

std::unique_ptr<XServer> ViewerTest::server_;
std::string ViewerTest::serverProblem_;

void ViewerTest::SetUpTestSuite() {
    try {
        server_ = XServer::startOrAttach(suiteName() + ".xvfb.log");
    } catch (const std::exception& problem) {
        serverProblem_ = problem.what();
    }
}

void ViewerTest::TearDownTestSuite() {
    server_.reset();
}

ViewerOptions ViewerTest::viewerOptions() {
    ViewerOptions options;
    options.executable = viewerExecutable();
    options.display = server_->display();
    options.logPath = testName() + ".viewer.log";
    return options;
}

void ViewerTest::SetUp() {
    ASSERT_TRUE(server_) << "no X server: " << serverProblem_;
    deadline_ = Clock::now() + testBudget;
    viewer_ = std::make_unique<Viewer>(viewerOptions());
    ASSERT_TRUE(viewer_->waitForWindow(budgetLeft()))
        << "the viewer opened no window and "
        << (viewer_->process().running() ? std::string("still runs")
                                         : viewer_->waitForExit({})->describe())
        << "; log " << viewer_->logPath() << ":\n"
        << viewer_->log();
    // Until its first frame a GL window holds one flat colour.
    while (countDistinctColours(viewer_->grab()) < 2) {
        ASSERT_LT(Clock::now(), deadline_) << "the viewer drew nothing";
        std::this_thread::sleep_for(pollInterval);
    }
}

void ViewerTest::TearDown() {
    const bool failed = HasFailure();
    if (viewer_ && (failed || std::getenv("SCENE_VIEWER_E2E_KEEP_GRABS") != nullptr)) {
        saveGrabs(failed);
    }
    viewer_.reset();
}

void ViewerTest::saveGrabs(bool announce) {
    std::string names;
    for (std::size_t i = 0; i < grabs_.size(); ++i) {
        const std::string path = testName() + "-" + (i < 10 ? "0" : "") + std::to_string(i) + "-" +
                                 grabs_[i].first + ".png";
        names += "\n  " + std::filesystem::absolute(path).string();
        if (const std::optional<std::string> problem = image::savePng(grabs_[i].second, path)) {
            names += " (not written: " + *problem + ")";
        }
    }
    if (announce) {
        ADD_FAILURE() << "viewer log: " << std::filesystem::absolute(viewer_->logPath()).string()
                      << "\ngrabs:" << (names.empty() ? " none" : names);
    }
}

image::RgbImage ViewerTest::keep(image::RgbImage image, const std::string& label) {
    if (grabs_.size() == keptGrabLimit) {
        grabs_.erase(grabs_.begin());
    }
    grabs_.emplace_back(label, image);
    return image;
}

image::RgbImage ViewerTest::grab(const std::string& label) {
    return keep(viewer_->grab(), label);
}

std::chrono::milliseconds ViewerTest::budgetLeft() const {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()),
                    std::chrono::milliseconds(0));
}

image::RgbImage ViewerTest::waitForChange(const image::RgbImage& before, const std::string& label) {
    for (;;) {
        image::RgbImage now = viewer_->grab();
        if (!(now == before)) {
            return keep(std::move(now), label);
        }
        if (Clock::now() >= deadline_) {
            keep(std::move(now), label + "-unchanged");
            throw std::runtime_error("the picture did not change (waiting for " + label + ")");
        }
        std::this_thread::sleep_for(pollInterval);
    }
}

image::RgbImage ViewerTest::waitForStill(const std::string& label) {
    image::RgbImage last = viewer_->grab();
    int sameInARow = 0;
    // Three equal grabs 100 ms apart: hundreds of frames with no pixel moving.
    while (sameInARow < 2) {
        if (Clock::now() >= deadline_) {
            keep(std::move(last), label + "-moving");
            throw std::runtime_error("the picture kept changing (waiting for " + label + ")");
        }
        std::this_thread::sleep_for(2 * pollInterval);
        image::RgbImage now = viewer_->grab();
        sameInARow = now == last ? sameInARow + 1 : 0;
        last = std::move(now);
    }
    return keep(std::move(last), label);
}

image::RgbImage ViewerTest::afterFrames(const std::string& label) {
    std::this_thread::sleep_for(manyFrames);
    return grab(label);
}

image::RgbImage ViewerTest::pressAndSettle(const std::string& keysym, const image::RgbImage& before,
                                           const std::string& label) {
    press(keysym);
    waitForChange(before, label + "-changing");
    return waitForStill(label);
}

image::RgbImage ViewerTest::pause(const std::string& label) {
    press("space");
    return waitForStill(label);
}

}  // namespace e2e
