#include "libraries/command_line/option_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace command_line {
namespace {

// Two options of a made-up program: --name takes anything, --size refuses all but digits.
struct MadeUpProgram {
    std::vector<std::string> taken;

    OptionsRead read(const std::vector<std::string>& args) {
        taken.clear();
        const std::vector<OptionHandler> handlers = {
            {"--name", [this](const std::string& v) { return take("name", v); }},
            {"--size",
             [this](const std::string& v) {
                 return v.find_first_not_of("0123456789") == std::string::npos
                            ? take("size", v)
                            : "--size: '" + v + "' is no size";
             }},
        };
        return readOptions(args, handlers);
    }

    std::string take(const std::string& what, const std::string& value) {
        taken.push_back(what + "=" + value);
        return {};
    }
};

TEST(OptionReader, ValuesComeSeparateOrAttachedAndMayLookLikeOptions) {
    MadeUpProgram program;
    const OptionsRead read = program.read({"--size=12", "--name", "--size"});
    EXPECT_EQ(read.error, "");
    EXPECT_FALSE(read.helpRequested);
    EXPECT_EQ(program.taken, (std::vector<std::string>{"size=12", "name=--size"}));
    // "--sizes" is not "--size" with something attached.
    EXPECT_EQ(program.read({"--sizes=1"}).error, "unknown option '--sizes=1'");
}

TEST(OptionReader, TheFirstProblemIsReportedAndHelpAnywhereOverridesIt) {
    MadeUpProgram program;
    EXPECT_EQ(program.read({"--size", "x", "stray", "--name"}).error, "--size: 'x' is no size");
    EXPECT_EQ(program.read({"stray", "-"}).error, "unexpected argument 'stray'");
    EXPECT_EQ(program.read({"--name", "a", "--name=b"}).error, "--name is given more than once");
    EXPECT_EQ(program.read({"--name"}).error, "--name needs a value");
    const OptionsRead help = program.read({"--bad", "--size", "x", "-h"});
    EXPECT_TRUE(help.helpRequested);
    EXPECT_EQ(help.error, "") << "the help is asked for, whatever else is wrong";
}

}  // namespace
}  // namespace command_line
