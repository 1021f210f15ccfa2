// Building a model on the page as a learner does: rows of the outline dragged onto others, the
// same move made with the keys alone ("Move to…", a parent, a choice of how, "Move here"),
// children added to "your model", a node deleted, a ball tree deepened alone, each undone, and
// the address opened anew.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "page_test.h"

namespace browser {
namespace {

class Build : public PageTest {
  protected:
    Build() : PageTest("page-build") {}
};

// The cells of the table captioned `caption` as exact values, row by row.
std::string tableValues(const std::string& caption) {
    return "Array.from(Array.from(document.querySelectorAll('table')).find((t) => "
           "t.caption.textContent === '" +
           caption + "').querySelectorAll('td'), (c) => Number(c.title))";
}

// The outline's rows as listed: level, name, and a star on the selected one.
constexpr const char* outlineRows =
    "Array.from(document.querySelectorAll('#outline [role=\"treeitem\"]'), (i) => "
    "i.getAttribute('aria-level') + ' ' + i.dataset.name + "
    "(i.getAttribute('aria-selected') === 'true' ? ' *' : ''))";

constexpr const char* stepNames =
    "Array.from(document.querySelectorAll('#rest [role=\"group\"]'), (g) => "
    "g.getAttribute('aria-label'))";

constexpr const char* historyButtons =
    "Array.from(document.querySelectorAll('#undo, #redo'), (b) => [b.textContent, !b.disabled])";

constexpr const char* status = "document.getElementById('status').textContent";
constexpr const char* query = "location.search";

std::vector<double> numbers(const std::string& json) {
    return nlohmann::json::parse(json).get<std::vector<double>>();
}

std::string text(const std::string& json) {
    return nlohmann::json::parse(json).get<std::string>();
}

// Whether two matrices read by tableValues agree within `tolerance` in every element.
::testing::AssertionResult near(const std::string& a, const std::string& b, double tolerance) {
    const std::vector<double> x = numbers(a), y = numbers(b);
    if (x.size() != 16 || y.size() != 16) {
        return ::testing::AssertionFailure() << "not two matrices: " << a << " " << b;
    }
    for (std::size_t k = 0; k < 16; ++k) {
        if (!(std::abs(x[k] - y[k]) <= tolerance)) {
            return ::testing::AssertionFailure() << "element " << k << ": " << a << " vs " << b;
        }
    }
    return ::testing::AssertionSuccess();
}

// The figure's shoulder at -x (its arm below it) dragged onto the head keeps its place in the
// world: its "world" table stays, its "local" one becomes the head's world inverse times it, and
// a read-only matrix step is added to its rest. Ctrl+Z puts it back, bit for bit. Then the same
// move by the keys alone, "Keep its local transform" chosen with an arrow key: its "local" table
// stays and its "world" one changes. The address opened anew gives the same outline and tables.
TEST_F(Build, AMoveByDragAndByKeysIsUndoneAndReopened) {
    PageScript live;
    live.viewport(1280, 1000).open("?keys=x&frames=0").waitUntil(heldAt(0));
    live.click(row("shoulder at -x")).read(outlineRows);                              // 0
    live.read(tableValues("local")).read(tableValues("world"));                       // 1, 2
    live.click(row("head")).read(tableValues("world")).click(row("shoulder at -x"));  // 3
    live.dragOnto(row("shoulder at -x"), row("head"));
    live.waitUntil("location.search.includes('move=')");
    live.read(outlineRows).read(stepNames).read(historyButtons);  // 4, 5, 6
    live.read(tableValues("local")).read(tableValues("world"));   // 7, 8
    live.chord("Control+KeyZ").waitUntil("location.search.endsWith('&undo')");
    live.read(outlineRows).read(tableValues("local")).read(tableValues("world"));  // 9, 10, 11
    // By the keys: "Move to…" puts the focus in the outline, h goes to the head, Tab to the
    // choice, an arrow to its second way, Tab to "Move here", Enter presses it.
    live.click(named("button", "Move to…"));
    live.press("h").read("document.getElementById('move-prompt').textContent");  // 12
    live.press("Tab")
        .press("ArrowDown")
        .read("document.activeElement.labels[0].textContent");             // 13
    live.read("document.getElementById('move-explanation').textContent");  // 14
    live.press("Tab").press("Enter").waitUntil("location.search.endsWith(',local')");
    live.read(outlineRows).read(tableValues("local")).read(tableValues("world"));  // 15, 16, 17
    live.read(query).read(status);                                                 // 18, 19
    const PageScript::PageRun shown = run(live);
    ASSERT_EQ(shown.values.size(), 20u);
    const std::vector<std::string>& v = shown.values;

    const std::string figure =
        R"js(["1 figure","2 head","2 body","2 shoulder at -x *","2 shoulder at +x","2 leg at +x",)js"
        R"js("2 leg at -x"])js";
    EXPECT_EQ(v[0], figure);
    const std::string underHead =
        R"js(["1 figure","2 head","3 shoulder at -x *","2 body","2 shoulder at +x","2 leg at +x",)js"
        R"js("2 leg at -x"])js";
    EXPECT_EQ(v[4], underHead) << "the row dragged onto the head is its child, selected";
    EXPECT_EQ(v[5], R"js(["step 1: rotate z 89.999981°","step 2: rotate y 89.999981°",)js"
                    R"js("step 3: translate (-1, 1.5, 0)","step 4: matrix, from the move"])js");
    EXPECT_EQ(v[6], R"js([["Undo: move shoulder at -x under head",true],["Redo",false]])js");
    EXPECT_TRUE(near(v[8], v[2], 1e-9)) << "its place in the world is kept";
    EXPECT_FALSE(near(v[7], v[1], 1e-3)) << "its local transform is not";
    // local = head's world inverse times its world: head's world times local is the world.
    {
        const std::vector<double> head = numbers(v[3]), local = numbers(v[7]);
        std::vector<double> product(16, 0.0);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                for (int k = 0; k < 4; ++k) {
                    product[4 * i + j] += head[4 * i + k] * local[4 * k + j];
                }
            }
        }
        EXPECT_TRUE(near(nlohmann::json(product).dump(), v[2], 1e-9));
    }

    EXPECT_EQ(v[9], figure) << "undone, it is back in its place, selected";
    EXPECT_EQ(v[10], v[1]);
    EXPECT_EQ(v[11], v[2]);

    EXPECT_EQ(text(v[12]), "Move “shoulder at -x” under “head”?");
    EXPECT_EQ(text(v[13]), " Keep its local transform");
    EXPECT_EQ(text(v[14]).substr(0, 40), "It jumps to the same place relative to i");
    EXPECT_EQ(v[15], underHead);
    EXPECT_EQ(v[16], v[1]) << "its local transform is kept, to the bit";
    EXPECT_FALSE(near(v[17], v[2], 1e-3)) << "so its place in the world is not";
    EXPECT_EQ(text(v[18]),
              "?keys=x&steps=0&move=figure/3,figure/1,world&undo&move=figure/3,figure/1,local");
    EXPECT_EQ(text(v[19]), "");

    PageScript reopened;
    reopened.open(text(v[18])).waitUntil("document.body.dataset.held !== undefined");
    reopened.click(row("head") + " .toggle").click(row("shoulder at -x")).read(outlineRows);
    reopened.read(tableValues("local")).read(tableValues("world"));
    const PageScript::PageRun again = run(reopened);
    ASSERT_EQ(again.values.size(), 3u);
    EXPECT_EQ(again.values[0], v[15]);
    EXPECT_EQ(again.values[1], v[16]);
    EXPECT_EQ(again.values[2], v[17]);
}

// "your model" is reached by the keys; its root takes children but cannot be moved, copied or
// deleted. A ball tree of depth 2 is added and made deeper alone; a move under itself is refused
// with the document's line and Escape gives the move up (the viewer goes on); a ball added is
// deleted and Ctrl+Z brings it back; the address opened anew lists the same nodes.
TEST_F(Build, YourModelGrowsAndADeleteIsUndone) {
    constexpr const char* summary = "document.getElementById('node-summary').textContent";
    constexpr const char* buttons =
        "Array.from(document.querySelectorAll('#build button, #deeper, #shallower'), (b) => "
        "b.textContent + (b.disabled ? ' (disabled)' : ''))";
    PageScript live;
    live.viewport(1280, 1000).open("?keys=nnnn&frames=0").waitUntil(heldAt(0));
    live.read("document.getElementById('outline-heading').textContent");  // 0
    live.click(row("your model")).read(buttons);                          // 1
    live.choose("#add-kind", "tree").fill("#add-count", "2").click(named("button", "Add child"));
    live.waitUntil("location.search.includes('add=')");
    live.read(outlineRows).read(summary).read(buttons);  // 2, 3, 4
    live.click(named("button", "Deeper (this tree)"))
        .waitUntil("location.search.includes('depth=')");
    live.read(summary).read(outlineRows);  // 5, 6
    live.click(named("button", "Move to…")).click(named("button", "Move here"));
    live.read(status).read("document.getElementById('move-choice').hidden");     // 7, 8
    live.press("Escape").read("document.getElementById('move-choice').hidden");  // 9
    live.click(row("your model")).choose("#add-kind", "ball").click(named("button", "Add child"));
    live.waitUntil("location.search.includes('add=yours,ball')");
    live.read(outlineRows).click(named("button", "Delete"));  // 10
    live.waitUntil("location.search.includes('delete=')");
    live.read(outlineRows).read(historyButtons);  // 11, 12
    live.chord("Control+KeyZ").waitUntil("location.search.endsWith('&undo')");
    live.read(outlineRows).read(tableValues("world"));                        // 13, 14
    live.read(query).read("document.body.dataset.exitStatus === undefined");  // 15, 16
    const PageScript::PageRun shown = run(live);
    ASSERT_EQ(shown.values.size(), 17u);
    const std::vector<std::string>& v = shown.values;

    EXPECT_EQ(text(v[0]), "Nodes of your model");
    EXPECT_EQ(v[1], R"js(["Deeper (+)","Shallower (-)","Move to… (disabled)","Copy (disabled)",)js"
                    R"js("Delete (disabled)","Move here (disabled)","Cancel","Add child"])js");
    EXPECT_EQ(v[2], R"js(["1 your model","2 ball tree 1 under your model *"])js");
    EXPECT_EQ(text(v[3]), "ball tree 1 under your model (BallTree), 2 nodes below it");
    EXPECT_EQ(v[4],
              R"js(["Deeper (this tree)","Shallower (this tree)","Move to…","Copy","Delete",)js"
              R"js("Move here (disabled)","Cancel","Add child"])js");
    EXPECT_EQ(text(v[5]), "ball tree 1 under your model (BallTree), 6 nodes below it");
    EXPECT_EQ(v[6], v[2]) << "the tree deepened alone, still selected";
    EXPECT_NE(text(v[7]).find("under itself"), std::string::npos) << v[7];
    EXPECT_EQ(v[8], "false") << "a refused move can be given another parent";
    EXPECT_EQ(v[9], "true");

    EXPECT_EQ(
        v[10],
        R"js(["1 your model","2 ball tree 1 under your model","2 ball 1 under your model *"])js");
    EXPECT_EQ(v[11], R"js(["1 your model *","2 ball tree 1 under your model"])js")
        << "deleted, its parent is selected";
    EXPECT_EQ(v[12], R"js([["Undo: delete ball 1 under your model",true],["Redo",false]])js");
    EXPECT_EQ(v[13], v[10]) << "undone, the ball is back and selected";
    const std::string address = text(v[15]);
    EXPECT_EQ(address,
              "?keys=nnnn&steps=0&add=yours,tree,2&depth=yours/1,3&add=yours,ball&delete=yours/2&"
              "undo");
    EXPECT_EQ(v[16], "true") << "Escape gave up the move and did not end the viewer";

    PageScript reopened;
    reopened.open(address).waitUntil("document.body.dataset.held !== undefined");
    reopened.click(row("ball 1 under your model")).read(outlineRows).read(tableValues("world"));
    reopened.click(row("ball tree 1 under your model")).read(summary);
    const PageScript::PageRun again = run(reopened);
    ASSERT_EQ(again.values.size(), 3u);
    EXPECT_EQ(again.values[0], v[13]);
    EXPECT_EQ(again.values[1], v[14]);
    EXPECT_EQ(again.values[2], v[5]);
}

// On a phone a finger drags a row once it has held it still a moment; a quick swipe over the
// rows scrolls and moves nothing.
TEST_F(Build, AFingerHeldOnARowDragsItAndASwipeDoesNot) {
    PageScript script;
    script.viewport(390, 844).open("?keys=x&frames=0").waitUntil(heldAt(0));
    script.touchOnto(row("leg at -x"), row("head"), 600);
    script.waitUntil("location.search.includes('move=')").read(outlineRows);  // 0
    script.touchOnto(row("leg at +x"), row("body"), 0).read(query);           // 1
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 2u);
    EXPECT_EQ(text(result.values[1]), "?keys=x&steps=0&move=figure/6,figure/1,world")
        << "the swipe moved nothing";
    EXPECT_EQ(result.values[0],
              R"js(["1 figure","2 head","3 leg at -x *","2 body","2 shoulder at -x",)js"
              R"js("2 shoulder at +x","2 leg at +x"])js");
}

}  // namespace
}  // namespace browser
