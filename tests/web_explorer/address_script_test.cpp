#include "address_script.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace explorer {
namespace {

using Parameters = std::vector<std::pair<std::string, std::string>>;

std::string describe(const AddressScript& script) {
    std::string text = script.idleCalls ? "frames:" : "steps:";
    for (const ScriptEntry& entry : script.entries) {
        text += " [" + entry.keys + "|" + std::to_string(entry.steps) + "]";
    }
    return text;
}

std::string read(const Parameters& parameters) {
    std::optional<AddressScript> script;
    if (const std::optional<std::string> problem = readAddressScript(parameters, script)) {
        return "error: " + *problem;
    }
    return script ? describe(*script) : "live";
}

// Splits a query written by the recorder into its decoded parameters, as the page's address
// reader (URLSearchParams) gives them.
Parameters parametersOf(const std::string& query) {
    Parameters parameters;
    std::size_t at = 1;
    while (at < query.size()) {
        std::size_t end = query.find('&', at);
        if (end == std::string::npos) {
            end = query.size();
        }
        const std::string part = query.substr(at, end - at);
        const std::size_t equals = part.find('=');
        std::string value;
        for (std::size_t i = equals + 1; i < part.size(); ++i) {
            if (part[i] == '%') {
                value += static_cast<char>(std::stoi(part.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                value += part[i];
            }
        }
        parameters.emplace_back(part.substr(0, equals), value);
        at = end + 1;
    }
    return parameters;
}

TEST(AddressScript, TheCaptureFormKeepsItsMeaning) {
    EXPECT_EQ(read({}), "live");
    EXPECT_EQ(read({{"other", "1"}}), "live");
    EXPECT_EQ(read({{"keys", "+++x3"}, {"frames", "10"}}), "frames: [+++x3|10]");
    // One frame when not given; the first of repeated parameters counts.
    EXPECT_EQ(read({{"keys", "x"}}), "frames: [x|1]");
    EXPECT_EQ(read({{"frames", "0"}, {"keys", "x"}, {"frames", "7"}}), "frames: [x|0]");
    EXPECT_EQ(read({{"keys", "x"}, {"frames", "12x"}}),
              "error: frames: '12x' is not a whole number from 0 to 1000000");
}

TEST(AddressScript, StepsInterleaveWithKeysInOrder) {
    EXPECT_EQ(
        read({{"steps", "120"}, {"keys", "x"}, {"steps", "0"}, {"keys", " "}, {"steps", "5"}}),
        "steps: [|120] [x|0] [ |5]");
    // Keys without steps after them still have their frame; empty keys are nothing.
    EXPECT_EQ(read({{"keys", "x"}, {"keys", ""}, {"keys", "2"}, {"steps", "3"}, {"steps", "4"}}),
              "steps: [x|0] [2|7]");
    EXPECT_EQ(read({{"steps", "1000000"}, {"steps", "1"}}), "steps: [|1000000] [|1]");
    EXPECT_EQ(read({{"keys", "x"}, {"steps", "-1"}}),
              "error: steps: '-1' is not a whole number from 0 to 1000000");
    EXPECT_EQ(read({{"steps", "1"}, {"frames", "1"}}),
              "error: frames: not together with steps; write each run of steps as steps=N");
}

// An address of more pairs than the page plays in a few minutes is refused whole, with its count;
// one at the limit plays.
TEST(AddressScript, AnAddressPastTheLimitIsRefusedWhole) {
    std::vector<std::pair<std::string, std::string>> parameters;
    for (std::size_t i = 0; i < maxAddressParameters / 2; ++i) {
        parameters.emplace_back("steps", "1");
        parameters.emplace_back("keys", "x");
    }
    std::optional<AddressScript> script;
    EXPECT_EQ(readAddressScript(parameters, script), std::nullopt);
    ASSERT_TRUE(script);
    EXPECT_EQ(script->entries.size(), maxAddressParameters / 2 + 1);
    parameters.emplace_back("steps", "1");
    EXPECT_EQ(readAddressScript(parameters, script),
              "the address has 20001 parameters, more than the 20000 a page plays; the viewer "
              "runs live");
    EXPECT_FALSE(script);
}

// What the live page records reads back as the same keys and steps, each set of keys typed
// before one frame apart from those of the next.
TEST(AddressScript, TheRecordReadsBackAsTheStateShown) {
    ScriptRecorder recorder;
    EXPECT_EQ(recorder.shownQuery(), "");
    recorder.addStep();
    recorder.markShown();
    recorder.addStep();
    recorder.markShown();
    EXPECT_EQ(recorder.shownQuery(), "?steps=2");
    for (const unsigned char key : std::string("+x")) {
        recorder.addKey(key);
    }
    recorder.markShown();
    recorder.addKey(' ');
    recorder.addKey('&');
    recorder.markShown();
    recorder.addStep();
    recorder.markShown();
    // A step after the last frame is not on screen yet.
    recorder.addStep();
    const std::string query = recorder.shownQuery();
    EXPECT_EQ(query, "?steps=2&keys=%2Bx&steps=0&keys=%20%26&steps=1");
    EXPECT_EQ(read(parametersOf(query)), "steps: [|2] [+x|0] [ &|1]");

    const std::uint64_t version = recorder.shownVersion();
    recorder.markShown();
    EXPECT_EQ(recorder.shownVersion(), version + 1);
    recorder.markShown();
    EXPECT_EQ(recorder.shownVersion(), version + 1);
}

}  // namespace
}  // namespace explorer
