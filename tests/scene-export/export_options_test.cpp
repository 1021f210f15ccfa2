#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene-export/export_options.h"

// scene-export's own command line: what it adds to the options it shares with scene-capture
// (whose reading capture_options_test.cpp tries in full).
namespace scene_export {
namespace {

std::string refusal(std::vector<std::string> args) {
    const ParsedCommandLine result = parseCommandLine(args);
    EXPECT_FALSE(result.options.has_value());
    const std::string problem = result.problem.value_or("");
    EXPECT_EQ(problem.find('\n'), std::string::npos) << "errors are one line";
    return problem;
}

TEST(ExportOptions, TheFileNameChoosesTheFormatAndAnimateCountsSteps) {
    const ParsedCommandLine binary =
        parseCommandLine({"--keys", "+x", "--frames=0", "--animate", "600", "--output", "a.GLB"});
    ASSERT_TRUE(binary.options) << binary.problem.value_or("");
    EXPECT_EQ(binary.options->format, gltf::GltfFormat::binary);
    EXPECT_EQ(binary.options->keys, "+x");
    EXPECT_EQ(binary.options->frames, 0);
    EXPECT_EQ(binary.options->animate, 600);

    const ParsedCommandLine json = parseCommandLine({"--output", "out.d/model.gltf"});
    ASSERT_TRUE(json.options) << json.problem.value_or("");
    EXPECT_EQ(json.options->format, gltf::GltfFormat::json);
    EXPECT_EQ(json.options->frames, 1) << "as scene-capture";
    EXPECT_EQ(json.options->animate, 0);
    EXPECT_TRUE(parseCommandLine({"--bogus", "--help"}).helpRequested);
}

TEST(ExportOptions, RefusalsNameTheOptionAndWhatIsWrongWithIt) {
    for (const char* name : {"model.png", "model", "model.glb.tmp", "glb", "dir.glb/model", "-"}) {
        EXPECT_NE(refusal({"--output", name}).find("neither .glb"), std::string::npos) << name;
    }
    EXPECT_EQ(refusal({"--output", "a.glb", "--animate", "-1"}),
              "--animate: '-1' is not a whole number from 0 to 1000000");
    EXPECT_EQ(refusal({"--output", "a.glb", "--frames", "1000001"}),
              "--frames: '1000001' is not a whole number from 0 to 1000000");
    EXPECT_EQ(refusal({"--output", "a.glb", "--keys", "+\x1b"}),
              "--keys: Escape (character 2) is not allowed: it would end the program before "
              "the file is written");
    EXPECT_EQ(refusal({"--animate", "1", "--animate", "2", "--output", "a.glb"}),
              "--animate is given more than once");
    EXPECT_EQ(refusal({"--animate", "5"}), "--output FILE is required");
    EXPECT_EQ(refusal({"--output", "a.glb", "--state", "keys=%2B%1B"}),
              "--state: keys: Escape (character 2) is not allowed: it would end the program "
              "before the file is written");
}

}  // namespace
}  // namespace scene_export
