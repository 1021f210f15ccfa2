#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/edit_script.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "app_state.h"
#include "harness/child_process.h"
#include "scratch_folder.h"

// scene-export given a link of the page (--state) writes the model that the same script,
// played through the document in this process, leaves on screen.
namespace scene_export {
namespace {

// A learner's figure: a shoulder turned and an arm swung between runs of steps, a leg moved and
// reset, the body scaled, a shoulder moved and the move taken back; then an edit of a node the
// figure does not have (refused as it plays) and one that cannot be read (left out).
constexpr const char* editedFigure =
    "keys=x&steps=20&edit=figure/3,1,angle,45&steps=15&edit=figure/3/1,2,angle,30"
    "&edit=figure/5,2,y,-3&steps=10&reset=figure/5&edit=figure/2,1,x,1.5"
    "&edit=figure/4,3,x,2&undo&steps=7&edit=figure/9,1,x,1&edit=figure/2,1,w,1";

// Each node of the written file against the node at the same place in `node`'s tree: the
// same children, and its matrix (absent for the identity) equal to the node's transform.
void expectSameTree(const nlohmann::json& nodes, std::size_t index, const SceneNode& node,
                    const std::string& place, std::size_t& compared) {
    const nlohmann::json& written = nodes.at(index);
    std::vector<double> matrix = written.value("matrix", std::vector<double>{});
    if (matrix.empty()) {
        const Mat4 identity;
        matrix.assign(identity.m, identity.m + 16);
    }
    ASSERT_EQ(matrix.size(), 16u) << place;
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_NEAR(matrix[i], node.transform.m[i], 1e-6) << place << " element " << i;
    }
    ++compared;
    const std::vector<std::size_t> children = written.value("children", std::vector<std::size_t>{});
    ASSERT_EQ(children.size(), node.children.size()) << place;
    std::size_t position = 0;
    for (const SceneNode* child : node.children) {
        expectSameTree(nodes, children[position], *child,
                       place + "/" + std::to_string(position + 1), compared);
        ++position;
    }
}

// Runs scene-export on the page's link with `query`; its log, and the file read as JSON.
struct Exported {
    std::string log;
    std::optional<e2e::ExitStatus> status;
    nlohmann::json gltf;
};

Exported exportLink(const ScratchFolder& folder, const std::string& query) {
    e2e::LaunchOptions launch;
    launch.path = SCENE_EXPORT_EXECUTABLE;
    // The whole link, as a learner pastes it.
    launch.args = {"--state", "http://localhost:8000/index.html?" + query, "--output",
                   folder.file("model.gltf")};
    launch.environment = {
        {"DISPLAY", ""}, {"ASAN_OPTIONS", "exitcode=66"}, {"UBSAN_OPTIONS", "exitcode=66"}};
    launch.logPath = folder.file("run.log");
    Exported out;
    {
        e2e::ChildProcess process(launch);
        out.status = process.waitForExit(std::chrono::seconds(120));
    }
    std::ifstream logFile(launch.logPath);
    out.log.assign(std::istreambuf_iterator<char>(logFile), {});
    if (out.status && out.status->exited && out.status->code == 0) {
        std::ifstream file(folder.file("model.gltf"));
        out.gltf = nlohmann::json::parse(file);
    }
    return out;
}

// The same query played through the document here, as the page plays it.
void playHere(const std::string& query) {
    resetApplication();
    buildScene();
    addYourModel();
    std::optional<std::vector<Edit>> script;
    readScript(parseQuery(query), script);
    ASSERT_TRUE(script);
    for (const Edit& entry : *script) {
        document.apply(entry);
    }
}

void expectFileIsModelOnScreen(const nlohmann::json& gltf) {
    std::size_t compared = 0;
    expectSameTree(gltf.at("nodes"), gltf.at("scenes").at(0).at("nodes").at(0).get<std::size_t>(),
                   *(*currentModel)->root, (*currentModel)->name, compared);
    EXPECT_EQ(compared, gltf.at("nodes").size());
}

TEST(ExportState, AnEditedFiguresLinkWritesTheMatricesThePageComputes) {
    const ScratchFolder folder("export-state");
    const Exported run = exportLink(folder, editedFigure);
    ASSERT_TRUE(run.status && run.status->exited) << run.log;
    // The edit left out and the edit refused are said, each in one line, and the run goes on.
    EXPECT_EQ(run.status->code, 0) << run.log;
    EXPECT_NE(run.log.find("scene-export: --state: edit=figure/2,1,w,1: the field is x, y, z or "
                           "angle\n"),
              std::string::npos)
        << run.log;
    EXPECT_NE(run.log.find("figure/9"), std::string::npos) << run.log;
    EXPECT_EQ(std::count(run.log.begin(), run.log.end(), '\n'), 2) << run.log;

    playHere(editedFigure);
    ASSERT_EQ(document.editedNodes(), 3u) << "the shoulder, the arm and the body";
    expectFileIsModelOnScreen(run.gltf);
    resetApplication();
}

// A learner's own hierarchy: the left arm moved under the head keeping its place in the world,
// a ball tree added to the right hand, the left leg deleted, between runs of steps. The file has
// the new hierarchy, its names and the matrices the page computes.
TEST(ExportState, ARebuiltFiguresLinkWritesItsNewHierarchy) {
    const std::string rebuilt =
        "keys=n&steps=30&move=figure/3/1,figure/1,world&add=figure/4/1/1/1,tree,3"
        "&delete=figure/6&steps=30";
    const ScratchFolder folder("export-rebuilt");
    const Exported run = exportLink(folder, rebuilt);
    ASSERT_TRUE(run.status && run.status->exited && run.status->code == 0) << run.log;
    EXPECT_EQ(run.log, "");
    std::vector<std::string> names;
    for (const nlohmann::json& node : run.gltf.at("nodes")) {
        names.push_back(node.value("name", ""));
    }
    const auto has = [&names](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_TRUE(has("ball tree 1 under arm at +x, limb 3"));
    EXPECT_TRUE(has("ball 7"));
    EXPECT_FALSE(has("leg at -x"));

    playHere(rebuilt);
    EXPECT_EQ(document.nameOf(NodePath{1, {0, 0}}), "arm at -x") << "now under the head";
    expectFileIsModelOnScreen(run.gltf);
    resetApplication();
}

}  // namespace
}  // namespace scene_export
