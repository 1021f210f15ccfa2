#include "app/script_player.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// What the player did, one letter an action: the key itself, "i" an idle call, "s" a step and
// "|" a frame shown.
std::string actions;
int budget = 0;

void apply(const Edit& edit) {
    switch (edit.kind) {
        case Edit::Kind::keys:
            actions += edit.keys;
            break;
        case Edit::Kind::idle:
            actions += 'i';
            break;
        case Edit::Kind::steps:
            actions += 's';
            break;
        default:
            actions += 'e';
            break;
    }
}
void show() {
    actions += '|';
}
bool timeLeft() {
    return --budget > 0;
}

// A script told as "K:keys", "S:n" (steps), "I:n" (idle calls) and "E" (an edit).
std::vector<Edit> script(std::initializer_list<std::string> entries) {
    std::vector<Edit> edits;
    for (const std::string& entry : entries) {
        if (entry[0] == 'K') {
            edits.push_back(Edit::typed(entry.substr(2)));
        } else if (entry[0] == 'S') {
            edits.push_back(Edit::stepped(std::stoi(entry.substr(2))));
        } else if (entry[0] == 'I') {
            edits.push_back(Edit::idled(std::stoi(entry.substr(2))));
        } else {
            edits.push_back(Edit::undone());
        }
    }
    return edits;
}

std::string play(std::vector<Edit> edits, int slice,
                 std::function<bool(unsigned char)> ready = {}) {
    actions.clear();
    ScriptPlayer player(std::move(edits), {apply, show, {}, {}, std::move(ready)});
    int slices = 0;
    do {
        budget = slice;
        ++slices;
    } while (!player.play(timeLeft) && slices < 1000);
    EXPECT_EQ(player.done(), player.total());
    return actions;
}

// As scene-capture runs --keys and --frames: the start frame, the keys, then each idle call
// with its frame; 0 frames shows the keys' frame. Of a run only the first and the last frame
// are drawn, and the last before a slice ends: the axes take their shade from the frame
// before, which only a key can change.
TEST(ScriptPlayer, RunsTheCaptureFormAsSceneCaptureDoesDrawingOnlyWhatCanMatter) {
    EXPECT_EQ(play(script({"K:x3", "I:0"}), 1000), "|x3|");
    EXPECT_EQ(play(script({"K:x", "I:1"}), 1000), "|xi|");
    EXPECT_EQ(play(script({"K:x", "I:5"}), 1000), "|xi|iiii|");
    EXPECT_EQ(play(script({"K:", "I:3"}), 1000), "|i|ii|");
    EXPECT_EQ(play(script({"K:", "I:0"}), 1000), "||");
}

// Edits between them draw nothing, but the last entry's frame is drawn whatever it is.
TEST(ScriptPlayer, RunsInterleavedKeysStepsAndEditsEachKeysWithItsFrame) {
    EXPECT_EQ(play(script({"S:2", "K:x", "K: ", "E", "S:3", "E"}), 1000), "|s|s|x| |es|ss|e|");
}

// However the script is cut into slices, the same actions, with a frame at each slice's end
// inside a run.
TEST(ScriptPlayer, SlicesChangeNothingButTheFramesInsideARun) {
    EXPECT_EQ(play(script({"K:x2", "I:6"}), 3), "|x2i|iii|ii|");
    EXPECT_EQ(play(script({"K:x2", "I:6"}), 1), "|x2i|i|i|i|i|i|");
}

// A key that is not ready yet (its tree still being built) ends the slice; the script goes on
// with it, in order, once it is, and plays as it would have without waiting.
TEST(ScriptPlayer, AKeyNotYetReadyWaitsInItsPlace) {
    int asked = 0;
    const auto buildingTwice = [&asked](unsigned char key) { return key != '+' || ++asked > 2; };
    const std::vector<Edit> edits = script({"K:x+n", "S:3", "K:+", "E"});
    const std::string direct = play(edits, 1000);
    EXPECT_EQ(play(edits, 1000, buildingTwice), direct);
    EXPECT_EQ(asked, 4) << "asked until ready, for each '+'";
}

}  // namespace
