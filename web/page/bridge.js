// The page's side of the bridge to the viewer, the twin of web/explorer/page_bridge.h: the calls
// the page makes, and the events the viewer sends it. Nodes are named by the outline's small
// ids, valid for one generation of the model on screen.

// What the viewer tells the page. Each handler is the page's; the bridge notes first whether the
// viewer takes calls and whether the address's script is playing.
//   started(scripted)            the scene is built; the address's script plays first if scripted
//   scriptProgress(done, total)  keys and steps of the script played so far, of its total
//   held(steps)                  the script has ended; its last picture is kept
//   building(depth, done, total)  a depth key's tree is being built, a slice each frame: keys
//                                wait for it in order
//   keysWaiting(count)           how many keys and steps wait (0 once none does)
//   modelChanged(generation)     a rebuild or the next model: every earlier id is gone
//   structureChanged(generation, at)  nodes were moved, added or taken out: every earlier id is
//                                gone; `at` the ids from the root down to the edited node's place
//   stateChanged(animating, depth)  after every key
//   frameDrawn()                 a frame was drawn with a node selected
//   historyChanged()             a node's rest changed (an edit, a reset, undo, redo)
//   problem(line)                why something asked of the viewer was not done
//   ended(status)                the viewer has ended (Escape), with its exit status
//   stopped(what)                the viewer has stopped on an error of its runtime
import { loadModule } from "./module_loading.js";

const eventNames = [
  "started", "scriptProgress", "held", "building", "keysWaiting", "modelChanged", "structureChanged",
  "stateChanged", "frameDrawn", "historyChanged", "problem", "ended", "stopped",
];

// The viewer also tells of its selection: a "selectionchange" event after every select and
// clearSelection that took.
export class Viewer extends EventTarget {
  #module = null;
  #running = false;
  #scripted = false;
  #selection = null;

  // The selected node, {generation, id}, or null.
  get selection() {
    return this.#selection;
  }

  // Whether the viewer takes calls: started and not ended.
  get running() {
    return this.#running;
  }

  // Whether the address's script is playing: the outline and picking wait for it.
  get scripted() {
    return this.#scripted;
  }

  // Whether the viewer takes calls that need the model on screen.
  get ready() {
    return this.#running && !this.#scripted;
  }

  // Loads the viewer's module into `canvas` and hands its events to `handlers`.
  async start(canvas, handlers) {
    for (const name of eventNames) {
      if (typeof handlers[name] !== "function") throw new Error("no handler for the event " + name);
    }
    const events = {
      ...handlers,
      started: (scripted) => {
        this.#running = true;
        this.#scripted = scripted;
        handlers.started(scripted);
      },
      scriptProgress: (done, total) => {
        this.#scripted = true;
        handlers.scriptProgress(done, total);
      },
      held: (steps) => {
        this.#scripted = false;
        handlers.held(steps);
      },
    };
    const module = {
      canvas,
      events,
      print: (text) => console.log(text),
      // Lines on standard error that no event carries (the GL layer's, say): shown as problems
      // once the viewer runs; while it loads, the loader says what went wrong.
      printErr: (text) => {
        console.error(text);
        if (this.#running) handlers.problem(text);
      },
      onExit: (status) => {
        this.#running = false;
        handlers.ended(status);
      },
      onAbort: (what) => {
        // While loading, the loader says what went wrong, in words of its own.
        if (!this.#running) return;
        this.#running = false;
        handlers.stopped(String(what));
      },
    };
    // The module object is the one the factory fills in: calls may be made from the first event
    // on, before the factory's promise settles.
    this.#module = module;
    await loadModule("scene-viewer", "the viewer", module);
  }

  #call(name, ...args) {
    return this.#module["_" + name](...args);
  }

  #json(name, ...args) {
    return JSON.parse(this.#module.UTF8ToString(this.#call(name, ...args)));
  }

  // The model on screen: {generation, model, depth, paused, root}; a node is
  // {id, name, className, children}, the last its number of children.
  model() {
    return this.#json("page_model");
  }

  // The children of node `id` of `generation`, or null when it is not one of the model on screen.
  children(generation, id) {
    return this.#json("page_children", generation, id);
  }

  // Selects and highlights node `id`; how many nodes lie below it, or -1 when it is not known.
  select(generation, id) {
    const below = this.#call("page_select", generation, id);
    if (below >= 0) this.#selectionChanged({ generation, id });
    return below;
  }

  clearSelection() {
    this.#call("page_clear_selection");
    this.#selectionChanged(null);
  }

  #selectionChanged(selection) {
    this.#selection = selection;
    this.dispatchEvent(new Event("selectionchange"));
  }

  // Node `id`'s handle as the last frame shows it, in canvas pixels: {origin: [x, y], arms}, an
  // arm per axis x, y, z {axis, tip: [x, y], move, turn}; move {step, field, value,
  // unitsPerPixel} (the translate's field a drag along the arm sets, and its change per pixel)
  // and turn {step, value} (the rotate about the arm's axis, degrees), each null when the node
  // has no such step. Null when the id is not one of the model on screen.
  handle(generation, id) {
    return this.#json("page_handle", generation, id);
  }

  // The ids from the root down to the node drawn under canvas pixel (x, y); [] for none.
  pick(x, y) {
    return this.#json("page_pick", x, y);
  }

  // The selected node's local, then world matrix as of the last frame: 32 numbers, column-major.
  matrices() {
    return new Float64Array(this.#module.HEAPF64.buffer, this.#call("page_matrices"), 32);
  }

  // The address's query for the picture on screen.
  address() {
    return this.#module.UTF8ToString(this.#call("page_address"));
  }

  // As if the character were typed; one step, paused or not.
  key(character) {
    this.#call("page_key", character.charCodeAt(0));
  }

  step() {
    this.#call("page_step");
  }

  // Node `id`'s rest as its steps: {path, steps, edited, ownFrame, motionDegrees, levels}; each
  // step {text, kind, axis, fields}, each field {field, label, value, built} (angles in degrees);
  // a "matrix" step (from a move) has no fields and its matrix, 16 numbers column-major. levels:
  // of the chain or ball tree at the node, null for any other node.
  // Null when the id is not one of the model on screen.
  rest(generation, id) {
    return this.#json("page_rest", generation, id);
  }

  // Sets `field` ("x", "y", "z" or "angle") of step `step` (from 0) of node `id` to `value`;
  // `continues` when it goes on from the value before (a slider's movement, a drag: one step
  // of the history). Each returns "" when taken, or the line that says why not.
  setValue(generation, id, step, field, value, continues = false) {
    const fieldNumber = ["x", "y", "z", "angle"].indexOf(field);
    return this.#text("page_apply", 0, generation, id, step, fieldNumber, value, continues ? 1 : 0);
  }

  resetNode(generation, id) {
    return this.#text("page_apply", 1, generation, id, 0, 0, 0, 0);
  }

  resetModel() {
    return this.#text("page_apply", 2, 0, 0, 0, 0, 0, 0);
  }

  undo() {
    return this.#text("page_apply", 3, 0, 0, 0, 0, 0, 0);
  }

  redo() {
    return this.#text("page_apply", 4, 0, 0, 0, 0, 0, 0);
  }

  // What undo and redo would do: {undo, redo}, each a name ("rotate shoulder at -x") or null.
  history() {
    return this.#json("page_history");
  }

  // Changes to the shape of the model, about node `id`: each returns "" when taken as asked, or
  // the line that says why not. When taken, the structureChanged event has come first.
  // Moves the node to the end of the children of `targetId`, keeping its place in the world or
  // its local transform.
  move(generation, id, targetId, keepWorld) {
    return this.#text("page_restructure", 0, generation, id, targetId, 0, 0, keepWorld ? 1 : 0);
  }

  // Adds a new "group", "ball", "limb", "chain" (of `count` limbs) or "tree" (of depth `count`)
  // as the node's last child.
  addChild(generation, id, made, count) {
    const kind = ["group", "ball", "limb", "chain", "tree"].indexOf(made);
    return this.#text("page_restructure", 1, generation, id, 0, kind, count, 0);
  }

  copy(generation, id) {
    return this.#text("page_restructure", 2, generation, id, 0, 0, 0, 0);
  }

  remove(generation, id) {
    return this.#text("page_restructure", 3, generation, id, 0, 0, 0, 0);
  }

  // The chain or ball tree at the node `by` levels deeper (below 0, shallower).
  deepen(generation, id, by) {
    return this.#text("page_restructure", 4, generation, id, 0, 0, by, 0);
  }

  #text(name, ...args) {
    return this.#module.UTF8ToString(this.#call(name, ...args));
  }
}
