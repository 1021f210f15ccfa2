#include "libraries/command_line/option_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace command_line {
namespace {

// Two options of a made-up program: --name takes anything, --size refuses all but digits.
struct MadeUpProgram {
    std::vector<std::string> taken;

    Reading read(const std::vector<std::string>& args) {
        taken.clear();
        OptionReader reader;
        reader.add("--name", [this](const std::string& v) { return take("name", v); });
        reader.add("--size", [this](const std::string& v) -> std::optional<std::string> {
            if (v.find_first_not_of("0123456789") != std::string::npos) {
                return "--size: '" + v + "' is no size";
            }
            return take("size", v);
        });
        return reader.read(args);
    }

    std::optional<std::string> take(const std::string& what, const std::string& value) {
        taken.push_back(what + "=" + value);
        return std::nullopt;
    }
};

TEST(OptionReader, ValuesComeSeparateOrAttachedAndMayLookLikeOptions) {
    MadeUpProgram program;
    const Reading read = program.read({"--size=12", "--name", "--size"});
    EXPECT_EQ(read.problem, std::nullopt);
    EXPECT_FALSE(read.helpRequested);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=--size", "size=12"}));
    // An attached value may be empty, and a separate one may be "-" or the help's name.
    EXPECT_EQ(program.read({"--name=", "--size", "1"}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=", "size=1"}));
    EXPECT_EQ(program.read({"--name", "-h"}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=-h"}));
    EXPECT_EQ(program.read({"--name", "--size="}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=--size="}));
    // "--sizes" is not "--size" with something attached.
    EXPECT_EQ(program.read({"--sizes=1"}).problem, "unknown option '--sizes=1'");
}

TEST(OptionReader, TheFirstProblemIsReportedAndHelpAnywhereOverridesIt) {
    MadeUpProgram program;
    EXPECT_EQ(program.read({"--size", "x", "--name", "a"}).problem, "--size: 'x' is no size");
    EXPECT_EQ(program.read({"--size", "x", "stray", "-"}).problem, "unexpected argument 'stray'");
    EXPECT_EQ(program.read({"--name", "a", "--name=b"}).problem, "--name is given more than once");
    EXPECT_EQ(program.read({"--size", "1", "--name"}).problem, "--name needs a value");
    const Reading help = program.read({"--bad", "--size", "x", "-h", "--name"});
    EXPECT_TRUE(help.helpRequested);
    EXPECT_EQ(help.problem, std::nullopt) << "the help is asked for, whatever else is wrong";
    EXPECT_TRUE(program.read({"--name", "a", "--name", "b", "--help"}).helpRequested);
}

TEST(OptionReader, DoubleDashEndsTheOptionsAndWhatFollowsIsAStrayArgument) {
    MadeUpProgram program;
    // "--" alone at the end changes nothing.
    EXPECT_EQ(program.read({"--name", "a", "--"}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=a"}));
    EXPECT_EQ(program.read({"--"}).problem, std::nullopt);
    // After it, an option's name is an operand, and so is anything else.
    EXPECT_EQ(program.read({"--name", "a", "--", "--size", "1"}).problem,
              "unexpected argument '--size'");
    EXPECT_EQ(program.read({"--", "--name=a"}).problem, "unexpected argument '--name=a'");
    EXPECT_EQ(program.read({"--", "--bad"}).problem, "unexpected argument '--bad'");
    EXPECT_EQ(program.read({"--", "-"}).problem, "unexpected argument '-'");
    EXPECT_EQ(program.read({"--", "file"}).problem, "unexpected argument 'file'");
    EXPECT_EQ(program.read({"--", "--"}).problem, "unexpected argument '--'");
    // The help's names too: after "--" they ask for nothing.
    const Reading help = program.read({"--size", "1", "--", "--help"});
    EXPECT_FALSE(help.helpRequested);
    EXPECT_EQ(help.problem, "unexpected argument '--help'");
    EXPECT_EQ(program.read({"--", "-h"}).problem, "unexpected argument '-h'");
    // Before it, the help and the problems are what they were; the first on the line counts.
    EXPECT_TRUE(program.read({"-h", "--", "x"}).helpRequested);
    EXPECT_EQ(program.read({"--bad", "--", "x"}).problem, "unknown option '--bad'");
    EXPECT_EQ(program.read({"stray", "--", "x"}).problem, "unexpected argument 'stray'");
    EXPECT_EQ(program.read({"--size", "x", "--", "y"}).problem, "unexpected argument 'y'");
    EXPECT_EQ(program.read({"--size", "--"}).problem, "--size: '--' is no size");
    // As a value, "--" is a value, and the options go on after it.
    EXPECT_EQ(program.read({"--name", "--", "--size", "2"}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=--", "size=2"}));
    EXPECT_EQ(program.read({"--name=--", "--size=3"}).problem, std::nullopt);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"name=--", "size=3"}));
}

}  // namespace
}  // namespace command_line
