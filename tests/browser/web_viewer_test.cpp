// The web build of the viewer in headless Chromium: the same pictures as the desktop's golden
// images, real key presses, Escape, and the memory guard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "golden_cases.h"
#include "libraries/image/image_compare.h"
#include "page_test.h"

namespace browser {
namespace {

using golden::GoldenCase;

class WebViewer : public PageTest {
  protected:
    WebViewer() : PageTest("web-viewer") {}

    // Holds the picture at `path` against the golden image of `c`.
    void expectGolden(const std::string& path, const GoldenCase& c) {
        const image::ImageComparison comparison = image::compareImages(
            golden::readPicture(path),
            golden::readPicture(golden::referenceFolder() + "/" + c.name() + ".png"),
            image::defaultImageTolerance);
        EXPECT_TRUE(comparison.matches)
            << c.name() << ": " << comparison.describe(image::defaultImageTolerance);
    }
};

constexpr const char* statusLine = "document.getElementById('status').textContent";
// The viewer has made its window, and so listens for keys, once the heading shows its title.
constexpr const char* windowShown = "document.getElementById('title').textContent !== ''";
// No key waits for a deep tree being built.
constexpr const char* treesBuilt = "document.body.dataset.keysWaiting === undefined";

// Every model at both depths from every viewpoint, reached by the page's address as
// scene-capture reaches it: the same picture as the desktop within the same tolerance.
TEST_F(WebViewer, DrawsEveryGoldenCaseByItsAddress) {
    PageScript script;
    const std::vector<GoldenCase> cases = golden::goldenCases();
    for (const GoldenCase& c : cases) {
        script.open(addressOf(c.keys(), golden::goldenFrames))
            .waitUntil("document.body.dataset.held === '" + std::to_string(golden::goldenFrames) +
                       "'")
            .screenshot(file(c.name() + ".png"));
    }
    if (!run(script).succeeded) {
        return;
    }
    for (const GoldenCase& c : cases) {
        expectGolden(file(c.name() + ".png"), c);
    }
}

// Key presses typed into the live page reach the viewer, and each frame shown is one animation
// step. As in scene-capture, the start state is shown first (the axes are lit by whatever
// normal the last limb drawn left behind, so it matters), then the keys, then one frame for the
// new state and one for each of the golden cases' steps. "-" is pressed too: four "+" and one
// "-" reach depth 4 from depth 1.
TEST_F(WebViewer, LiveKeysAndOneStepPerFrameGiveTheGoldenPicture) {
    const std::vector<GoldenCase> cases = {{"fan", 2, 4, 3}, {"tree", 3, 4, 2}};
    PageScript script;
    script.holdAnimationFrames();
    for (const GoldenCase& c : cases) {
        script.open().waitUntil(windowShown).runFrames(1);
        for (const char key : "++++-" + std::string(static_cast<std::size_t>(c.modelIndex), 'x') +
                                  std::to_string(c.viewpoint)) {
            script.press(std::string(1, key));
        }
        script.runFrames(golden::goldenFrames + 1).screenshot(file(c.name() + ".png"));
    }
    if (!run(script).succeeded) {
        return;
    }
    for (const GoldenCase& c : cases) {
        expectGolden(file(c.name() + ".png"), c);
    }
}

// The address's frames are read as scene-capture reads --frames: 1 when not given, and a
// value it would refuse is reported on the page, which then runs live.
TEST_F(WebViewer, ReadsTheAddressAsSceneCaptureReadsItsOptions) {
    PageScript script;
    script.open("?keys=x").waitUntil("document.body.dataset.held !== undefined");
    script.read("document.body.dataset.held");
    script.holdAnimationFrames().open("?keys=x&frames=12x").runFrames(2).read(statusLine);
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 2u);
    EXPECT_EQ(result.values[0], "\"1\"");
    EXPECT_EQ(result.values[1], "\"frames: '12x' is not a whole number from 0 to 1000000\"");
}

// Escape ends the viewer: the page says so, and no further frame is asked for.
TEST_F(WebViewer, EscapeEndsTheViewer) {
    PageScript script;
    script.holdAnimationFrames()
        .open()
        .waitUntil(windowShown)
        .runFrames(2)
        .press("Escape")
        .runFrames(1);
    script.waitUntil("document.body.dataset.exitStatus !== undefined")
        .read("document.body.dataset.exitStatus")
        .read(statusLine)
        .read("window.__framesRequested()");
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 3u);
    EXPECT_EQ(result.values[0], "\"1\"");
    EXPECT_EQ(result.values[1], "\"The viewer has ended with status 1.\"");
    EXPECT_EQ(result.values[2], "false");
}

// Depths that would not fit are refused with one line on the page, whether the guard sees it
// coming (the heap's 2 GiB maximum) or the browser refuses the memory when it is asked for; the
// viewer goes on at the depth it had, and takes the keys that follow: down to depth 1 and on to
// the tree, where the golden picture shows that nothing was lost.
TEST_F(WebViewer, RefusesDepthsThatWouldNotFitAndGoesOn) {
    const GoldenCase tree{"tree", 3, 1, 2};
    struct Limit {
        int heapCap;  // mebibytes; 0 leaves the heap to its maximum
        int presses;
        const char* message;
    };
    const Limit limits[] = {
        {0, 26,
         "\"recursion depth 23 needs about 1.7 GiB but about 1.1 GiB is available; staying at "
         "depth 22\""},
        {160, 20, "\"recursion depth 20 ran out of memory; staying at depth 19\""},
    };
    PageScript script;
    script.holdAnimationFrames();
    for (const Limit& limit : limits) {
        if (limit.heapCap > 0) {
            script.capHeap(limit.heapCap);
        }
        script.open().waitUntil(windowShown);
        for (int i = 0; i < limit.presses; ++i) {
            script.press("+");
        }
        // The deep trees are built a slice in each frame, the keys waiting for them.
        script.runFramesUntil(treesBuilt).runFrames(1).read(statusLine);
        for (int i = 0; i < limit.presses; ++i) {
            script.press("-");
        }
        script.runFramesUntil(treesBuilt);
        script.press("x").press("x").press("x").press("2");
        script.runFrames(golden::goldenFrames + 1)
            .screenshot(file("limit-" + std::to_string(limit.heapCap) + ".png"));
    }
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(result.values[i], limits[i].message);
        expectGolden(file("limit-" + std::to_string(limits[i].heapCap) + ".png"), tree);
    }
}

// Where the heap runs out at the very moment of a failed allocation depends on how large the
// build is: at some caps the bad_alloc itself found no room, and the page ended with "16" (a
// thrown object Emscripten could not allocate) instead of the line. Every cap gets the line.
TEST_F(WebViewer, RunningOutOfMemoryIsALineAtEveryHeapCap) {
    for (const int cap : {155, 160, 165, 170, 185, 190, 200}) {
        PageScript script;
        script.holdAnimationFrames().capHeap(cap).open().waitUntil(windowShown);
        for (int i = 0; i < 20; ++i) {
            script.press("+");
        }
        script.runFramesUntil(treesBuilt).runFrames(1).read(statusLine);
        const PageScript::PageRun result = run(script);
        ASSERT_EQ(result.values.size(), 1u) << cap << " MiB";
        EXPECT_EQ(result.values[0], "\"recursion depth 20 ran out of memory; staying at depth 19\"")
            << cap << " MiB";
    }
}

}  // namespace
}  // namespace browser
