#pragma once

#include <string>
#include <utility>
#include <vector>

namespace browser {

// The folder of the web build that the tests open, and why it cannot be used (empty if it can).
std::string webSiteFolder();
std::string webSiteProblem();

// A script of steps for the web viewer in headless Chromium, run by page_driver.mjs: what a
// test does to the page (addresses, real key presses, animation frames) and what it reads back
// (pictures, values of page expressions). See page_driver.mjs for the steps.
class PageScript {
  public:
    // A script for the page in `siteFolder`: the web build's by default.
    explicit PageScript(std::string siteFolder = webSiteFolder()) : site_(std::move(siteFolder)) {}

    // Also serves `folder` under the address prefix (such as "/models/"), for the whole run.
    PageScript& mount(const std::string& prefix, const std::string& folder);
    // From now on the page draws only the frames that runFrames releases.
    PageScript& holdAnimationFrames();
    // Refuses every growth of the WebAssembly heap beyond `mebibytes`, as a browser short of
    // memory would.
    PageScript& capHeap(int mebibytes);
    // index.html with this query ("?keys=...&frames=N"), or with none when empty.
    PageScript& open(const std::string& query = {});
    PageScript& waitUntil(const std::string& expression);
    PageScript& press(const std::string& key);
    // Real keys held together ("Control+Shift+KeyZ").
    PageScript& chord(const std::string& keys);
    // A click into the field that the CSS selector finds, Control+A, and `text` typed (no
    // space in it).
    PageScript& fill(const std::string& selector, const std::string& text);
    // A real mouse drag from the element's centre, `dx` pixels to the right.
    PageScript& drag(const std::string& selector, int dx);
    // A real mouse drag from the centre of the element that `selector` finds to the centre of
    // the one `target` finds.
    PageScript& dragOnto(const std::string& selector, const std::string& target);
    // The same with a finger, held still on the element for `holdMilliseconds` first (after
    // `viewport` with touch).
    PageScript& touchOnto(const std::string& selector, const std::string& target,
                          int holdMilliseconds);
    // Picks the option of value `value` in the list that the selector finds.
    PageScript& choose(const std::string& selector, const std::string& value);
    // A real mouse click, or touch, on the element that the CSS selector finds.
    PageScript& click(const std::string& selector);
    PageScript& tap(const std::string& selector);
    // The window's size in CSS pixels; narrower than 500, a phone's with touch.
    PageScript& viewport(int width, int height);
    // Files the page downloads from now on go to `folder`.
    PageScript& downloadInto(const std::string& folder);
    PageScript& waitForFile(const std::string& path);
    PageScript& runFrames(int count);
    // Releases a frame, then more one at a time until `expression` holds (a deep tree built).
    PageScript& runFramesUntil(const std::string& expression);
    PageScript& screenshot(const std::string& path);
    // The whole page as laid out, not the canvas alone.
    PageScript& pageScreenshot(const std::string& path);
    // Each value read is one entry of PageRun::values, in order.
    PageScript& read(const std::string& expression);
    PageScript& timeUntil(const std::string& expression);

    struct PageRun {
        bool succeeded = false;
        std::vector<std::string> values;  // what read and timeUntil gave, as JSON
        std::string failure;              // the step that failed and why
        std::string log;                  // everything the driver printed: console, errors
    };

    // Runs the whole script in one browser, with `folder` for its files; a failed step ends it.
    PageRun run(const std::string& folder) const;

  private:
    PageScript& step(const std::string& word, const std::string& argument);

    std::string site_;
    std::vector<std::string> steps_;
};

// The URL query that types `keys` and runs `frames` frames, with every key percent-encoded.
std::string addressOf(const std::string& keys, int frames);

}  // namespace browser
