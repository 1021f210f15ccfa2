// The page beyond the picture, read as its users and their assistive technology read it: the
// outline (a WAI-ARIA tree), the tables captioned "local" and "world", the buttons by their
// names, the address, the downloads, and a phone's screen. What it shows of a node is checked
// against scene-export's file of the same state.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>
#include <nlohmann/json.hpp>

#include "app/model_catalogue.h"
#include "app/model_outline.h"
#include "app_state.h"
#include "golden_cases.h"
#include "harness/child_process.h"
#include "libraries/image/image_compare.h"
#include "page_test.h"

namespace browser {
namespace {

class Page : public PageTest {
  protected:
    Page() : PageTest("page-explorer") {}

    // scene-export's file of the state that `keys` and `frames` reach, with `animate` steps of
    // animation after it.
    tinygltf::Model exported(const std::string& keys, int frames, int animate = 0) {
        e2e::LaunchOptions options;
        options.path = SCENE_EXPORT_EXECUTABLE;
        options.args = {"--keys",    keys,
                        "--frames",  std::to_string(frames),
                        "--animate", std::to_string(animate),
                        "--output",  file("scene-export.glb")};
        options.logPath = file("scene-export.log");
        e2e::ChildProcess process(options);
        const auto status = process.waitForExit(std::chrono::minutes(1));
        EXPECT_TRUE(status && status->exited && status->code == 0);
        return readGlb(file("scene-export.glb"));
    }

    static tinygltf::Model readGlb(const std::string& path) {
        tinygltf::Model model;
        tinygltf::TinyGLTF reader;
        std::string error, warning;
        EXPECT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, path)) << path << error;
        return model;
    }
};

constexpr const char* windowShown = "document.getElementById('title').textContent !== ''";

// Opens every closed row of the outline by clicking its toggle, as a user would, and gives
// the names of all rows in document order.
constexpr const char* expandAllAndListNames =
    "(() => { const tree = document.querySelector('[role=\"tree\"]'); let closed; "
    "while ((closed = tree.querySelector("
    "'[role=\"treeitem\"][aria-expanded=\"false\"] > .row .toggle'))) closed.click(); "
    "return Array.from(tree.querySelectorAll('[role=\"treeitem\"]'), (item) => "
    "document.getElementById(item.getAttribute('aria-labelledby')).textContent); })()";

// A button by its accessible name, as assistive technology finds it.
std::string button(const std::string& name) {
    return "::-p-aria([name=\"" + name + "\"][role=\"button\"])";
}

// The cells of the table captioned `caption`, row by row, as written and as exact values.
std::string tableValues(const std::string& caption) {
    return "Array.from(Array.from(document.querySelectorAll('table')).find((t) => "
           "t.caption.textContent === '" +
           caption + "').querySelectorAll('td'), (c) => [c.textContent, c.dataset.value])";
}

std::string namesAsJson(const std::vector<std::string>& names) {
    std::string json = "[";
    for (const std::string& name : names) {
        json += (json.size() > 1 ? "," : "") + ("\"" + name + "\"");
    }
    return json + "]";
}

// The outline shows every node of each model under the name scene-export gives it, in the
// order of its file: the chain at depth 4 (5 nodes), the figure (13), the fan (141) and the
// tree at depth 4 (15).
TEST_F(Page, OutlineListsEveryNodeUnderItsExportName) {
    struct State {
        std::string keys;
        int model;
        int depth;
        std::size_t nodes;
    };
    const std::vector<State> states{
        {"+++", 0, 4, 5}, {"x", 1, 1, 13}, {"xx", 2, 1, 141}, {"+++xxx", 3, 4, 15}};
    PageScript script;
    for (const State& s : states) {
        script.open(addressOf(s.keys, 0)).waitUntil(heldAt(0)).read(expandAllAndListNames);
    }
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), states.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
        resetApplication();
        buildSceneAtDepth(states[i].depth);
        auto slot = modelList.begin();
        std::advance(slot, states[i].model);
        const ModelOutline outline = outlineOf(**slot);
        EXPECT_EQ(outline.names.size(), states[i].nodes);
        EXPECT_EQ(result.values[i], namesAsJson(outline.names)) << states[i].keys;
    }
    resetApplication();
}

// A node chosen in the outline: its tables are its own transform and the product of the
// transforms from the root down to it, as scene-export's file of the same state has them; and
// "Download glTF" gives that file's nodes, names, matrices and animation (one swing of a limb,
// 360 steps).
TEST_F(Page, SelectedNodeAndDownloadedGlbMatchSceneExport) {
    const std::string node = "arm at -x, limb 3";
    PageScript script;
    script.downloadInto(scratch.path().string())
        .open(addressOf("x", 45))
        .waitUntil(heldAt(45))
        .read(expandAllAndListNames)
        .click("[role=\"treeitem\"][data-name=\"" + node + "\"] > .row")
        .read(tableValues("local"))
        .read(tableValues("world"))
        .click(button("Download glTF"))
        .waitForFile(file("figure.glb"));
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 3u);

    const tinygltf::Model expected = exported("x", 45);
    std::vector<int> parent(expected.nodes.size(), -1);
    int selected = -1;
    for (std::size_t i = 0; i < expected.nodes.size(); ++i) {
        for (const int child : expected.nodes[i].children) {
            parent[static_cast<std::size_t>(child)] = static_cast<int>(i);
        }
        selected = expected.nodes[i].name == node ? static_cast<int>(i) : selected;
    }
    ASSERT_GE(selected, 0);
    const auto matrixOf = [&](int index) {
        Mat4 m;
        const std::vector<double>& values = expected.nodes[static_cast<std::size_t>(index)].matrix;
        for (std::size_t k = 0; k < values.size(); ++k) {
            m.m[k] = values[k];
        }
        return m;
    };
    const Mat4 local = matrixOf(selected);
    Mat4 world = local;
    for (int at = parent[static_cast<std::size_t>(selected)]; at >= 0;
         at = parent[static_cast<std::size_t>(at)]) {
        world = matrixOf(at).multiply(world);
    }
    // Row by row on the page: the cell in row i, column j holds element 4j + i.
    for (const auto& [json, matrix] :
         {std::pair{result.values[1], local}, {result.values[2], world}}) {
        const nlohmann::json cells = nlohmann::json::parse(json);
        ASSERT_EQ(cells.size(), 16u);
        for (std::size_t i = 0; i < 4; ++i) {
            for (std::size_t j = 0; j < 4; ++j) {
                const double value = matrix.m[4 * j + i];
                const auto& cell = cells[4 * i + j];
                EXPECT_NEAR(std::stod(cell[1].get<std::string>()), value, 1e-12) << i << j;
                // Written with three decimals.
                EXPECT_NEAR(std::stod(cell[0].get<std::string>()), value, 0.0005 + 1e-12) << i << j;
            }
        }
    }

    const tinygltf::Model downloaded = readGlb(file("figure.glb"));
    const tinygltf::Model animated = exported("x", 45, 360);
    ASSERT_EQ(downloaded.nodes.size(), animated.nodes.size());
    const auto near = [](const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t k = 0; k < want.size(); ++k) {
            EXPECT_NEAR(got[k], want[k], 1e-12);
        }
    };
    for (std::size_t i = 0; i < animated.nodes.size(); ++i) {
        EXPECT_EQ(downloaded.nodes[i].name, animated.nodes[i].name);
        EXPECT_EQ(downloaded.nodes[i].children, animated.nodes[i].children);
        near(downloaded.nodes[i].matrix, animated.nodes[i].matrix);
        near(downloaded.nodes[i].translation, animated.nodes[i].translation);
        near(downloaded.nodes[i].rotation, animated.nodes[i].rotation);
        near(downloaded.nodes[i].scale, animated.nodes[i].scale);
    }
    ASSERT_EQ(downloaded.animations.size(), 1u);
    EXPECT_EQ(downloaded.animations[0].channels.size(), animated.animations[0].channels.size());
}

// A live session driven by its buttons and keys, paused and stepped: its address, opened
// anew, gives the same picture, pixel for pixel.
TEST_F(Page, LiveSessionsAddressReopenedGivesTheSamePicture) {
    PageScript live;
    live.holdAnimationFrames().open().waitUntil(windowShown).runFrames(3);
    live.click(button("Next model")).runFrames(25).press("x").runFrames(1);
    live.click(button("Pause (space)")).runFrames(2);
    for (int i = 0; i < 3; ++i) {
        live.click(button("Step")).runFrames(1);
    }
    live.press("2").runFrames(2).screenshot(file("live.png")).read("window.location.search");
    const PageScript::PageRun session = run(live);
    ASSERT_EQ(session.values.size(), 1u);
    const std::string query = nlohmann::json::parse(session.values[0]).get<std::string>();
    EXPECT_EQ(query.substr(0, 7), "?steps=");

    PageScript reopened;
    reopened.open(query).waitUntil("document.body.dataset.held !== undefined");
    reopened.screenshot(file("reopened.png"));
    if (!run(reopened).succeeded) {
        return;
    }
    const image::ImageComparison comparison =
        image::compareImages(golden::readPicture(file("reopened.png")),
                             golden::readPicture(file("live.png")), image::ImageTolerance{0, 0.0});
    EXPECT_TRUE(comparison.matches)
        << query << ": " << comparison.describe(image::ImageTolerance{0, 0.0});
}

// The buttons go through the keys' own queue: the keys of the tree's golden case pressed as
// buttons, then paused and stepped ten times, give the golden picture of ten frames. Step is
// for a paused animation only.
TEST_F(Page, ButtonsDoWhatTheirKeysDo) {
    constexpr const char* stepDisabled = "document.getElementById('step').disabled";
    PageScript script;
    script.holdAnimationFrames().open().waitUntil(windowShown).runFrames(1).read(stepDisabled);
    for (const char* name :
         {"Deeper (+)", "Deeper (+)", "Deeper (+)", "Deeper (+)", "Shallower (-)", "Next model",
          "Next model", "Next model", "Top (2)", "Pause (space)"}) {
        script.click(button(name));
    }
    script.runFrames(1).read(stepDisabled);
    for (int i = 0; i < golden::goldenFrames; ++i) {
        script.click(button("Step")).runFrames(1);
    }
    script.screenshot(file("buttons.png"));
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 2u);
    EXPECT_EQ(result.values[0], "true");
    EXPECT_EQ(result.values[1], "false");
    const golden::GoldenCase tree{"tree", 3, 4, 2};
    const image::ImageComparison comparison = image::compareImages(
        golden::readPicture(file("buttons.png")),
        golden::readPicture(golden::referenceFolder() + "/" + tree.name() + ".png"),
        image::defaultImageTolerance);
    EXPECT_TRUE(comparison.matches) << comparison.describe(image::defaultImageTolerance);
}

// On a phone 390 pixels wide nothing scrolls sideways, the picture is still drawn at 800 x 800,
// and a touch on it selects the node drawn there (the figure's body at the centre); on a wide
// screen the outline and the tables stand beside the picture.
TEST_F(Page, FitsAPhoneAndATouchPicksTheNodeUnderIt) {
    constexpr const char* layout =
        "[document.documentElement.scrollWidth <= window.innerWidth, canvas.width, "
        "canvas.getBoundingClientRect().width <= window.innerWidth, "
        "document.getElementById('panel').getBoundingClientRect().left >= "
        "canvas.getBoundingClientRect().right]";
    PageScript script;
    script.viewport(390, 844).open(addressOf("x", 0)).waitUntil(heldAt(0)).read(layout);
    script.tap("#canvas").read(
        "document.getElementById(document.querySelector('[aria-selected=\"true\"]')"
        ".getAttribute('aria-labelledby')).textContent");
    script.viewport(1300, 900).read(layout);
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 3u);
    EXPECT_EQ(result.values[0], "[true,800,true,false]");
    EXPECT_EQ(result.values[1], "\"body\"");
    EXPECT_EQ(result.values[2], "[true,800,true,true]");
}

// With the focus in the outline, the outline keeps its keys: "*" opens every row beside the
// focused one, a letter moves to the next row whose name starts with it (round to the top), and
// neither reaches the viewer, which would show the next model; Escape still does.
TEST_F(Page, OutlineKeepsStarAndTypeAheadFromTheViewer) {
    constexpr const char* focused =
        "document.getElementById(document.activeElement.getAttribute('aria-labelledby'))"
        ".textContent";
    constexpr const char* openRows =
        "Array.from(document.querySelectorAll('[role=\"treeitem\"][aria-expanded=\"true\"]'),"
        " (item) => item.dataset.name)";
    PageScript script;
    script.open(addressOf("x", 0)).waitUntil(heldAt(0)).click("#node-1");
    script.press("*").read(openRows);
    script.press("l").read(focused).press("L").read(focused).press("h").read(focused);
    script.read("[document.getElementById('outline-heading').textContent, location.search]");
    script.press("Escape").waitUntil("document.body.dataset.exitStatus !== undefined");
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 5u);
    EXPECT_EQ(result.values[0], "[\"figure\",\"shoulder at -x\",\"shoulder at +x\"]");
    EXPECT_EQ(result.values[1], "\"leg at +x\"");
    EXPECT_EQ(result.values[2], "\"leg at -x\"");
    EXPECT_EQ(result.values[3], "\"head\"");
    EXPECT_EQ(result.values[4], "[\"Nodes of the figure model\",\"?keys=%78&frames=0\"]");
}

// The handle drags a node in the picture: a real mouse drag along the x arm of "shoulder at -x"
// moves the shoulder along its parent's x, so its "local" table changes in its offset alone;
// the limb below it keeps its "local" table while its "world" table moves by as much. The whole
// drag is one edit of the address and one undo (Ctrl+Z) takes it back.
TEST_F(Page, DraggingTheHandleMovesTheNodeAndItsSubtreeInOneStepOfHistory) {
    const auto row = [](const std::string& name) {
        return "[role=\"treeitem\"][data-name=\"" + name + "\"] > .row";
    };
    const std::string limb = row("arm at -x, limb 2");
    const std::string arm = "[role=\"slider\"][aria-label=\"move along x\"]";
    const std::string world = "JSON.stringify(" + tableValues("world") + ")";
    const std::string valueNow =
        "document.querySelector('" + arm + "').getAttribute('aria-valuenow')";
    PageScript script;
    // Wide enough for the outline beside the picture: the picture stays in view.
    script.viewport(1300, 900).open(addressOf("x", 0)).waitUntil(heldAt(0));
    script.read(expandAllAndListNames)
        .click(limb)
        .read(tableValues("local"))
        .read(tableValues("world"));
    script.read("window.limbWorld = " + world);
    script.click(row("shoulder at -x")).read(tableValues("local")).read(valueNow);
    script.drag(arm + " .grip", 60);
    // The drag's last value drawn: the slider and the table agree on the moved offset.
    script.waitUntil("location.search.includes('edit=') && " + valueNow + " !== '-1' && " +
                     valueNow + " === " + tableValues("local") + "[3][1]");
    script.read(tableValues("local")).read(valueNow).read("location.search");
    script.click(limb).read(tableValues("local")).read(tableValues("world"));
    script.chord("Control+KeyZ").waitUntil(world + " === window.limbWorld");
    script.read(tableValues("local"));
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 12u);

    // The exact values of a table, element 4j + i at row i, column j.
    const auto exact = [](const std::string& json) {
        const nlohmann::json cells = nlohmann::json::parse(json);
        std::vector<double> m(16);
        for (std::size_t i = 0; i < 4; ++i) {
            for (std::size_t j = 0; j < 4; ++j) {
                m[4 * j + i] = std::stod(cells[4 * i + j][1].get<std::string>());
            }
        }
        return m;
    };
    const std::vector<double> limbLocal = exact(result.values[1]);
    const std::vector<double> limbWorld = exact(result.values[2]);
    const std::vector<double> shoulderBefore = exact(result.values[4]);
    const std::vector<double> shoulderAfter = exact(result.values[6]);
    const double moved = shoulderAfter[12] - shoulderBefore[12];
    // 60 CSS pixels along an arm of 2 units that spans well under 200 of them.
    EXPECT_GT(moved, 0.5);
    EXPECT_LT(moved, 5.0);
    EXPECT_EQ(std::stod(nlohmann::json::parse(result.values[5]).get<std::string>()),
              shoulderBefore[12]);
    EXPECT_EQ(std::stod(nlohmann::json::parse(result.values[7]).get<std::string>()),
              shoulderAfter[12]);
    for (std::size_t k = 0; k < 16; ++k) {
        if (k != 12) {
            EXPECT_NEAR(shoulderAfter[k], shoulderBefore[k], 1e-12) << k;
        }
    }

    const std::string query = nlohmann::json::parse(result.values[8]).get<std::string>();
    std::size_t edits = 0;
    for (std::size_t at = query.find("edit="); at != std::string::npos;
         at = query.find("edit=", at + 1)) {
        ++edits;
    }
    EXPECT_EQ(edits, 1u) << query;

    EXPECT_EQ(result.values[9], result.values[1]);  // the limb's "local" as it was
    const std::vector<double> limbWorldMoved = exact(result.values[10]);
    for (std::size_t k = 0; k < 16; ++k) {
        // The figure's root is where the model is, so the shoulder's move is the limb's.
        EXPECT_NEAR(limbWorldMoved[k], limbWorld[k] + (k == 12 ? moved : 0.0), 1e-12) << k;
    }
    EXPECT_EQ(result.values[11], result.values[1]);  // undone: both tables as they were
}

// A site whose WebAssembly is missing: the page says which module could not be loaded, in
// words a learner reads, and a second press of "Download glTF" tries again.
TEST_F(Page, AMissingModuleIsSaidInPlainWords) {
    namespace fs = std::filesystem;
    const fs::path noWriter = scratch.path() / "no-writer";
    const fs::path noViewer = scratch.path() / "no-viewer";
    for (const fs::path& site : {noWriter, noViewer}) {
        fs::copy(webSiteFolder(), site, fs::copy_options::recursive);
    }
    fs::remove(noWriter / "scene-export.wasm");
    fs::remove(noViewer / "scene-viewer.wasm");
    constexpr const char* status = "document.getElementById('status').textContent";
    constexpr const char* said =
        "document.getElementById('status').textContent.startsWith('Download')";
    PageScript withoutWriter(noWriter.string());
    withoutWriter.open(addressOf("x", 0)).waitUntil(heldAt(0));
    for (int press = 0; press < 2; ++press) {
        withoutWriter.click("#download-gltf").waitUntil(said).read(status);
    }
    PageScript withoutViewer(noViewer.string());
    withoutViewer.open().waitUntil(std::string(status) + ".includes('could not')").read(status);
    const PageScript::PageRun writer = run(withoutWriter);
    const PageScript::PageRun viewer = run(withoutViewer);
    const std::string because =
        " could not be loaded: scene-%s.wasm is missing from the site, is not WebAssembly, or "
        "does not fit into this browser's memory\"";
    ASSERT_EQ(writer.values.size(), 2u);
    for (const std::string& value : writer.values) {
        EXPECT_EQ(value, "\"Download glTF: the glTF writer" +
                             std::string(because).replace(because.find("%s"), 2, "export"));
    }
    ASSERT_EQ(viewer.values.size(), 1u);
    EXPECT_EQ(viewer.values[0],
              "\"the viewer" + std::string(because).replace(because.find("%s"), 2, "viewer"));
}

// A script of a million steps leaves the tab its frames: the page shows its progress while it
// plays, and holds the picture at its end.
TEST_F(Page, LongAddressScriptsPlayWithoutBlockingTheTab) {
    PageScript script;
    script.open(addressOf("x", 1000000))
        .waitUntil("document.getElementById('status').textContent.startsWith('Playing')")
        .waitUntil(heldAt(1000000))
        .read("document.getElementById('status').textContent");
    const PageScript::PageRun result = run(script);
    ASSERT_EQ(result.values.size(), 1u);
    EXPECT_EQ(result.values[0], "\"\"");
}

}  // namespace
}  // namespace browser
