#include "script_player.h"

#include <gtest/gtest.h>

#include <string>

namespace explorer {
namespace {

// What the player did, one letter an action: the key itself, "i" an idle call, "s" a step and
// "|" a frame shown.
std::string actions;
int budget = 0;

void type(unsigned char key) {
    actions += static_cast<char>(key);
}
void idle() {
    actions += 'i';
}
void step() {
    actions += 's';
}
void show() {
    actions += '|';
}
bool timeLeft() {
    return --budget > 0;
}

std::string play(AddressScript script, int slice) {
    actions.clear();
    ScriptPlayer player(std::move(script), {type, idle, step, show});
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
    EXPECT_EQ(play({{{"x3", 0}}, true}, 1000), "|x3|");
    EXPECT_EQ(play({{{"x", 1}}, true}, 1000), "|xi|");
    EXPECT_EQ(play({{{"x", 5}}, true}, 1000), "|xi|iiii|");
    EXPECT_EQ(play({{{"", 3}}, true}, 1000), "|i|ii|");
}

TEST(ScriptPlayer, RunsInterleavedKeysAndStepsEachKeysWithItsFrame) {
    EXPECT_EQ(play({{{"", 2}, {"x", 0}, {" ", 3}}, false}, 1000), "|s|s|x| |s|ss|");
}

// However the script is cut into slices, the same actions, with a frame at each slice's end
// inside a run.
TEST(ScriptPlayer, SlicesChangeNothingButTheFramesInsideARun) {
    EXPECT_EQ(play({{{"x2", 6}}, true}, 3), "|x2i|iii|ii|");
    EXPECT_EQ(play({{{"x2", 6}}, true}, 1), "|x2i|i|i|i|i|i|");
}

}  // namespace
}  // namespace explorer
