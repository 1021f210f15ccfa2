// scene-export's files read by other engines' code: the Khronos glTF validator, and three.js's
// glTF loader drawing them in headless Chromium from the viewer's own viewpoint, where their
// silhouette must be the one scene-capture draws of the same state.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/camera.h"
#include "app_state.h"
#include "capture_runner.h"
#include "golden_cases.h"
#include "harness/child_process.h"
#include "harness/x_server.h"
#include "page_script.h"
#include "scratch_folder.h"
#include "tree_queries.h"

namespace browser {
namespace {

// One state of the viewer, reached as scene-capture reaches it.
struct ExportState {
    const char* model;  // "chain", "figure", "fan" or "tree"
    int modelIndex;     // how many "next model" keys reach it
    int depth;
    int viewpoint;
    int frames;
    int animate = 0;  // steps exported as an animation after the frames, drawn at its end

    std::string name() const {
        return std::string(model) + "-d" + std::to_string(depth) + "-v" +
               std::to_string(viewpoint) + "-f" + std::to_string(frames) +
               (animate > 0 ? "-a" + std::to_string(animate) : "");
    }
    std::string keys() const {
        return std::string(static_cast<std::size_t>(depth - 1), '+') +
               std::string(static_cast<std::size_t>(modelIndex), 'x') + std::to_string(viewpoint);
    }
    // The nodes of the model on screen: the tree's balls and the figure's and fan's counts as
    // they are known; the chain's as the viewer's own catalogue builds it.
    std::size_t nodes() const {
        if (modelIndex == 1) {
            return 13;
        }
        if (modelIndex == 2) {
            return 141;
        }
        if (modelIndex == 3) {
            return (std::size_t{1} << depth) - 1;
        }
        resetApplication();
        buildSceneAtDepth(depth);
        const std::size_t count = nodeCount(modelRoot(0));
        resetApplication();
        return count;
    }
};

// Every model at depths 1 and 4 (the figure and the fan are the same at any depth); the chain
// and the tree at each depth from 1 to 6; from every viewpoint, after a few frames each.
std::vector<ExportState> exportStates() {
    std::vector<ExportState> states{
        {"figure", 1, 1, 1, 7}, {"fan", 2, 1, 3, 10}, {"figure", 1, 4, 2, 5}, {"fan", 2, 4, 1, 3}};
    for (int depth = 1; depth <= 6; ++depth) {
        states.push_back({"chain", 0, depth, 1 + depth % 3, depth + 2});
        states.push_back({"tree", 3, depth, 1 + (depth + 1) % 3, 3 * depth});
    }
    return states;
}

// Animations played by three.js to their last keyframe: three quarters of the tree's turn (its
// balls' connectors follow the turning children), 600 steps of the figure, a few of the chain.
std::vector<ExportState> animatedStates() {
    return {{"tree", 3, 4, 3, 5, 450}, {"figure", 1, 1, 3, 0, 600}, {"chain", 0, 5, 2, 2, 90}};
}

// "eye,centre,up" of the viewer's camera at a viewpoint, for the three.js page.
std::string cameraOf(int viewpoint) {
    camera.restoreDefaults();
    camera.applyViewpoint(viewpoint);
    const Vec3 centre = camera.eye + camera.direction;
    std::ostringstream text;
    text.precision(17);
    for (const Vec3& v : {camera.eye, centre, camera.up}) {
        text << v.x << ',' << v.y << ',' << v.z << (&v == &camera.up ? "" : ",");
    }
    camera.restoreDefaults();
    return text.str();
}

// Runs a program to its end (at most a minute) with its output in `logPath`; its output, or
// why it failed.
::testing::AssertionResult runToEnd(const std::string& path, const std::vector<std::string>& args,
                                    const std::string& logPath) {
    e2e::LaunchOptions options;
    options.path = path;
    options.args = args;
    options.logPath = logPath;
    e2e::ChildProcess process(options);
    const auto status = process.waitForExit(std::chrono::minutes(1));
    std::ifstream log(logPath);
    const std::string output{std::istreambuf_iterator<char>(log), {}};
    if (!status || !status->exited || status->code != 0) {
        return ::testing::AssertionFailure()
               << path << " " << (status ? status->describe() : "did not end") << ":\n"
               << output;
    }
    return ::testing::AssertionSuccess() << output;
}

// Whether a pixel is the model's or the axes', not the clear colour (0.2, 0.2, 0.7).
bool covered(const image::RgbImage& image, int x, int y) {
    const image::Rgb p = image.at(x, y);
    return std::abs(p.r - 51) > 24 || std::abs(p.g - 51) > 24 || std::abs(p.b - 178) > 24;
}

// The share of the pixels that one picture covers and the other does not.
double silhouetteDifference(const image::RgbImage& a, const image::RgbImage& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.width() == 0) {
        return 1.0;
    }
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += covered(a, x, y) != covered(b, x, y);
        }
    }
    return static_cast<double>(differing) / (a.width() * a.height());
}

// Drawn by three.js with its own rasteriser and lines one pixel wide where the viewer's are
// three, the edges of a silhouette may move by a pixel: at most this share of the picture.
constexpr double silhouetteTolerance = 0.005;

class ExportedModels : public ::testing::Test {
  protected:
    std::string file(const std::string& name) const { return (scratch.path() / name).string(); }

    ScratchFolder scratch{"exported-models"};
};

// Every state exported as binary glTF, and animated for 30 steps as glTF with JSON: the
// validator finds no error and no warning in any of them.
TEST_F(ExportedModels, PassTheKhronosValidator) {
    std::vector<std::string> files;
    for (const ExportState& s : exportStates()) {
        const std::string keys = s.keys(), frames = std::to_string(s.frames);
        ASSERT_TRUE(
            runToEnd(SCENE_EXPORT_EXECUTABLE,
                     {"--keys", keys, "--frames", frames, "--output", file(s.name() + ".glb")},
                     file("export.log")));
        ASSERT_TRUE(runToEnd(SCENE_EXPORT_EXECUTABLE,
                             {"--keys", keys, "--frames", frames, "--animate", "30", "--output",
                              file(s.name() + "-animated.gltf")},
                             file("export.log")));
        files.push_back(file(s.name() + ".glb"));
        files.push_back(file(s.name() + "-animated.gltf"));
    }
    std::vector<std::string> args{VALIDATE_GLTF_SCRIPT};
    args.insert(args.end(), files.begin(), files.end());
    const ::testing::AssertionResult validation =
        runToEnd(e2e::findExecutable("node"), args, file("validator.log"));
    ASSERT_TRUE(validation);

    std::istringstream report(validation.message());
    std::size_t reported = 0;
    for (std::string line; std::getline(report, line);) {
        if (line.rfind("= ", 0) == 0) {
            ++reported;
            EXPECT_EQ(line.substr(0, 6), "= 0 0 ") << validation.message();
        }
    }
    EXPECT_EQ(reported, files.size()) << validation.message();
}

// three.js loads every state with exactly the model's nodes and, seen from the viewer's
// viewpoint, draws the silhouette that scene-capture draws; played to their ends, the
// animations show the state that scene-capture draws after their steps.
TEST_F(ExportedModels, DrawInThreeJsWithTheViewersSilhouette) {
    const std::unique_ptr<e2e::XServer> server = e2e::XServer::startOrAttach(file("xvfb.log"));
    PageScript script(THREE_PAGE_FOLDER);
    script.mount("/three/", NODE_MODULES_FOLDER "/three/")
        .mount("/models/", scratch.path().string() + "/");
    std::vector<ExportState> states = exportStates();
    for (const ExportState& s : animatedStates()) {
        states.push_back(s);
    }
    for (const ExportState& s : states) {
        const std::string keys = s.keys(), frames = std::to_string(s.frames);
        ASSERT_TRUE(runToEnd(SCENE_EXPORT_EXECUTABLE,
                             {"--keys", keys, "--frames", frames, "--animate",
                              std::to_string(s.animate), "--output", file(s.name() + ".glb")},
                             file("export.log")));
        // An animation's end is the state after its steps too.
        const scene_capture::CaptureRun run = scene_capture::runCapture(
            {"--keys", keys, "--frames", std::to_string(s.frames + s.animate), "--output",
             file(s.name() + ".capture.png")},
            server->display(), file("capture.log"));
        ASSERT_TRUE(run.succeeded()) << run.describe();
        script
            .open("?model=" + s.name() + ".glb&camera=" + cameraOf(s.viewpoint) +
                  "&time=" + std::to_string(s.animate / 60.0))
            .waitUntil("document.body.dataset.drawn || document.body.dataset.error")
            .read("document.body.dataset.error || window.exported.parser.json.nodes.length")
            .screenshot(file(s.name() + ".three.png"));
    }
    const PageScript::PageRun result = script.run(scratch.path().string());
    ASSERT_TRUE(result.succeeded) << result.failure << "\n" << result.log;
    ASSERT_EQ(result.values.size(), states.size()) << result.log;
    for (std::size_t i = 0; i < states.size(); ++i) {
        const ExportState& s = states[i];
        EXPECT_EQ(result.values[i], std::to_string(s.nodes())) << s.name();
        const double difference =
            silhouetteDifference(golden::readPicture(file(s.name() + ".three.png")),
                                 golden::readPicture(file(s.name() + ".capture.png")));
        EXPECT_LE(difference, silhouetteTolerance) << s.name();
        RecordProperty(s.name(), std::to_string(difference));
    }
}

}  // namespace
}  // namespace browser
