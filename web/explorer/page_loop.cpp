// The viewer's frame loop in the web page, and what the page asks of the viewer: its outline,
// the selected node and its matrices, picking, the buttons' keys and steps, and the address
// that follows the state. The viewer's own callbacks run inside wrappers that note what
// happens (keys, steps, frames) for the address, and that spread the address's script over
// animation frames.
#include <GL/glut.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "address_script.h"
#include "app/frame_loop.h"
#include "app/key_script.h"
#include "app/keyboard.h"
#include "app/model_catalogue.h"
#include "app/model_outline.h"
#include "app/platform.h"
#include "libraries/gl_subset/matrix_stack.h"
#include "node_picking.h"
#include "node_selection.h"
#include "page_input.h"
#include "scene/tree_walks.h"
#include "script_player.h"
#include "webgl_backend.h"

namespace {

// clang-format off
// The address's parameters, read one by one: their count, and the name or value of one,
// written into the buffer when it fits; the length in bytes either way.
EM_JS(int, addressParameterCount, (), {
    return Array.from(new URLSearchParams(window.location.search)).length;
});
EM_JS(int, readAddressPart, (int index, int part, char* buffer, int capacity), {
    const text = Array.from(new URLSearchParams(window.location.search))[index][part];
    const length = lengthBytesUTF8(text);
    if (length < capacity)
        stringToUTF8(text, buffer, capacity);
    return length;
});
EM_JS(void, tellPage, (const char* event, double a, double b), {
    const handler = Module[UTF8ToString(event)];
    if (handler)
        handler(a, b);
});
EM_JS(void, showAddress, (const char* query), {
    const address = window.location.pathname + UTF8ToString(query) + window.location.hash;
    try {
        window.history.replaceState(null, "", address);
    } catch (error) {
        console.error("the address cannot follow the state: " + error.message);
    }
});
// clang-format on

std::string addressPart(int index, int part) {
    std::string text(64, '\0');
    int length = readAddressPart(index, part, text.data(), static_cast<int>(text.size()));
    if (length >= static_cast<int>(text.size())) {
        text.resize(static_cast<std::size_t>(length) + 1);
        length = readAddressPart(index, part, text.data(), static_cast<int>(text.size()));
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

enum class Mode { live, scripted, held };
Mode mode = Mode::live;

ScriptRecorder recorder;
std::optional<ScriptPlayer> player;
// Keys typed while the address's script plays, handed over after it.
std::vector<unsigned char> typedMeanwhile;

// What a rebuild or the next model changes: the nodes the page knows of are gone.
struct Shown {
    ModelList::iterator model;
    const SceneNode* root;
    int depth;
};
Shown shownModel{};
int generation = 1;

struct Known {
    NodeLabel label;
    const SceneNode* parent;
};
// The nodes the outline has listed so far, with their labels; its children are named from
// them on demand.
std::unordered_map<const SceneNode*, Known> known;

// The address is written after a key at once, and while animating a few times a second.
double lastPublished = 0.0;
std::uint64_t publishedVersion = 0;
bool keyUnpublished = false;
constexpr double publishInterval = 300.0;

// The normal that the last frame started with, for a held frame drawn again.
std::array<float, 3> frameStartNormal{0, 0, 1};
// A held picture is drawn again only when the page asks (a node selected, say).
bool redrawHeld = false;

constexpr double sliceMilliseconds = 10.0;
double sliceEnd = 0.0;

Shown modelOnScreen() {
    return {currentModel, (*currentModel)->root, recursionDepth};
}

void forgetNodes() {
    known.clear();
    const ModelSlot& slot = **currentModel;
    known.emplace(slot.root, Known{rootLabel(slot), nullptr});
}

void typeKey(unsigned char key) {
    recorder.addKey(key);
    onKeyboard(key, 0, 0);
    const Shown now = modelOnScreen();
    const bool rebuilt =
        now.model != shownModel.model || now.root != shownModel.root ||
        (now.depth != shownModel.depth && (*now.model == chainSlot || *now.model == treeSlot));
    shownModel = now;
    if (rebuilt) {
        ++generation;
        node_selection::clear();
        forgetNodes();
        tellPage("onModelChanged", generation, 0);
    }
    keyUnpublished = true;
    tellPage("onStateChanged", animating ? 1 : 0, recursionDepth);
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

void publishAddress(bool now) {
    if (recorder.shownVersion() == publishedVersion) {
        return;
    }
    const double time = emscripten_get_now();
    if (!now && !keyUnpublished && time - lastPublished < publishInterval) {
        return;
    }
    publishedVersion = recorder.shownVersion();
    lastPublished = time;
    keyUnpublished = false;
    showAddress(recorder.shownQuery().c_str());
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

void requestFrame() {
    redrawHeld = true;
    glutPostRedisplay();
}

void pageDisplay() {
    if (mode == Mode::scripted || (mode == Mode::held && !redrawHeld)) {
        return;  // the script draws its own frames; a held one stays as it is
    }
    redrawHeld = false;
    drawShownFrame();
    if (mode == Mode::live) {
        publishAddress(false);
    }
    if (!node_selection::path().empty()) {
        tellPage("onFrame", 0, 0);
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

void finishScript(int heldSteps) {
    player.reset();
    mode = Mode::held;
    // The address already says what the picture shows.
    publishedVersion = recorder.shownVersion();
    tellPage("onHeld", heldSteps, 0);
    if (!typedMeanwhile.empty()) {
        goLive();
        for (const unsigned char key : typedMeanwhile) {
            typeKey(key);
        }
        typedMeanwhile.clear();
    }
}

int scriptSteps = 0;

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
                finishScript(scriptSteps);
            } else {
                tellPage("onScriptProgress", static_cast<double>(player->done()),
                         static_cast<double>(player->total()));
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
    keyUnpublished = true;
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string describeNode(const SceneNode* node, const std::string& name) {
    return "{\"id\":" + std::to_string(reinterpret_cast<std::uintptr_t>(node)) +
           ",\"name\":" + jsonString(name) + ",\"className\":" + jsonString(node->className()) +
           ",\"children\":" + std::to_string(node->children.size()) + "}";
}

// The answer handed to JavaScript, kept until the next.
std::string answer;

const SceneNode* knownNode(int forGeneration, double id) {
    if (forGeneration != generation || mode == Mode::scripted) {
        return nullptr;
    }
    const auto* node = reinterpret_cast<const SceneNode*>(static_cast<std::uintptr_t>(id));
    return known.contains(node) ? node : nullptr;
}

}  // namespace

void runFrameLoop() {
    glutKeyboardFunc(pageKeyboard);
    glutDisplayFunc(pageDisplay);
    glutIdleFunc(pageIdle);
    shownModel = modelOnScreen();
    forgetNodes();

    std::vector<std::pair<std::string, std::string>> parameters;
    const int count = addressParameterCount();
    for (int i = 0; i < count; ++i) {
        parameters.emplace_back(addressPart(i, 0), addressPart(i, 1));
    }
    // A script that cannot be read is reported, and the viewer runs live.
    std::optional<AddressScript> script;
    if (const std::optional<std::string> problem = readAddressScript(parameters, script)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
    }
    if (script) {
        mode = Mode::scripted;
        for (const ScriptEntry& entry : script->entries) {
            scriptSteps += entry.steps;
        }
        player.emplace(std::move(*script),
                       ScriptActions{typeKey, idleCall, forcedStep, drawShownFrame});
    }
    tellPage("onStarted", mode == Mode::scripted ? 1 : 0, 0);
    glutMainLoop();
}

extern "C" {

// The model on screen: its generation (which a rebuild or the next model ends) and its root.
EMSCRIPTEN_KEEPALIVE const char* page_model() {
    const ModelSlot& slot = **currentModel;
    answer = "{\"generation\":" + std::to_string(generation) +
             ",\"model\":" + jsonString(slot.name) +
             ",\"depth\":" + std::to_string(recursionDepth) +
             ",\"paused\":" + (animating ? "false" : "true") +
             ",\"root\":" + describeNode(slot.root, known.at(slot.root).label.name) + "}";
    return answer.c_str();
}

// The children of a node the page knows, named as scene-export names them; null when the
// node is not one of the model on screen.
EMSCRIPTEN_KEEPALIVE const char* page_children(int forGeneration, double id) {
    const SceneNode* node = knownNode(forGeneration, id);
    if (node == nullptr) {
        return "null";
    }
    const NodeLabel parentLabel = known.at(node).label;
    std::vector<NodeLabel> labels = childLabels(**currentModel, *node, parentLabel);
    answer = "[";
    auto label = labels.begin();
    for (const SceneNode* child : node->children) {
        answer += (answer.size() > 1 ? "," : "") + describeNode(child, label->name);
        known.insert_or_assign(child, Known{std::move(*label), node});
        ++label;
    }
    answer += "]";
    return answer.c_str();
}

// Selects a node the page knows; returns the number of nodes below it, or -1.
EMSCRIPTEN_KEEPALIVE double page_select(int forGeneration, double id) {
    const SceneNode* node = knownNode(forGeneration, id);
    if (node == nullptr) {
        return -1;
    }
    std::vector<const SceneNode*> path;
    for (const SceneNode* at = node; at != nullptr; at = known.at(at).parent) {
        path.insert(path.begin(), at);
    }
    node_selection::select(std::move(path));
    requestFrame();
    return static_cast<double>(countBelow(*node));
}

EMSCRIPTEN_KEEPALIVE void page_clear_selection() {
    node_selection::clear();
    requestFrame();
}

// The nodes from the root down to the one drawn under canvas pixel (x, y), as ids in a JSON
// array; empty when there is none.
EMSCRIPTEN_KEEPALIVE const char* page_pick(double x, double y) {
    answer = "[]";
    if (mode == Mode::scripted) {
        return answer.c_str();
    }
    const gl_subset::Matrix product =
        gl_subset::multiply(gl_subset::projectionMatrix(), gl_subset::modelviewMatrix());
    Mat4 m;
    for (std::size_t i = 0; i < 16; ++i) {
        m.m[i] = product[i];
    }
    const std::optional<Ray> ray =
        rayThroughPixel(m, x, y, webgl::viewportWidth(), webgl::viewportHeight());
    if (!ray) {
        return answer.c_str();
    }
    const std::vector<const SceneNode*> path = pickNode(*(*currentModel)->root, *ray);
    answer = "[";
    for (const SceneNode* node : path) {
        answer +=
            (answer.size() > 1 ? "," : "") + std::to_string(reinterpret_cast<std::uintptr_t>(node));
    }
    answer += "]";
    return answer.c_str();
}

// The selected node's local and world matrices as of the last frame: 32 doubles.
EMSCRIPTEN_KEEPALIVE const double* page_matrices() {
    return node_selection::matrices().data();
}

// The address of the picture on screen, without waiting for its next update.
EMSCRIPTEN_KEEPALIVE const char* page_address() {
    answer = recorder.shownQuery();
    return answer.c_str();
}

EMSCRIPTEN_KEEPALIVE void page_key(int key) {
    page_input::queueKey(static_cast<unsigned char>(key));
}

EMSCRIPTEN_KEEPALIVE void page_step() {
    page_input::queueCommand(stepCommand);
}

}  // extern "C"
