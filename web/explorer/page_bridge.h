#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole bridge between the web page and the viewer, mirrored by the page's bridge.js: the
// functions the page calls, and the events the viewer sends it. Nodes are named by the small ids
// of the outline (the root is 0), valid for one generation of the model on screen; a rebuild or
// the next model starts the next generation. Texts go out as JSON.

// What the page calls (exported from the WebAssembly module).
extern "C" {

// The model on screen: {"generation", "model", "depth", "paused", "root"}, the root a node
// {"id", "name", "className", "children"} (its number of children).
const char* page_model();

// The children of node `id` as an array of nodes, numbered as they are listed; null when the
// id is not one of generation `generation`.
const char* page_children(int generation, double id);

// Selects node `id` and highlights it; returns how many nodes lie below it, or -1 when the id
// is not one of generation `generation`.
double page_select(int generation, double id);

// Selects nothing.
void page_clear_selection();

// The ids from the root down to the node drawn under canvas pixel (x, y), as a JSON array;
// empty when there is none.
const char* page_pick(double x, double y);

// Node `id`'s handle for dragging it in the picture, as the last frame shows it: {"origin",
// "arms"}, the origin in canvas pixels and per axis x, y, z {"axis", "tip", "move", "turn"}: the
// tip of an arm of fixed length, "move" {"step", "field", "value", "unitsPerPixel"} (the step and
// field a drag along the arm sets, its value now, and its change per pixel of the drag) and
// "turn" {"step", "value"} (the rotate a drag turns, its angle now in degrees), each null when the
// node has no such step. Null when the id is not one of generation `generation`.
const char* page_handle(int generation, double id);

// The selected node's local and world matrices as of the last frame: 32 doubles, column-major.
const double* page_matrices();

// The address's query for the picture on screen, without waiting for its next update.
const char* page_address();

// As if `key` were typed (the page's buttons); and one step, paused or not (Step).
void page_key(int key);
void page_step();

// Node `id`'s rest transform as its steps (page_json.h's restJson); null when the id is not one
// of generation `generation`.
const char* page_rest(int generation, double id);

// A learner's edit, applied at once: `kind` 0 sets field `field` (0 x, 1 y, 2 z, 3 angle in
// degrees) of step `step` (from 0) of node `id` to `value`, `continues` when it goes on from the
// value before (a slider moved, a drag: one step of the history); 1 resets node `id`; 2 resets
// the model on screen; 3 undoes; 4 redoes. Returns "" when it was taken, else the line saying
// why not.
const char* page_apply(int kind, int generation, double id, int step, int field, double value,
                       int continues);

// What undo and redo would do: {"undo", "redo"}, each a name or null.
const char* page_history();

// A change to the shape of the model on screen, about node `id` of generation `generation`:
// `kind` 0 moves it to the end of the children of node `targetId`, keeping its place in the
// world when `keepWorld`, else its local transform; 1 adds a new `made` as its last child (0 a
// group, 1 a ball, 2 a limb, 3 a chain of `count` limbs, 4 a ball tree of depth `count`); 2 puts
// a copy of it beside it; 3 deletes it; 4 makes the chain or ball tree at it `count` levels deeper
// (or shallower, `count` below 0). Returns "" when it was taken as asked, else the line saying
// why not (or what became of it); when taken, the structureChanged event has gone first.
const char* page_restructure(int kind, int generation, double id, double targetId, int made,
                             int count, int keepWorld);

}  // extern "C"

// What the viewer tells the page (bridge.js's `events`).
namespace explorer::bridge {

// The scene is built; `scripted` when the address's script plays first.
void started(bool scripted);
// The address's script has run `done` of its `total` keys and steps.
void scriptProgress(std::uint64_t done, std::uint64_t total);
// The script has ended and its last picture is kept; it ran `steps` steps in all.
void held(int steps);
// The tree of `depth` that a depth key asks for is being built: `done` of its `total` balls.
// The key, and whatever was typed after it, waits until it is whole.
void building(int depth, std::uint64_t done, std::uint64_t total);
// How many keys and steps wait for it (0 once none does).
void keysWaiting(std::size_t count);
// A rebuild or the next model: generation `generation` begins, every id before it is gone.
void modelChanged(int generation);
// Nodes of the model on screen were moved, added or taken out (a structural edit, its undo or
// redo): generation `generation` begins, and `at` are the ids from the root down to where the
// edited node now is (empty when it is not in the model on screen).
void structureChanged(int generation, const std::vector<int>& at);
// After every key: whether the model animates, and the recursion depth.
void stateChanged(bool animating, int depth);
// A frame was drawn with a node selected: its matrices may have changed.
void frameDrawn();
// A node's rest changed (an edit, a reset, undo, redo): the panel and the undo buttons follow.
void historyChanged();
// One line for the learner: why something asked of the viewer was not done.
void problem(const std::string& line);

}  // namespace explorer::bridge
