#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "harness/pixel_analysis.h"
#include "harness/projection.h"
#include "harness/viewer.h"
#include "harness/x_server.h"

namespace e2e {

// What the viewer's picture is made of.
inline constexpr image::Rgb background{51, 51, 178};
inline constexpr int windowSize = 800;

// Lit white: the axes and every limb and ball. Unlit parts still get the ambient light, so
// even the darkest side is a light grey, never the blue background.
bool isLitWhite(image::Rgb colour);
// The ball tree's connecting lines.
bool isRed(image::Rgb colour);
bool isBackground(image::Rgb colour);

// The three viewpoints; the viewer starts in the oblique one.
inline const CameraPose frontView{{0, 0, 15}, {0, 0, -1}, {0, 1, 0}};
inline const CameraPose topView{{0, 20, 0}, {0, -1, 0}, {0, 0, -1}};
inline const CameraPose obliqueView{{15, 15, 15}, {-1, -1, -1}, {0, 1, 0}};

PixelPoint onScreen(const CameraPose& camera, const Point3& world);
// Whether a solid shape covers the pixel where `world` lands.
bool solidAt(const image::RgbImage& image, const CameraPose& camera, const Point3& world);
// Whether an axis or other lit line passes within a pixel of where `world` lands.
bool litLineNear(const image::RgbImage& image, const CameraPose& camera, const Point3& world);

// Every solid shape white under the one light: neutral greys over a wide range of shades.
::testing::AssertionResult shapesAreLitWhite(const image::RgbImage& image);

// Runs one viewer per test on an X server shared by the test suite. Every grab taken through
// the fixture is kept; when a test fails they are written as PNG files to the working
// directory and named in a failure message, beside the viewer's log. Set
// SCENE_VIEWER_E2E_KEEP_GRABS=1 to write them for passing tests too.
class ViewerTest : public ::testing::Test {
  protected:
    using Clock = std::chrono::steady_clock;
    // What every wait of a test shares: a wait ends on the viewer's own progress (a picture
    // drawn, a line written) however long a frame takes on a busy machine, and fails only when
    // the test as a whole has run out of this, well inside CTest's timeout.
    static constexpr auto testBudget = std::chrono::seconds(150);

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Override to start the viewer with other arguments or under a limit.
    virtual ViewerOptions viewerOptions();

    Viewer& viewer() { return *viewer_; }
    image::RgbImage grab(const std::string& label);
    void press(const std::string& keysym) { viewer_->pressKey(keysym); }

    // The time left of the test's budget, never less than zero.
    std::chrono::milliseconds budgetLeft() const;

    // Polls until the picture differs from `before` and returns the new picture. Throws, and
    // so fails the test, when nothing changes before the budget is spent.
    image::RgbImage waitForChange(const image::RgbImage& before, const std::string& label);
    // Polls until the picture has stayed the same for a few frames' worth of time.
    image::RgbImage waitForStill(const std::string& label);
    // Waits long enough for the viewer to have drawn many frames, then grabs: for checks that
    // a key changed nothing, where there is no change to wait for.
    image::RgbImage afterFrames(const std::string& label);
    // Presses a key while the animation is paused and returns the picture it settles on.
    image::RgbImage pressAndSettle(const std::string& keysym, const image::RgbImage& before,
                                   const std::string& label);
    // Pauses the animation and returns the still picture.
    image::RgbImage pause(const std::string& label);

  private:
    static std::unique_ptr<XServer> server_;
    static std::string serverProblem_;

    image::RgbImage keep(image::RgbImage image, const std::string& label);
    void saveGrabs(bool announce);

    Clock::time_point deadline_;
    std::unique_ptr<Viewer> viewer_;
    std::vector<std::pair<std::string, image::RgbImage>> grabs_;
};

}  // namespace e2e
