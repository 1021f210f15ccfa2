#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "harness/child_process.h"
#include "libraries/gltf/gltf_document.h"
#include "libraries/gltf/pose.h"
#include "sanitizer.h"
#include "scratch_folder.h"

// The scene-export program as a user runs it, its files read back by tinygltf's own reader.
namespace scene_export {
namespace {

struct ExportRun {
    std::optional<e2e::ExitStatus> status;
    std::string log;  // standard output and error
    int code() const { return status && status->exited ? status->code : -1; }
};

class ExportCommand : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return (folder_.path() / name).string(); }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    ExportRun run(const std::vector<std::string>& args,
                  std::optional<std::uint64_t> addressSpaceLimit = std::nullopt) {
        e2e::LaunchOptions options;
        options.path = SCENE_EXPORT_EXECUTABLE;
        options.args = args;
        // No display: it needs none.
        options.environment = {
            {"DISPLAY", ""}, {"ASAN_OPTIONS", "exitcode=66"}, {"UBSAN_OPTIONS", "exitcode=66"}};
        options.addressSpaceLimit = addressSpaceLimit;
        options.logPath = path("run.log");
        ExportRun result;
        {
            e2e::ChildProcess process(options);
            result.status = process.waitForExit(std::chrono::seconds(120));
        }
        std::ifstream in(options.logPath);
        std::stringstream text;
        text << in.rdbuf();
        result.log = text.str();
        std::filesystem::remove(options.logPath);
        return result;
    }

    // Exports and reads the file back; fails the test when either goes wrong.
    tinygltf::Model exported(const std::string& keys, int frames, int animate,
                             const std::string& name = "model.glb") {
        const ExportRun result =
            run({"--keys", keys, "--frames", std::to_string(frames), "--animate",
                 std::to_string(animate), "--output", path(name)});
        EXPECT_EQ(result.code(), 0) << result.log;
        tinygltf::Model model;
        tinygltf::TinyGLTF reader;
        std::string error, warning;
        const bool read = name.ends_with(".glb")
                              ? reader.LoadBinaryFromFile(&model, &error, &warning, path(name))
                              : reader.LoadASCIIFromFile(&model, &error, &warning, path(name));
        EXPECT_TRUE(read) << error;
        EXPECT_EQ(warning, "");
        return model;
    }

    ScratchFolder folder_{"scene-export-test"};
};

// The names of the root's subtree, parents first, each child after its elder siblings'.
void walk(const tinygltf::Model& model, int node, std::vector<std::string>& names) {
    names.push_back(model.nodes[static_cast<std::size_t>(node)].name);
    for (const int child : model.nodes[static_cast<std::size_t>(node)].children) {
        walk(model, child, names);
    }
}

std::vector<std::string> namesInOrder(const tinygltf::Model& model) {
    std::vector<std::string> names;
    EXPECT_EQ(model.scenes.size(), 1u);
    EXPECT_EQ(model.scenes[0].nodes.size(), 1u) << "one root";
    walk(model, model.scenes[0].nodes[0], names);
    EXPECT_EQ(names.size(), model.nodes.size()) << "every node is in the tree, once";
    return names;
}

int nodeNamed(const tinygltf::Model& model, const std::string& name) {
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        if (model.nodes[i].name == name) {
            return static_cast<int>(i);
        }
    }
    ADD_FAILURE() << "no node " << name;
    return 0;
}

Mat4 matrixOf(const tinygltf::Node& node) {
    Mat4 m;
    if (node.matrix.size() == 16) {
        std::copy(node.matrix.begin(), node.matrix.end(), m.m);
    }
    return m;
}

template <class T>
std::vector<T> values(const tinygltf::Model& model, int accessorIndex) {
    const tinygltf::Accessor& accessor = model.accessors[static_cast<std::size_t>(accessorIndex)];
    const tinygltf::BufferView& view =
        model.bufferViews[static_cast<std::size_t>(accessor.bufferView)];
    const unsigned char* data = model.buffers[static_cast<std::size_t>(view.buffer)].data.data() +
                                view.byteOffset + accessor.byteOffset;
    const std::size_t count =
        accessor.count * static_cast<std::size_t>(tinygltf::GetNumComponentsInType(
                             static_cast<std::uint32_t>(accessor.type)));
    std::vector<T> out(count);
    std::memcpy(out.data(), data, count * sizeof(T));
    return out;
}

TEST_F(ExportCommand, EveryModelHasExactlyItsNodesInTheirOrderAndNamedForTheirPlace) {
    const std::vector<std::string> figure = namesInOrder(exported("x", 0, 0));
    EXPECT_EQ(figure, (std::vector<std::string>{
                          "figure", "head", "body", "shoulder at -x", "arm at -x",
                          "arm at -x, limb 2", "arm at -x, limb 3", "shoulder at +x", "arm at +x",
                          "arm at +x, limb 2", "arm at +x, limb 3", "leg at +x", "leg at -x"}));

    const std::vector<std::string> fan = namesInOrder(exported("xx", 0, 0, "fan.gltf"));
    ASSERT_EQ(fan.size(), 141u);
    EXPECT_EQ(fan[1], "spoke 0");
    EXPECT_EQ(fan[2], "chain 0");
    EXPECT_EQ(fan[7], "chain 0, limb 6");
    EXPECT_EQ(fan[140], "chain 19, limb 6");

    EXPECT_EQ(namesInOrder(exported("++", 0, 0)),
              (std::vector<std::string>{"chain", "limb 1", "limb 2", "limb 3"}));
    EXPECT_EQ(namesInOrder(exported("+xxx", 0, 0)),
              (std::vector<std::string>{"ball 1", "ball 2", "ball 3"}));
    const tinygltf::Model tree = exported("++++xxx", 0, 0);
    EXPECT_EQ(namesInOrder(tree).size(), 31u);
    const auto& ball2 = tree.nodes[static_cast<std::size_t>(nodeNamed(tree, "ball 2"))];
    EXPECT_EQ(ball2.children,
              (std::vector<int>{nodeNamed(tree, "ball 4"), nodeNamed(tree, "ball 5")}));
}

TEST_F(ExportCommand, NodesThatDrawTheSameShareOneMesh) {
    const tinygltf::Model tree = exported("+++xxx", 0, 0);
    ASSERT_EQ(tree.nodes.size(), 15u);
    std::set<int> meshes;
    for (const tinygltf::Node& node : tree.nodes) {
        meshes.insert(node.mesh);
    }
    EXPECT_EQ(meshes.size(), 2u) << "the balls with children, and those without";
    const tinygltf::Mesh& inner = tree.meshes[static_cast<std::size_t>(tree.nodes[0].mesh)];
    const tinygltf::Mesh& leaf = tree.meshes[static_cast<std::size_t>(
        tree.nodes[static_cast<std::size_t>(nodeNamed(tree, "ball 15"))].mesh)];
    ASSERT_EQ(inner.primitives.size(), 2u);
    ASSERT_EQ(leaf.primitives.size(), 1u);
    EXPECT_EQ(inner.primitives[0].mode, TINYGLTF_MODE_LINE);
    EXPECT_EQ(tree.materials[static_cast<std::size_t>(inner.primitives[0].material)].name, "red");
    EXPECT_EQ(inner.primitives[1].attributes, leaf.primitives[0].attributes)
        << "one sphere, stored once";
    EXPECT_EQ(tree.materials[static_cast<std::size_t>(leaf.primitives[0].material)].name, "white");

    const tinygltf::Model figure = exported("x", 0, 0);
    const auto meshOf = [&figure](const char* name) {
        return figure.nodes[static_cast<std::size_t>(nodeNamed(figure, name))].mesh;
    };
    EXPECT_EQ(meshOf("arm at -x"), meshOf("arm at +x, limb 3")) << "every arm limb";
    EXPECT_EQ(meshOf("leg at -x"), meshOf("leg at +x"));
    EXPECT_NE(meshOf("leg at -x"), meshOf("arm at -x")) << "longer";
    EXPECT_NE(meshOf("head"), meshOf("body")) << "smaller";
    EXPECT_EQ(meshOf("figure"), -1);
    EXPECT_EQ(meshOf("shoulder at -x"), -1);
    EXPECT_EQ(figure.meshes.size(), 4u);
}

// The animation's last keyframe against the same state exported still, for the models whose
// nodes move at every level: the figure's arms, and the tree, which turns once in 600 steps.
TEST_F(ExportCommand, TheLastKeyframeIsThePoseThatAsManyMoreFramesExport) {
    for (const std::string keys : {"x", "++xxx"}) {
        const tinygltf::Model animated = exported(keys, 5, 600, "animated.gltf");
        const tinygltf::Model still = exported(keys, 605, 0, "still.glb");
        ASSERT_EQ(animated.nodes.size(), still.nodes.size());
        ASSERT_EQ(animated.animations.size(), 1u) << keys;
        const tinygltf::Animation& animation = animated.animations[0];
        std::map<std::pair<int, std::string>, int> outputOf;
        for (const tinygltf::AnimationChannel& channel : animation.channels) {
            const tinygltf::AnimationSampler& sampler =
                animation.samplers[static_cast<std::size_t>(channel.sampler)];
            const std::vector<float> times = values<float>(animated, sampler.input);
            ASSERT_EQ(times.size(), 601u);
            EXPECT_EQ(times.back(), 10.0f) << "600 steps at 60 a second";
            outputOf[{channel.target_node, channel.target_path}] = sampler.output;
        }
        std::size_t moving = 0;
        for (std::size_t i = 0; i < still.nodes.size(); ++i) {
            const Mat4 expected = matrixOf(still.nodes[i]);
            const int node = static_cast<int>(i);
            if (!outputOf.contains({node, "rotation"})) {
                EXPECT_EQ(matrixOf(animated.nodes[i]).m[13], expected.m[13]) << keys << " " << i;
                continue;
            }
            ++moving;
            const std::vector<float> t = values<float>(animated, outputOf[{node, "translation"}]);
            const std::vector<float> r = values<float>(animated, outputOf[{node, "rotation"}]);
            const std::vector<float> s = values<float>(animated, outputOf[{node, "scale"}]);
            ASSERT_EQ(r.size(), 601u * 4);
            gltf::Pose last;
            std::copy(t.end() - 3, t.end(), last.translation.begin());
            std::copy(r.end() - 4, r.end(), last.rotation.begin());
            last.scale = s.back();
            EXPECT_TRUE(
                gltf::agreesToSinglePrecision(gltf::composedMatrix(last), expected, last.scale))
                << keys << ": " << still.nodes[i].name;
        }
        // The figure's six arm limbs; every ball of the tree.
        EXPECT_EQ(moving, keys == "x" ? 6u : 7u) << keys;

        // The tree's connectors follow the children: the lines at the last keyframe, morphed
        // by its weights, are the lines of the still export.
        if (keys == "x") {
            continue;
        }
        const int top = nodeNamed(animated, "ball 1");
        ASSERT_TRUE(outputOf.contains({top, "weights"}));
        const std::vector<float> weights = values<float>(animated, outputOf[{top, "weights"}]);
        const tinygltf::Primitive& lines =
            animated
                .meshes[static_cast<std::size_t>(
                    animated.nodes[static_cast<std::size_t>(top)].mesh)]
                .primitives[0];
        ASSERT_EQ(lines.mode, TINYGLTF_MODE_LINE);
        ASSERT_EQ(weights.size(), 601 * lines.targets.size());
        std::vector<float> morphed = values<float>(animated, lines.attributes.at("POSITION"));
        for (std::size_t t = 0; t < lines.targets.size(); ++t) {
            const float w = weights[600 * lines.targets.size() + t];
            const std::vector<float> moved =
                values<float>(animated, lines.targets[t].at("POSITION"));
            for (std::size_t k = 0; k < morphed.size(); ++k) {
                morphed[k] += w * moved[k];
            }
        }
        const tinygltf::Primitive& stillLines =
            still.meshes[static_cast<std::size_t>(still.nodes[static_cast<std::size_t>(top)].mesh)]
                .primitives[0];
        const std::vector<float> expected =
            values<float>(still, stillLines.attributes.at("POSITION"));
        ASSERT_EQ(morphed.size(), expected.size());
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_NEAR(morphed[k], expected[k], 1e-6) << "coordinate " << k;
        }
        EXPECT_NE(values<float>(animated, lines.attributes.at("POSITION")), expected)
            << "the connectors have moved";
    }
}

TEST_F(ExportCommand, BadInputGetsOneLineNamingItAndLeavesNoFile) {
    std::filesystem::create_directory(path("folder.glb"));
    {
        std::ofstream kept(path("kept.glb"));
        kept << "not to be clobbered";
    }
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"--output", path("model.obj")}, 2, "ends in neither .glb"},
        {{"--output", path("kept.glb"), "--keys", "x\x1b"}, 2, "Escape (character 2)"},
        {{"--output", path("kept.glb"), "--frames", "ten"}, 2, "--frames: 'ten'"},
        {{"--output", path("kept.glb"), "--animate", "-5"}, 2, "--animate: '-5'"},
        {{"--output", path("kept.glb"), "--", "--keys", "x"}, 2, "unexpected argument '--keys'"},
        {{"--output", path("folder.glb")}, 1, "folder.glb: it is a folder"},
        {{"--output", path("missing/model.glb")}, 1, "missing/model.glb: No such file"},
    };
    for (const auto& c : cases) {
        const ExportRun result = run(c.args);
        EXPECT_EQ(result.code(), c.status) << result.log;
        EXPECT_TRUE(result.log.starts_with("scene-export: ")) << result.log;
        EXPECT_NE(result.log.find(c.said), std::string::npos) << result.log;
        EXPECT_EQ(std::count(result.log.begin(), result.log.end(), '\n'), 1) << result.log;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"folder.glb", "kept.glb"}));
    EXPECT_TRUE(std::filesystem::is_empty(path("folder.glb")));
    std::ifstream kept(path("kept.glb"));
    std::string content;
    std::getline(kept, content);
    EXPECT_EQ(content, "not to be clobbered");
}

// On a terminal an export shows how far it is, its keys, frames and animation's steps in one
// line rewritten in place and erased at the end; through a file, as in every other test here,
// it shows nothing.
TEST_F(ExportCommand, AnExportShowsItsStepsOnATerminalOnly) {
    const std::string keys = std::string(9, '+') + "xxx";
    const std::string command = "script -qefc '" SCENE_EXPORT_EXECUTABLE " --keys " + keys +
                                " --frames 0 --animate 20 --output " + path("long.glb") +
                                "' /dev/null > " + path("terminal.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(path("terminal.txt"));
    const std::string shown{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(shown.find("\rscene-export: "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" of 32 steps\033[K"), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("\r\033[K")) << shown;

    const ExportRun piped =
        run({"--keys", keys, "--frames", "0", "--animate", "20", "--output", path("long.glb")});
    EXPECT_EQ(piped.code(), 0);
    EXPECT_EQ(piped.log, "");
}

// Each node of an animation costs the export several kilobytes beside what the viewer counts
// for the model, and each step of it more: the depth keys stop at a depth whose tree the export
// could write, whichever model ends on screen, and steps that would not fit are refused after
// the first, before the rest run and before anything is written.
TEST_F(ExportCommand, WhatWouldNotFitIsNeitherBuiltNorRun) {
    if (underAddressSanitizer) {
        GTEST_SKIP() << "the sanitizer reserves far more address space than the limit";
    }
    constexpr std::uint64_t limit = std::uint64_t{352} << 20;
    const std::string depth15 = std::string(14, '+') + "xxx";
    const ExportRun still =
        run({"--keys", depth15, "--frames", "0", "--output", path("still.glb")}, limit);
    EXPECT_EQ(still.code(), 0) << still.log;
    const ExportRun animated =
        run({"--keys", depth15, "--frames", "0", "--animate", "1", "--output", path("moving.glb")},
            limit);
    EXPECT_EQ(animated.code(), 0) << animated.log;
    EXPECT_NE(animated.log.find("; staying at depth 1"), std::string::npos) << animated.log;

    const ExportRun steps = run({"--keys", std::string(9, '+') + "xxx", "--frames", "0",
                                 "--animate", "1000000", "--output", path("steps.glb")},
                                limit);
    EXPECT_EQ(steps.code(), 1) << steps.log;
    EXPECT_NE(steps.log.find("animating the tree model's 1023 nodes for 1000000 steps needs"),
              std::string::npos)
        << steps.log;
    EXPECT_EQ(files(), (std::vector<std::string>{"moving.glb", "still.glb"}));
}

}  // namespace
}  // namespace scene_export
