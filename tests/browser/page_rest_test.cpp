// The selected node's rest on the page, as its steps, edited as a learner edits it: through the
// outline, the fields and sliders by their labels, the buttons by their names, the keys, the
// tables captioned "local" and "world", and the address.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "page_test.h"

namespace browser {
namespace {

class Rest : public PageTest {
  protected:
    Rest() : PageTest("page-rest") {}
};

// The cells of the table captioned `caption`, row by row, as written and as exact values.
std::string tableValues(const std::string& caption) {
    return "Array.from(Array.from(document.querySelectorAll('table')).find((t) => "
           "t.caption.textContent === '" +
           caption + "').querySelectorAll('td'), (c) => [c.textContent, c.title])";
}

// The steps' groups by their names, and the labels of the number fields in them.
constexpr const char* stepsShown =
    "[Array.from(document.querySelectorAll('#rest [role=\"group\"]'), (g) => "
    "g.getAttribute('aria-label')), Array.from(document.querySelectorAll("
    "'#rest input[type=\"number\"]'), (i) => i.labels[0].textContent)]";

// Undo and Redo as named, and whether each can be pressed.
constexpr const char* historyButtons =
    "Array.from(document.querySelectorAll('#undo, #redo'), (b) => [b.textContent, !b.disabled])";

// Row `i` of a table read by tableValues, as written.
std::vector<std::string> writtenRow(const std::string& json, std::size_t i) {
    const nlohmann::json cells = nlohmann::json::parse(json);
    std::vector<std::string> texts;
    for (std::size_t j = 0; j < 4; ++j) {
        texts.push_back(cells.at(4 * i + j).at(0).get<std::string>());
    }
    return texts;
}

// The figure's body is scaled, then moved down: with "scale y" set to 3 by its number field
// the body grows, but the move still moves it by -1 (the scale acts first), and the head, beside
// it in the hierarchy, stays where it was. The address holds the edit; Undo, named with what it
// takes back, and Ctrl+Shift+Z go back and forth; and the address opened anew shows every
// matrix as the live page did.
TEST_F(Rest, AnEditedStepFollowsTheAddressAndUndoAndRedo) {
    PageScript live;
    live.open("?keys=x&frames=0").waitUntil(heldAt(0));
    live.click(row("head")).read(tableValues("world"));             // 0
    live.click(row("body")).read(stepsShown).read(historyButtons);  // 1, 2
    live.read(tableValues("local")).read(tableValues("world"));     // 3, 4
    live.fill(named("spinbutton", "scale y"), "3").press("Enter");
    live.waitUntil("location.search.includes('edit=')");
    live.read(stepsShown).read(historyButtons).read("location.search");  // 5, 6, 7
    live.read(tableValues("local")).read(tableValues("world"));          // 8, 9
    live.click(row("head")).read(tableValues("world"));                  // 10
    live.click(row("body")).click(named("button", "Undo: scale body"));
    live.waitUntil("location.search.endsWith('&undo')");
    live.read(historyButtons).read(tableValues("local"));  // 11, 12
    live.read(tableValues("world"));                       // 13
    live.chord("Control+Shift+KeyZ").waitUntil("location.search.endsWith('&redo')");
    live.read(historyButtons).read(tableValues("local"));     // 14, 15
    live.read(tableValues("world")).read("location.search");  // 16, 17
    live.read(
        "[document.getElementById('outline-heading').textContent, "
        "document.getElementById('status').textContent]");  // 18
    const PageScript::PageRun shown = run(live);
    ASSERT_EQ(shown.values.size(), 19u);
    const std::vector<std::string>& v = shown.values;

    EXPECT_EQ(v[1],
              "[[\"step 1: scale (1, 2, 1)\",\"step 2: translate (0, -1, 0)\"],"
              "[\"scale x\",\"scale y\",\"scale z\",\"translate x\",\"translate y\","
              "\"translate z\"]]");
    EXPECT_EQ(v[2], "[[\"Undo\",false],[\"Redo\",false]]");
    EXPECT_EQ(writtenRow(v[3], 1), (std::vector<std::string>{"0.000", "2.000", "0.000", "-1.000"}));

    EXPECT_EQ(v[5],
              "[[\"step 1: scale (1, 3, 1)\",\"step 2: translate (0, -1, 0)\"],"
              "[\"scale x\",\"scale y\",\"scale z\",\"translate x\",\"translate y\","
              "\"translate z\"]]");
    EXPECT_EQ(v[6], "[[\"Undo: scale body\",true],[\"Redo\",false]]");
    EXPECT_EQ(nlohmann::json::parse(v[7]).get<std::string>(),
              "?keys=x&steps=0&edit=figure/2,1,y,3");
    // Scaled first, moved after: the move is the same -1.
    EXPECT_EQ(writtenRow(v[8], 1), (std::vector<std::string>{"0.000", "3.000", "0.000", "-1.000"}));
    EXPECT_NE(v[9], v[4]);
    EXPECT_EQ(v[10], v[0]) << "the head is not below the body: its world stays";

    EXPECT_EQ(v[11], "[[\"Undo\",false],[\"Redo: scale body\",true]]");
    EXPECT_EQ(v[12], v[3]);
    EXPECT_EQ(v[13], v[4]);
    EXPECT_EQ(v[14], "[[\"Undo: scale body\",true],[\"Redo\",false]]");
    EXPECT_EQ(v[15], v[8]);
    EXPECT_EQ(v[16], v[9]);
    const std::string query = nlohmann::json::parse(v[17]).get<std::string>();
    EXPECT_EQ(query, "?keys=x&steps=0&edit=figure/2,1,y,3&undo&redo");
    // Ctrl+Z and Ctrl+Shift+Z were not keys of the viewer: still the figure, nothing refused.
    EXPECT_EQ(v[18], "[\"Nodes of the figure model\",\"\"]");

    PageScript reopened;
    reopened.open(query).waitUntil("document.body.dataset.held !== undefined");
    reopened.click(row("body")).read(stepsShown).read(historyButtons);
    reopened.read(tableValues("local")).read(tableValues("world"));
    reopened.click(row("head")).read(tableValues("world"));
    const PageScript::PageRun again = run(reopened);
    ASSERT_EQ(again.values.size(), 5u);
    EXPECT_EQ(again.values[0], v[5]);
    EXPECT_EQ(again.values[1], v[14]);
    EXPECT_EQ(again.values[2], v[15]);
    EXPECT_EQ(again.values[3], v[16]);
    EXPECT_EQ(again.values[4], v[10]);
}

// A slider's movement is one step of the history, however many values it passed; a value the
// document refuses is said on the status line and its field shows the document's value again;
// "Reset node" puts the node back as built. A swinging limb's swing is said apart from its rest.
TEST_F(Rest, ASliderMovesInOneStepAndARefusedValueGoesBack) {
    constexpr const char* fieldValues =
        "Array.from(document.querySelectorAll('#rest input[type=\"number\"]'), (i) => i.value)";
    constexpr const char* status = "document.getElementById('status').textContent";
    PageScript script;
    script.viewport(1280, 1000).open("?keys=x&frames=30").waitUntil(heldAt(30));
    script.click(row("shoulder at -x") + " .toggle").click(row("arm at -x"));
    script.read("document.getElementById('rest-motion').textContent");  // 0
    script.drag(named("slider", "rotate z, degrees"), 60);
    script.waitUntil("location.search.includes('edit=')");
    script.read(historyButtons).read(fieldValues).read("location.search");  // 1, 2, 3
    script.click(named("button", "Undo: rotate arm at -x"));
    script.waitUntil("location.search.endsWith('&undo')");
    script.read(historyButtons).read(fieldValues);  // 4, 5
    script.fill(named("spinbutton", "scale x"), "0").press("Enter");
    script.read(status).read(fieldValues).read("location.search");  // 6, 7, 8
    script.fill(named("spinbutton", "translate y"), "2").press("Enter");
    script.read(fieldValues).click(named("button", "Reset node"));  // 9
    script.waitUntil("location.search.includes('reset=')");
    script.read(fieldValues).read(historyButtons);                  // 10, 11
    script.read("document.getElementById('reset-node').disabled");  // 12
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 13u);
    const std::vector<std::string>& v = result.values;
    const std::string built = "[\"1\",\"1\",\"1\",\"0\",\"0\",\"0\",\"0\",\"0\",\"0\"]";

    EXPECT_EQ(v[0].substr(0, 12), "\"swing now: ") << v[0];
    EXPECT_NE(v[0], "\"swing now: 0.0°\"") << "30 steps have swung it";
    EXPECT_EQ(v[1], "[[\"Undo: rotate arm at -x\",true],[\"Redo\",false]]");
    const nlohmann::json moved = nlohmann::json::parse(v[2]);
    const double angle = std::stod(moved.at(5).get<std::string>());
    EXPECT_GT(angle, 10.0);
    EXPECT_LE(angle, 180.0);
    const std::string query = nlohmann::json::parse(v[3]).get<std::string>();
    EXPECT_EQ(query.find("edit="), query.rfind("edit=")) << "one edit in the address: " << query;
    EXPECT_NE(query.find("edit=figure/3/1,4,angle,"), std::string::npos) << query;
    // One Undo takes the whole movement back.
    EXPECT_EQ(v[4], "[[\"Undo\",false],[\"Redo: rotate arm at -x\",true]]");
    EXPECT_EQ(v[5], built);

    EXPECT_EQ(v[6],
              "\"arm at -x, scale x: a scale of zero (or nearly) flattens the node and its subtree "
              "to nothing; use 0.001 to 1000, or -0.001 to -1000\"");
    EXPECT_EQ(v[7], built);
    EXPECT_EQ(nlohmann::json::parse(v[8]).get<std::string>(), query + "&undo");

    EXPECT_EQ(v[9], "[\"1\",\"1\",\"1\",\"0\",\"0\",\"0\",\"0\",\"2\",\"0\"]");
    EXPECT_EQ(v[10], built);
    EXPECT_EQ(v[11], "[[\"Undo: reset arm at -x\",true],[\"Redo\",false]]");
    EXPECT_EQ(v[12], "true");
}

// While the address's script plays, nothing edits: Undo, Redo and Reset model cannot be
// pressed; when it has ended, Undo names the script's edit. On a phone, the panel stands under
// the picture and every button and slider in it is a touch target 44 pixels tall or more (those
// not laid out, such as "Move here" while no move is chosen, aside).
TEST_F(Rest, NothingEditsWhileTheScriptPlaysAndAPhoneGetsTouchTargets) {
    constexpr const char* editButtons =
        "Array.from(document.querySelectorAll('#undo, #redo, #reset-model'), (b) => "
        "[b.textContent, !b.disabled])";
    constexpr const char* layout =
        "[document.documentElement.scrollWidth <= window.innerWidth, "
        "document.getElementById('panel').getBoundingClientRect().top >= "
        "canvas.getBoundingClientRect().bottom, "
        "Math.min(...Array.from(document.querySelectorAll('#panel button, #panel select, #panel "
        "input[type=\"range\"]'), (e) => e.getBoundingClientRect().height || 44)) >= 44]";
    PageScript script;
    script.viewport(390, 844).open("?keys=x&steps=0&edit=figure/2,1,y,3&steps=100000");
    script.waitUntil("document.getElementById('status').textContent.startsWith('Playing')");
    script.read(editButtons);
    script.waitUntil(heldAt(100000)).read(editButtons);
    script.tap(row("body")).read(stepsShown).read(layout);
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 4u);
    EXPECT_EQ(result.values[0], "[[\"Undo\",false],[\"Redo\",false],[\"Reset model\",false]]");
    EXPECT_EQ(result.values[1],
              "[[\"Undo: scale body\",true],[\"Redo\",false],[\"Reset model\",true]]");
    EXPECT_EQ(result.values[2].substr(0, 27), "[[\"step 1: scale (1, 3, 1)\"");
    EXPECT_EQ(result.values[3], "[true,true,true]");
}

}  // namespace
}  // namespace browser
