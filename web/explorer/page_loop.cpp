// The viewer's frame loop in the web page, in its three states (live, scripted, held). The
// viewer's own callbacks run inside wrappers that note what happens (keys, steps, frames) for
// the address, and that spread the address's script over animation frames.
#include "page_loop.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "address_publishing.h"
#include "address_reading.h"
#include "app/edit_script.h"
#include "app/frame_loop.h"
#include "app/memory_guard.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "app/platform.h"
#include "app/script_player.h"
#include "node_selection.h"
#include "page_bridge.h"
#include "page_input.h"
#include "scene/subtree_disposer.h"

namespace explorer {
namespace {

enum class Mode { live, scripted, held };
Mode mode = Mode::live;

ShownHistory shown;
AddressPublisher publisher;
std::optional<ScriptPlayer> player;
// The steps that the address's script runs in all, for the page once it is held.
int scriptSteps = 0;
// Keys typed while the address's script plays, handed over after it.
std::vector<unsigned char> typedMeanwhile;

OutlineNodes nodes;

// The normal that the last frame started with, for a held frame drawn again.
std::array<float, 3> frameStartNormal{0, 0, 1};
// A held picture is drawn again only when the page asks (a node selected, say).
bool redrawHeld = false;

constexpr double sliceMilliseconds = 10.0;
double sliceEnd = 0.0;

// A tree this large takes longer than a frame to build: the depth key that asks for it waits
// while it is built ahead, a slice in each animation frame, and the keys and steps asked for
// after it wait behind it, in order. The picture keeps the model it has until then.
constexpr std::uint64_t ballsBuiltAtOnce = std::uint64_t{1} << 15;
constexpr std::uint64_t ballsPerSlice = 4096;
// Keys waiting, in order; stepAsked is Step.
constexpr int stepAsked = -1;
std::deque<int> waiting;
// What the page was last told of them.
std::size_t waitingTold = 0;

void tellWaiting() {
    if (waiting.size() != waitingTold) {
        waitingTold = waiting.size();
        bridge::keysWaiting(waitingTold);
    }
}

// The models the depth keys replaced, freed a slice in each animation frame.
SubtreeDisposer retired;
constexpr std::uint64_t nodesFreedPerSlice = 4096;

// A new build of the model on screen, or nodes of it moved, added or taken out: the ids the
// page holds are gone, and so is the selection, whose nodes may be. After a structural edit the
// page is handed the ids down to where the edited node now is.
void followModel(const Applied& applied) {
    if (!applied.modelReplaced && !applied.structureChanged) {
        return;
    }
    node_selection::clear();
    nodes.startGeneration(**currentModel);
    if (applied.modelReplaced) {
        bridge::modelChanged(nodes.generation());
        return;
    }
    std::vector<int> at;
    if (applied.at && applied.at->model == document.shownModel()) {
        at = nodes.idsOf(*applied.at);
    }
    bridge::structureChanged(nodes.generation(), at);
}

// Every change the page makes, and every one its address's script plays, goes through here to
// the document, and what it did goes on to the page.
void applyEdit(const Edit& edit) {
    const Applied applied = document.apply(edit);
    if (applied.line) {
        bridge::problem(*applied.line);
    }
    followModel(applied);
    if (edit.kind == Edit::Kind::keys) {
        bridge::stateChanged(animating, recursionDepth);
    }
    if (applied.restChanged) {
        bridge::historyChanged();
    }
    if (edit.kind != Edit::Kind::steps && edit.kind != Edit::Kind::idle) {
        publisher.changedByUser();
    }
}

void typeKey(unsigned char key) {
    applyEdit(Edit::typed(std::string(1, static_cast<char>(key))));
}

// The depth that `key` asks for; nothing for a key that is not a depth key.
std::optional<int> depthAsked(unsigned char key) {
    if (key == '+' || key == '=') {
        return recursionDepth + 1;
    }
    if (key == '-') {
        return std::max(recursionDepth - 1, 1);
    }
    return std::nullopt;
}

// Frees replaced trees for up to `milliseconds`; true once none is left.
bool freeRetired(double milliseconds) {
    const double end = emscripten_get_now() + milliseconds;
    while (!retired.advance(nodesFreedPerSlice)) {
        if (emscripten_get_now() >= end) {
            return false;
        }
    }
    return true;
}

// Whether `key` can be typed now: a depth key whose tree is large goes on building it for a
// slice, and is ready once the tree is whole (or is refused, or built in place, by the key).
bool keyReady(unsigned char key) {
    const std::optional<int> depth = depthAsked(key);
    if (!depth) {
        return true;
    }
    // The trees replaced before are freed first, so that the memory guard finds the room it
    // would find had they been freed at once, and answers as it would.
    if (!freeRetired(sliceMilliseconds)) {
        bridge::building(*depth, 0, 1);
        return false;
    }
    if (*depth == recursionDepth || treeBalls(*depth) < ballsBuiltAtOnce) {
        return true;
    }
    if (preparingDepth() != *depth && prepareDepth(*depth) != Preparation::started) {
        return true;
    }
    const double end = emscripten_get_now() + sliceMilliseconds;
    bool whole = false;
    do {
        whole = continuePreparing(ballsPerSlice);
    } while (!whole && emscripten_get_now() < end);
    const auto [built, total] = preparingProgress();
    bridge::building(*depth, whole ? total : built, total);
    return whole;
}

void drawShownFrame() {
    if (mode == Mode::held) {
        // The held state drawn again, as it was drawn: the axes are lit by the normal current.
        const double n[3] = {frameStartNormal[0], frameStartNormal[1], frameStartNormal[2]};
        glNormal3dv(n);
    }
    glGetFloatv(GL_CURRENT_NORMAL, frameStartNormal.data());
    node_selection::beforeFrame();
    drawFrame();
    node_selection::afterFrame();
    glutSwapBuffers();
    shown.markShown(document.history(), document.revision());
    document.keysShown();
}

void pageDisplay() {
    if (mode == Mode::scripted || (mode == Mode::held && !redrawHeld)) {
        return;  // the script draws its own frames; a held one stays as it is
    }
    redrawHeld = false;
    drawShownFrame();
    publisher.publish(shown, document.history());
    if (!node_selection::path().empty()) {
        bridge::frameDrawn();
    }
}

bool timeLeft() {
    return emscripten_get_now() < sliceEnd;
}

void goLive() {
    if (mode != Mode::held) {
        return;
    }
    mode = Mode::live;
    glutPostRedisplay();
}

void stepNow() {
    applyEdit(Edit::stepped(1));
    publisher.changedByUser();
    glutPostRedisplay();
}

// Types the keys and runs the steps that wait, in order, as far as the next one not ready, or
// until a slice's time is up (each depth key weighs the memory, which in the page walks the
// heap: deep trees make that slow, and thirty of them would hold the tab).
void typeWaiting() {
    const double end = emscripten_get_now() + sliceMilliseconds;
    while (!waiting.empty() && emscripten_get_now() < end) {
        const int next = waiting.front();
        if (next != stepAsked && !keyReady(static_cast<unsigned char>(next))) {
            break;
        }
        waiting.pop_front();
        if (next == stepAsked) {
            stepNow();
        } else {
            typeKey(static_cast<unsigned char>(next));
        }
    }
    tellWaiting();
}

// A key or Step asked for: at once unless something waits already; behind a key that waits, it
// waits its turn, and the next frame goes on with them.
void wait(int asked) {
    const bool first = waiting.empty();
    waiting.push_back(asked);
    if (first) {
        typeWaiting();
    } else {
        tellWaiting();
    }
}

void finishScript() {
    player.reset();
    mode = Mode::held;
    publisher.alreadyShown(shown);
    bridge::held(scriptSteps);
    if (!typedMeanwhile.empty()) {
        goLive();
        waiting.insert(waiting.end(), typedMeanwhile.begin(), typedMeanwhile.end());
        typedMeanwhile.clear();
        typeWaiting();
    }
}

void pageIdle() {
    freeRetired(sliceMilliseconds / 2);
    // While keys wait for a tree the model holds still, so that the steps come after the keys as
    // they were typed: the same state as had the tree been built at once.
    const bool keysWaited = mode != Mode::scripted && !waiting.empty();
    if (keysWaited) {
        typeWaiting();
    }
    switch (mode) {
        case Mode::live:
            if (!keysWaited) {
                onIdle();
            }
            break;
        case Mode::held:
            break;
        case Mode::scripted:
            sliceEnd = emscripten_get_now() + sliceMilliseconds;
            if (player->play(timeLeft)) {
                finishScript();
            } else if (preparingDepth() == 0) {
                // While a tree is built ahead, the line tells of the building.
                bridge::scriptProgress(player->done(), player->total());
            }
            break;
    }
}

void pageKeyboard(unsigned char key, int, int) {
    if (mode == Mode::scripted) {
        typedMeanwhile.push_back(key);
        return;
    }
    goLive();
    wait(key);
}

void stepCommand() {
    if (mode == Mode::scripted) {
        return;
    }
    goLive();
    wait(stepAsked);
}

}  // namespace

bool scriptPlaying() {
    return mode == Mode::scripted;
}

OutlineNodes& shownNodes() {
    return nodes;
}

std::string shownQuery() {
    return shown.query(document.history());
}

std::optional<std::string> edit(const Edit& edit) {
    if (mode == Mode::scripted) {
        return "the address's script is still playing; edit when it has finished";
    }
    if (!waiting.empty()) {
        return "the tree is still being built; edit when it is whole";
    }
    const Applied applied = document.apply(edit);
    if (applied.line && !applied.restChanged && !applied.structureChanged &&
        !applied.modelReplaced) {
        return applied.line;  // refused: nothing changed
    }
    followModel(applied);
    if (applied.restChanged) {
        bridge::historyChanged();
    }
    publisher.changedByUser();
    requestFrame();
    // Taken, with a line that says what became of it (a depth that fell back), or without.
    return applied.line;
}

void requestFrame() {
    redrawHeld = true;
    glutPostRedisplay();
}

void queueKey(unsigned char key) {
    web_gl::queueKey(key);
}

void queueStep() {
    web_gl::queueCommand(stepCommand);
}

void run() {
    glutKeyboardFunc(pageKeyboard);
    glutDisplayFunc(pageDisplay);
    glutIdleFunc(pageIdle);
    retireModelsWith([](SceneNode* root) { retired.add(root); });

    // The page has a fifth model to build on, after the four; the desktop viewer has not.
    addYourModel();
    nodes.startGeneration(**currentModel);
    document.keepHistory(true);

    // A script that cannot be read is reported, and the viewer runs live; a parameter left out
    // is reported, and the rest plays.
    std::optional<std::vector<Edit>> script;
    if (const std::optional<std::string> problem = readScript(addressParameters(), script)) {
        bridge::problem(*problem);
    }
    if (script) {
        mode = Mode::scripted;
        player.emplace(std::move(*script),
                       ScriptActions{applyEdit, drawShownFrame, {}, {}, keyReady});
        scriptSteps = static_cast<int>(player->steps());
    }
    bridge::started(mode == Mode::scripted);
    glutMainLoop();
}

}  // namespace explorer

void runFrameLoop() {
    explorer::run();
}
