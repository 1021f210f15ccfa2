#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "capture_runner.h"
#include "golden_cases.h"
#include "harness/pixel_analysis.h"
#include "harness/viewer.h"
#include "harness/x_server.h"
#include "libraries/image/image_compare.h"
#include "libraries/image/png_file.h"

namespace golden {
namespace {

void save(const image::RgbImage& picture, const std::string& path) {
    if (const std::optional<std::string> problem = image::savePng(picture, path)) {
        ADD_FAILURE() << *problem;
    }
}

// The tree model at depth 1 seen from above: its one ball turns about the line of sight, so
// however far the viewer's animation has run, it shows the picture that the capture draws.
TEST(ViewerAndCapture, DrawTheSamePictureForTheSameState) {
    const std::string folder = outputFolder();
    const std::string tag = std::to_string(getpid());
    std::unique_ptr<e2e::XServer> server =
        e2e::XServer::startOrAttach(folder + "/viewer-match-xvfb-" + tag + ".log");
    const std::string keys = "x x x 2";  // to the tree, pausing on the way; paused at the end

    // The capture first: its window would cover the viewer's, whose pixels are grabbed from
    // the screen.
    const std::string capturePath = folder + "/viewer-match.capture.png";
    // More than one frame: the axes are lit with the normal that the frame before left
    // current, so only the first frame of a run shows them in other shades.
    const scene_capture::CaptureRun run = scene_capture::runCapture(
        {"--keys", keys, "--frames", std::to_string(goldenFrames), "--output", capturePath},
        server->display(), folder + "/viewer-match.capture.log");
    ASSERT_TRUE(run.succeeded()) << run.describe();
    const image::RgbImage captured = readPicture(capturePath);
    ASSERT_EQ(captured.width(), 800);

    e2e::ViewerOptions options;
    options.executable = SCENE_VIEWER_EXECUTABLE;
    options.display = server->display();
    options.logPath = folder + "/viewer-match.viewer-" + tag + ".log";
    e2e::Viewer viewer(options);
    ASSERT_TRUE(viewer.waitForWindow(std::chrono::seconds(10))) << viewer.log();
    // The keys only once the start state is on screen, as the capture draws it before its keys:
    // the limb drawn there leaves the normal that lights the axes of every later frame. Keys
    // that arrive before the first frame (the viewer handles all waiting events before it
    // draws) would leave the axes in another shade.
    const auto firstFrameDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (e2e::countDistinctColours(viewer.grab()) < 2) {
        ASSERT_LT(std::chrono::steady_clock::now(), firstFrameDeadline)
            << "the viewer drew nothing";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (const char key : keys) {
        viewer.pressKey(key == ' ' ? "space" : std::string(1, key));
    }

    // The viewer draws continuously; poll until its picture has settled on the state the keys
    // asked for.
    image::RgbImage shown;
    image::ImageComparison result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        shown = viewer.grab();
        result = image::compareImages(shown, captured, image::defaultImageTolerance);
    } while (!result.matches && std::chrono::steady_clock::now() < deadline);

    if (!result.matches) {
        const std::string shownPath = folder + "/viewer-match.viewer.png";
        const std::string diffPath = folder + "/viewer-match.diff.png";
        save(shown, shownPath);
        save(image::differenceImage(shown, captured, image::defaultImageTolerance), diffPath);
        ADD_FAILURE() << "the viewer's window does not show what scene-capture drew after \""
                      << keys << "\": " << result.describe(image::defaultImageTolerance)
                      << "\n  viewer: " << shownPath << "\n  capture: " << capturePath
                      << "\n  difference: " << diffPath;
    }
    EXPECT_TRUE(viewer.process().running()) << viewer.log();
}

}  // namespace
}  // namespace golden
