// Both sides of the bridge declared in page_bridge.h: the page's calls handed to the parts of the
// explorer that answer them, and the viewer's events handed to bridge.js.
#include "page_bridge.h"

#include <emscripten.h>

#include <optional>
#include <string>
#include <utility>

#include "app/frame_loop.h"
#include "app/model_catalogue.h"
#include "app/model_document.h"
#include "node_selection.h"
#include "page_json.h"
#include "page_loop.h"
#include "page_selection.h"

namespace explorer::bridge {
namespace {

// clang-format off
EM_JS(void, sendStarted, (int scripted), { Module.events.started(scripted !== 0); });
EM_JS(void, sendScriptProgress, (double done, double total), {
    Module.events.scriptProgress(done, total);
});
EM_JS(void, sendHeld, (int steps), { Module.events.held(steps); });
EM_JS(void, sendBuilding, (int depth, double done, double total), {
    Module.events.building(depth, done, total);
});
EM_JS(void, sendKeysWaiting, (double count), { Module.events.keysWaiting(count); });
EM_JS(void, sendModelChanged, (int generation), { Module.events.modelChanged(generation); });
EM_JS(void, sendStructureChanged, (int generation, const char* at), {
    Module.events.structureChanged(generation, JSON.parse(UTF8ToString(at)));
});
EM_JS(void, sendStateChanged, (int animating, int depth), {
    Module.events.stateChanged(animating !== 0, depth);
});
EM_JS(void, sendFrameDrawn, (), { Module.events.frameDrawn(); });
EM_JS(void, sendHistoryChanged, (), { Module.events.historyChanged(); });
EM_JS(void, sendProblem, (const char* line), { Module.events.problem(UTF8ToString(line)); });
// clang-format on

}  // namespace

void started(bool scripted) {
    sendStarted(scripted ? 1 : 0);
}

void scriptProgress(std::uint64_t done, std::uint64_t total) {
    sendScriptProgress(static_cast<double>(done), static_cast<double>(total));
}

void held(int steps) {
    sendHeld(steps);
}

void building(int depth, std::uint64_t done, std::uint64_t total) {
    sendBuilding(depth, static_cast<double>(done), static_cast<double>(total));
}

void keysWaiting(std::size_t count) {
    sendKeysWaiting(static_cast<double>(count));
}

void modelChanged(int generation) {
    sendModelChanged(generation);
}

void structureChanged(int generation, const std::vector<int>& at) {
    sendStructureChanged(generation, idsJson(at).c_str());
}

void stateChanged(bool animating, int depth) {
    sendStateChanged(animating ? 1 : 0, depth);
}

void frameDrawn() {
    sendFrameDrawn();
}

void historyChanged() {
    sendHistoryChanged();
}

void problem(const std::string& line) {
    sendProblem(line.c_str());
}

}  // namespace explorer::bridge

namespace {

// The answer handed to JavaScript, kept until the next call.
std::string answer;

const char* answerWith(std::string text) {
    answer = std::move(text);
    return answer.c_str();
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* page_model() {
    return answerWith(
        explorer::modelJson(explorer::shownNodes(), **currentModel, recursionDepth, !animating));
}

EMSCRIPTEN_KEEPALIVE const char* page_children(int generation, double id) {
    explorer::OutlineNodes& nodes = explorer::shownNodes();
    if (explorer::scriptPlaying() || nodes.find(generation, id) == nullptr) {
        return "null";
    }
    return answerWith(explorer::childrenJson(nodes, static_cast<int>(id)));
}

EMSCRIPTEN_KEEPALIVE double page_select(int generation, double id) {
    const std::optional<std::uint64_t> below = explorer::selectNode(generation, id);
    return below ? static_cast<double>(*below) : -1.0;
}

EMSCRIPTEN_KEEPALIVE void page_clear_selection() {
    explorer::clearSelection();
}

EMSCRIPTEN_KEEPALIVE const char* page_pick(double x, double y) {
    return answerWith(explorer::idsJson(explorer::pickAt(x, y)));
}

EMSCRIPTEN_KEEPALIVE const char* page_handle(int generation, double id) {
    return answerWith(explorer::handleJsonOf(generation, id));
}

EMSCRIPTEN_KEEPALIVE const double* page_matrices() {
    return explorer::node_selection::matrices().data();
}

EMSCRIPTEN_KEEPALIVE const char* page_address() {
    return answerWith(explorer::shownQuery());
}

EMSCRIPTEN_KEEPALIVE void page_key(int key) {
    explorer::queueKey(static_cast<unsigned char>(key));
}

EMSCRIPTEN_KEEPALIVE void page_step() {
    explorer::queueStep();
}

EMSCRIPTEN_KEEPALIVE const char* page_rest(int generation, double id) {
    explorer::OutlineNodes& nodes = explorer::shownNodes();
    if (explorer::scriptPlaying() || nodes.find(generation, id) == nullptr) {
        return "null";
    }
    return answerWith(
        explorer::restJson(document, nodes.pathOf(static_cast<int>(id), document.shownModel())));
}

EMSCRIPTEN_KEEPALIVE const char* page_apply(int kind, int generation, double id, int step,
                                            int field, double value, int continues) {
    explorer::OutlineNodes& nodes = explorer::shownNodes();
    const bool aboutNode = kind == 0 || kind == 1;
    if (aboutNode && nodes.find(generation, id) == nullptr) {
        return answerWith("that node is no longer on screen; select it again");
    }
    const NodePath path =
        aboutNode ? nodes.pathOf(static_cast<int>(id), document.shownModel()) : NodePath{};
    Edit edit;
    switch (kind) {
        case 0:
            if (step < 0 || field < 0 || field > 3) {
                return answerWith("no such step or field");
            }
            edit = Edit::set(path, static_cast<std::uint32_t>(step), static_cast<StepField>(field),
                             value, continues != 0);
            break;
        case 1:
            edit = Edit::resetOf(path);
            break;
        case 2:
            edit = Edit::resetOfModel(document.shownModel());
            break;
        case 3:
            edit = Edit::undone();
            break;
        case 4:
            edit = Edit::redone();
            break;
        default:
            return answerWith("no such edit");
    }
    const std::optional<std::string> refused = explorer::edit(edit);
    return answerWith(refused ? *refused : std::string());
}

EMSCRIPTEN_KEEPALIVE const char* page_history() {
    return answerWith(explorer::historyJson(document));
}

EMSCRIPTEN_KEEPALIVE const char* page_restructure(int kind, int generation, double id,
                                                  double targetId, int made, int count,
                                                  int keepWorld) {
    explorer::OutlineNodes& nodes = explorer::shownNodes();
    if (nodes.find(generation, id) == nullptr) {
        return answerWith("that node is no longer on screen; select it again");
    }
    const std::size_t model = document.shownModel();
    const NodePath path = nodes.pathOf(static_cast<int>(id), model);
    Edit edit;
    switch (kind) {
        case 0:
            if (nodes.find(generation, targetId) == nullptr) {
                return answerWith("the new parent is no longer on screen; select it again");
            }
            edit =
                Edit::moved(path, nodes.pathOf(static_cast<int>(targetId), model), keepWorld != 0);
            break;
        case 1:
            if (made < 0 || made > static_cast<int>(NewNode::tree)) {
                return answerWith("no such kind of node");
            }
            edit = Edit::added(path, static_cast<NewNode>(made), count);
            break;
        case 2:
            edit = Edit::copied(path);
            break;
        case 3:
            edit = Edit::removed(path);
            break;
        case 4: {
            const std::optional<int> levels = document.levelsOf(path);
            // The document says why a node without levels of its own has no depth.
            edit = Edit::deepened(path, levels ? *levels + count : count);
            break;
        }
        default:
            return answerWith("no such edit");
    }
    const std::optional<std::string> line = explorer::edit(edit);
    return answerWith(line ? *line : std::string());
}

}  // extern "C"
