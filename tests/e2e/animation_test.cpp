#include "viewer_test.h"

namespace e2e {
namespace {

using Animation = ViewerTest;

TEST_F(Animation, RunsFromTheStartAndSpacePausesAndResumesIt) {
    const image::RgbImage first = grab("first");
    waitForChange(first, "moving");

    const image::RgbImage paused = pause("paused");
    EXPECT_EQ(countDifferences(afterFrames("still-paused"), paused), 0);
    // Keys that only change the view keep it paused.
    const image::RgbImage front = pressAndSettle("1", paused, "front-paused");
    EXPECT_EQ(countDifferences(afterFrames("front-still-paused"), front), 0);

    press("space");
    const image::RgbImage resumed = waitForChange(front, "resumed");
    waitForChange(resumed, "still-moving");
}

}  // namespace
}  // namespace e2e
