#include "app/edit_script.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string describe(const std::vector<Edit>& script) {
    std::string text;
    for (const Edit& edit : script) {
        switch (edit.kind) {
            case Edit::Kind::keys:
                text += " [" + edit.keys + "]";
                break;
            case Edit::Kind::steps:
                text += " s" + std::to_string(edit.count);
                break;
            case Edit::Kind::idle:
                text += " i" + std::to_string(edit.count);
                break;
            default:
                text += " " + queryOf({edit}, 1, 0).substr(1);
                break;
        }
    }
    return text;
}

std::string read(const QueryParameters& parameters) {
    std::optional<std::vector<Edit>> script;
    const std::optional<std::string> problem = readScript(parameters, script);
    if (problem && !script) {
        return "error: " + *problem;
    }
    return (script ? describe(*script) : "live") + (problem ? " / " + *problem : "");
}

TEST(EditScript, TheCaptureFormKeepsItsMeaning) {
    EXPECT_EQ(read({}), "live");
    EXPECT_EQ(read({{"other", "1"}}), "live");
    EXPECT_EQ(read({{"keys", "+++x3"}, {"frames", "10"}}), " [+++x3] i10");
    // One frame when not given; the first of repeated parameters counts.
    EXPECT_EQ(read({{"keys", "x"}}), " [x] i1");
    EXPECT_EQ(read({{"frames", "0"}, {"keys", "x"}, {"frames", "7"}}), " [x] i0");
    EXPECT_EQ(read({{"keys", "x"}, {"frames", "12x"}}),
              "error: frames: '12x' is not a whole number from 0 to 1000000");
}

TEST(EditScript, StepsKeysAndEditsInterleaveInOrder) {
    EXPECT_EQ(
        read({{"steps", "120"}, {"keys", "x"}, {"steps", "0"}, {"keys", " "}, {"steps", "5"}}),
        " s120 [x] s0 [ ] s5");
    EXPECT_EQ(read({{"keys", "x"}, {"keys", ""}, {"keys", "2"}, {"steps", "3"}, {"steps", "4"}}),
              " [x] [2] s7");
    EXPECT_EQ(read({{"steps", "1000000"}, {"steps", "1"}}), " s1000000 s1");
    EXPECT_EQ(read({{"edit", "figure/3,1,angle,45.5"},
                    {"steps", "2"},
                    {"reset", "tree/1/2"},
                    {"reset-model", "fan"},
                    {"undo", ""},
                    {"redo", ""}}),
              " edit=figure/3,1,angle,45.5 s2 reset=tree/1/2 reset-model=fan undo redo");
    EXPECT_EQ(read({{"keys", "x"}, {"steps", "-1"}}),
              "error: steps: '-1' is not a whole number from 0 to 1000000");
    EXPECT_EQ(read({{"steps", "1"}, {"frames", "1"}}),
              "error: frames: not together with steps; write each run of steps as steps=N");
}

// A program's --state: the query however it is pasted, and the start state for none.
TEST(EditScript, AStateIsTheQueryOfALinkOrTheStartState) {
    const auto state = [](std::string_view query) {
        std::optional<std::vector<Edit>> script;
        const std::optional<std::string> line = readStateQuery(query, script);
        return (script ? describe(*script) : "refused") + (line ? " / " + *line : "");
    };
    for (const char* query :
         {"keys=x&steps=3", "?keys=x&steps=3", "http://localhost:8000/index.html?keys=x&steps=3",
          "index.html?keys=x&steps=3#outline", "keys=x&steps=3#steps=9"}) {
        EXPECT_EQ(state(query), " [x] s3") << query;
    }
    // A "?" after the first parameter's name is the query's own: a key.
    EXPECT_EQ(state("keys=?x&steps=3"), " [?x] s3");
    EXPECT_EQ(state("keys=x&frames=4"), " [x] i4");
    for (const char* query : {"", "?", "http://localhost:8000/index.html", "index.html?#keys=x"}) {
        EXPECT_EQ(state(query), "") << query;
    }
    EXPECT_EQ(state("?steps=x"), "refused / steps: 'x' is not a whole number from 0 to 1000000");
    EXPECT_EQ(state("?steps=1&reset=robot"),
              " s1 / reset=robot: a path is a model (chain, figure, fan, tree, yours) and positions "
              "from 1, as figure/3/1");
}

// A malformed edit is left out with one line, the first, and a count of the rest; what is
// good still plays.
TEST(EditScript, AMalformedEditIsLeftOutAndTheRestIsRead) {
    EXPECT_EQ(read({{"edit", "figure/3,1,angle,nan"}, {"steps", "1"}}),
              " s1 / edit=figure/3,1,angle,nan: 'nan' is not a number");
    EXPECT_EQ(read({{"edit", "robot/1,1,x,1"},
                    {"edit", "figure/0,1,x,1"},
                    {"edit", "figure/1,1,w,1"},
                    {"edit", "figure/1,0,x,1"},
                    {"edit", "figure/1,1,x"},
                    {"edit", "figure/1,1,x,1e999"},
                    {"reset-model", "figure/1"},
                    {"steps", "1"}}),
              " s1 / edit=robot/1,1,x,1: a path is a model (chain, figure, fan, tree, yours) and "
              "positions from 1, as figure/3/1; 6 more left out");
}

// An address of more pairs than the page plays in a few minutes is refused whole, with its count;
// one at the limit plays.
TEST(EditScript, AnAddressPastTheLimitIsRefusedWhole) {
    QueryParameters parameters;
    for (std::size_t i = 0; i < maxAddressParameters / 2; ++i) {
        parameters.emplace_back("steps", "1");
        parameters.emplace_back("keys", "x");
    }
    std::optional<std::vector<Edit>> script;
    EXPECT_EQ(readScript(parameters, script), std::nullopt);
    ASSERT_TRUE(script);
    EXPECT_EQ(script->size(), maxAddressParameters);
    parameters.emplace_back("steps", "1");
    EXPECT_EQ(readScript(parameters, script),
              "the address has 20001 parameters, more than the 20000 a page plays; the viewer "
              "runs live");
    EXPECT_FALSE(script);
}

// A history written as a query and decoded as a browser decodes it reads back as the same
// history, every value to the bit.
TEST(EditScript, AHistoryWrittenAsAQueryReadsBackTheSame) {
    const std::vector<Edit> history = {
        Edit::stepped(2),
        Edit::typed("+x &%"),
        Edit::set(NodePath{1, {2}}, 0, StepField::angle, 0.1 + 0.2),
        Edit::stepped(7),
        Edit::set(NodePath{3, {0, 1, 1}}, 1, StepField::z, -1.0 / 3.0),
        Edit::resetOf(NodePath{2, {}}),
        Edit::resetOfModel(0),
        Edit::undone(),
        Edit::redone(),
    };
    const std::string query = queryOf(history, history.size(), 7);
    EXPECT_EQ(query.substr(0, 38), "?steps=2&keys=%2Bx%20%26%25&steps=0&ed");
    std::optional<std::vector<Edit>> script;
    EXPECT_EQ(readScript(parseQuery(query), script), std::nullopt);
    ASSERT_TRUE(script);
    std::vector<Edit> expected = history;
    expected.insert(expected.begin() + 2, Edit::stepped(0));
    ASSERT_EQ(script->size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(describe({(*script)[i]}), describe({expected[i]})) << i;
        EXPECT_EQ((*script)[i].value, expected[i].value) << i;
        EXPECT_EQ((*script)[i].node, expected[i].node) << i;
    }
    // What the last frame showed: the first entries, the last run of steps as far as shown.
    EXPECT_EQ(queryOf(history, 4, 3),
              "?steps=2&keys=%2Bx%20%26%25&steps=0&edit=figure/3,1,angle,"
              "0.30000000000000004&steps=3");
    EXPECT_EQ(queryOf(history, 0, 0), "");
}

TEST(EditScript, AQueryIsDecodedAsABrowserDecodesIt) {
    EXPECT_EQ(parseQuery("?a=1&&b=x+y%2B%zz&c&=d&e=%4"),
              (QueryParameters{{"a", "1"}, {"b", "x y+%zz"}, {"c", ""}, {"", "d"}, {"e", "%4"}}));
    EXPECT_EQ(parseQuery(""), QueryParameters{});
}

}  // namespace
