// The viewer's frame loop in the web page, in its three states (live, scripted, held). The
// viewer's own callbacks run inside wrappers that note what happens (keys, steps, frames) for
// the address, and that spread the address's script over animation frames.
#include "page_loop.h"

#include <GL/glut.h>
#include <emscripten.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "address_publishing.h"
#include "address_reading.h"
#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"
#include "app/model_catalogue.h"
#include "app/platform.h"
#include "node_selection.h"
#include "page_bridge.h"
#include "page_input.h"
#include "script_player.h"

namespace explorer {
namespace {

enum class Mode { live, scripted, held };
Mode mode = Mode::live;

ScriptRecorder recorder;
AddressPublisher publisher;
std::optional<ScriptPlayer> player;
// The steps that the address's script runs in all, for the page once it is held.
int scriptSteps = 0;
// Keys typed while the address's script plays, handed over after it.
std::vector<unsigned char> typedMeanwhile;

// What a rebuild or the next model changes: the nodes the page knows of are gone.
struct Shown {
    ModelList::iterator model;
    const SceneNode* root;
    int depth;
};
Shown shownModel{};
OutlineNodes nodes;

// The normal that the last frame started with, for a held frame drawn again.
std::array<float, 3> frameStartNormal{0, 0, 1};
// A held picture is drawn again only when the page asks (a node selected, say).
bool redrawHeld = false;

constexpr double sliceMilliseconds = 10.0;
double sliceEnd = 0.0;

Shown modelOnScreen() {
    return {currentModel, (*currentModel)->root, recursionDepth};
}

void typeKey(unsigned char key) {
    recorder.addKey(key);
    if (const std::optional<std::string> problem = pressKey(key)) {
        bridge::problem(*problem);
    }
    const Shown now = modelOnScreen();
    const bool rebuilt =
        now.model != shownModel.model || now.root != shownModel.root ||
        (now.depth != shownModel.depth && (*now.model == chainSlot || *now.model == treeSlot));
    shownModel = now;
    if (rebuilt) {
        node_selection::clear();
        nodes.startGeneration(**currentModel);
        bridge::modelChanged(nodes.generation());
    }
    publisher.changedByUser();
    bridge::stateChanged(animating, recursionDepth);
}

void idleCall() {
    if (animating) {
        recorder.addStep();
    }
    onIdle();
}

// One step of the model on screen, paused or not.
void forcedStep() {
    recorder.addStep();
    stepOnce();
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
    recorder.markShown();
}

void pageDisplay() {
    if (mode == Mode::scripted || (mode == Mode::held && !redrawHeld)) {
        return;  // the script draws its own frames; a held one stays as it is
    }
    redrawHeld = false;
    drawShownFrame();
    if (mode == Mode::live) {
        publisher.publish(recorder);
    }
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

void finishScript() {
    player.reset();
    mode = Mode::held;
    publisher.alreadyShown(recorder);
    bridge::held(scriptSteps);
    if (!typedMeanwhile.empty()) {
        goLive();
        for (const unsigned char key : typedMeanwhile) {
            typeKey(key);
        }
        typedMeanwhile.clear();
    }
}

void pageIdle() {
    switch (mode) {
        case Mode::live:
            idleCall();
            break;
        case Mode::held:
            break;
        case Mode::scripted:
            sliceEnd = emscripten_get_now() + sliceMilliseconds;
            if (player->play(timeLeft)) {
                finishScript();
            } else {
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
    typeKey(key);
}

void stepCommand() {
    if (mode == Mode::scripted) {
        return;
    }
    goLive();
    forcedStep();
    publisher.changedByUser();
}

}  // namespace

bool scriptPlaying() {
    return mode == Mode::scripted;
}

OutlineNodes& shownNodes() {
    return nodes;
}

const ScriptRecorder& shownHistory() {
    return recorder;
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
    shownModel = modelOnScreen();
    nodes.startGeneration(**currentModel);

    // A script that cannot be read is reported, and the viewer runs live.
    std::optional<AddressScript> script;
    if (const std::optional<std::string> problem = readAddressScript(addressParameters(), script)) {
        bridge::problem(*problem);
    }
    if (script) {
        mode = Mode::scripted;
        for (const ScriptEntry& entry : script->entries) {
            scriptSteps += entry.steps;
        }
        player.emplace(std::move(*script),
                       ScriptActions{typeKey, idleCall, forcedStep, drawShownFrame});
    }
    bridge::started(mode == Mode::scripted);
    glutMainLoop();
}

}  // namespace explorer

void runFrameLoop() {
    explorer::run();
}
