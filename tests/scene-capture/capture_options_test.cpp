#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene-capture/capture_options.h"

namespace scene_capture {
namespace {

ParsedCommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

// The error of a command line that must be refused; fails when it is accepted.
std::string refusal(std::vector<std::string> args) {
    const ParsedCommandLine result = parseCommandLine(args);
    EXPECT_FALSE(result.options.has_value());
    EXPECT_FALSE(result.helpRequested);
    const std::string problem = result.problem.value_or("");
    EXPECT_FALSE(problem.empty());
    EXPECT_EQ(problem.find('\n'), std::string::npos) << "errors are one line";
    return problem;
}

TEST(CaptureOptions, ReadsAllThreeOptionsInEitherSpelling) {
    const ParsedCommandLine spaced =
        parse({"--keys", "++2x", "--frames", "10", "--output", "out/tree.png"});
    ASSERT_TRUE(spaced.options) << spaced.problem.value_or("");
    EXPECT_EQ(spaced.options->keys, "++2x");
    EXPECT_EQ(spaced.options->frames, 10);
    EXPECT_EQ(spaced.options->output, "out/tree.png");

    const ParsedCommandLine joined = parse({"--output=a.png", "--frames=0", "--keys=x x"});
    ASSERT_TRUE(joined.options) << joined.problem.value_or("");
    EXPECT_EQ(joined.options->keys, "x x");
    EXPECT_EQ(joined.options->frames, 0);
    EXPECT_EQ(joined.options->output, "a.png");
}

TEST(CaptureOptions, WithoutKeysOrFramesDrawsOneFrameOfTheStartState) {
    const ParsedCommandLine result = parse({"--output", "a.png"});
    ASSERT_TRUE(result.options) << result.problem.value_or("");
    EXPECT_EQ(result.options->keys, "");
    EXPECT_EQ(result.options->frames, 1);
}

TEST(CaptureOptions, KeyValuesMayLookLikeOptions) {
    // "-" lowers the depth, and a key script may start with it or with "--".
    const ParsedCommandLine minus = parse({"--keys", "-", "--output", "a.png"});
    ASSERT_TRUE(minus.options) << minus.problem.value_or("");
    EXPECT_EQ(minus.options->keys, "-");
    const ParsedCommandLine dashes = parse({"--keys", "--output", "--output", "a.png"});
    ASSERT_TRUE(dashes.options) << dashes.problem.value_or("");
    EXPECT_EQ(dashes.options->keys, "--output");
    EXPECT_EQ(dashes.options->output, "a.png");
}

TEST(CaptureOptions, EveryKeyButEscapeIsAccepted) {
    std::string all;
    for (int code = 1; code < 256; ++code) {
        if (code != 27) {
            all += static_cast<char>(code);
        }
    }
    const ParsedCommandLine result = parse({"--keys", all, "--output", "a.png"});
    ASSERT_TRUE(result.options) << result.problem.value_or("");
    EXPECT_EQ(result.options->keys, all);
}

TEST(CaptureOptions, EscapeInTheKeysIsRefusedAndItsPlaceNamed) {
    const std::string error = refusal({"--keys", "x+\x1b", "--output", "a.png"});
    EXPECT_NE(error.find("Escape"), std::string::npos) << error;
    EXPECT_NE(error.find("character 3"), std::string::npos) << error;
}

TEST(CaptureOptions, HelpAnywhereOnTheLineShowsTheHelp) {
    EXPECT_TRUE(parse({"--help"}).helpRequested);
    EXPECT_TRUE(parse({"-h"}).helpRequested);
    EXPECT_TRUE(parse({"--frames", "x", "--bogus", "--help"}).helpRequested);
    EXPECT_TRUE(parse({"--output", "a.png", "--help", "--bogus"}).helpRequested);
    // Unless it is the value of an option.
    const ParsedCommandLine keys = parse({"--keys", "--help", "--output", "a.png"});
    ASSERT_TRUE(keys.options) << keys.problem.value_or("");
    EXPECT_EQ(keys.options->keys, "--help");
    const std::string help = helpText();
    for (const char* option : {"--keys", "--frames", "--output", "--help", "xvfb-run -a"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

TEST(CaptureOptions, FramesMustBeAPlainNumberFromZeroToTheLimit) {
    // What a number of frames may be is the key script's (key_script_test.cpp); here, that the
    // option is read by its rules.
    const ParsedCommandLine padded = parse({"--frames", "00000001000000", "--output", "a.png"});
    ASSERT_TRUE(padded.options) << padded.problem.value_or("");
    EXPECT_EQ(padded.options->frames, 1000000);
    for (const char* bad : {"", "-1", "+5", " 5", "5 ", "1e3", "0x10", "2.5", "1000001",
                            "00000001000001", "99999999999999999999", "ten"}) {
        const std::string error = refusal({"--frames", bad, "--output", "a.png"});
        EXPECT_NE(error.find("--frames"), std::string::npos) << error;
    }
}

TEST(CaptureOptions, BadCommandLinesAreRefusedWithAReason) {
    EXPECT_NE(refusal({}).find("--output"), std::string::npos);
    EXPECT_NE(refusal({"--keys", "x"}).find("--output FILE is required"), std::string::npos);
    EXPECT_NE(refusal({"--output", ""}).find("empty"), std::string::npos);
    EXPECT_NE(refusal({"--output="}).find("empty"), std::string::npos);
    EXPECT_NE(refusal({"--output"}).find("--output needs a value"), std::string::npos);
    EXPECT_NE(refusal({"--output", "a.png", "--keys"}).find("--keys needs a value"),
              std::string::npos);
    EXPECT_NE(refusal({"--output", "a.png", "--bogus"}).find("unknown option '--bogus'"),
              std::string::npos);
    EXPECT_NE(refusal({"--output", "a.png", "--keysx"}).find("unknown option"), std::string::npos);
    EXPECT_NE(refusal({"--output", "a.png", "stray"}).find("unexpected argument 'stray'"),
              std::string::npos);
    EXPECT_NE(refusal({"--output", "a.png", "--output", "b.png"}).find("more than once"),
              std::string::npos);
    EXPECT_NE(refusal({"--frames=1", "--frames", "2", "--output", "a.png"}).find("more than once"),
              std::string::npos);
    // An unknown option comes before a refused value.
    EXPECT_NE(refusal({"--frames", "x", "--bogus"}).find("'--bogus'"), std::string::npos);
}

TEST(CaptureOptions, StateTakesThePagesQueryInPlaceOfKeysAndFrames) {
    const ParsedCommandLine state =
        parse({"--state", "?keys=x&steps=40&edit=figure/3,1,angle,45", "--output", "a.png"});
    ASSERT_TRUE(state.options) << state.problem.value_or("");
    EXPECT_EQ(state.options->state, "?keys=x&steps=40&edit=figure/3,1,angle,45");
    EXPECT_TRUE(state.options->notes.empty());
    const ParsedCommandLine empty = parse({"--state=", "--output", "a.png"});
    ASSERT_TRUE(empty.options) << empty.problem.value_or("");
    EXPECT_EQ(empty.options->state, "");
    EXPECT_FALSE(parse({"--output", "a.png"}).options->state);

    // A parameter that cannot be read is left out with its line, and the rest is played.
    const ParsedCommandLine leftOut =
        parse({"--state", "keys=x&edit=figure/3,1,w,1&steps=2", "--output", "a.png"});
    ASSERT_TRUE(leftOut.options) << leftOut.problem.value_or("");
    EXPECT_EQ(leftOut.options->notes,
              std::vector<std::string>{"--state: edit=figure/3,1,w,1: the field is x, y, z "
                                       "or angle"});

    // Not together with the keys and frames it replaces, nor a query that cannot be played.
    EXPECT_EQ(refusal({"--state", "steps=3", "--keys", "x", "--output", "a.png"}),
              "--keys is not allowed with --state: the query holds the keys (keys=...)");
    EXPECT_EQ(refusal({"--frames=0", "--output", "a.png", "--state", ""}),
              "--frames is not allowed with --state: the query holds the steps (steps=N)");
    EXPECT_EQ(refusal({"--state", "steps=3&frames=2", "--output", "a.png"}),
              "--state: frames: not together with steps; write each run of steps as steps=N");
    EXPECT_EQ(refusal({"--state", "http://host/index.html?steps=-1", "--output", "a.png"}),
              "--state: steps: '-1' is not a whole number from 0 to 1000000");
    EXPECT_EQ(refusal({"--state", "steps=1&keys=x%1B", "--output", "a.png"}),
              "--state: keys: Escape (character 2) is not allowed: it would end the program "
              "before the picture is written");
    EXPECT_EQ(refusal({"--state", "keys=x"}), "--output FILE is required");
}

}  // namespace
}  // namespace scene_capture
