// The selected node's panel: what it is, how many nodes lie below it, its rest as the steps it
// is made of (each value a number field and a slider, edited in place), and its "local" and
// "world" matrices, kept current frame by frame. The hierarchy's panel can be hidden.
import { problem, say } from "./status.js";

const summary = document.getElementById("node-summary");
const panel = document.getElementById("panel");
const restSection = document.getElementById("rest");
const stepList = document.getElementById("rest-steps");
const motionLine = document.getElementById("rest-motion");
const editedMark = document.getElementById("rest-edited");
const resetNodeButton = document.getElementById("reset-node");
const boxIds = ["local-box", "world-box"];

// What the animation adds to a node of these classes, said apart from its rest.
const motionWords = { SwingingLimb: "swing now", BallTree: "turned now" };

// The ranges of the sliders; a number field takes any value the document takes.
const sliderRanges = {
  rotate: { min: -180, max: 180, step: 1 },
  translate: { min: -10, max: 10, step: 0.1 },
  scale: { min: 0.1, max: 5, step: 0.05 },
};

export class NodePanel {
  #viewer;
  #shown = false; // a node is shown
  #cells = { local: [], world: [] };
  #node = null; // {generation, id, className} of the node shown
  #steps = []; // per step: {item, title, fields: [{field, number, slider, mark, written}]}
  #shape = ""; // the kinds and fields of the steps shown, to know when to make them anew
  #sliding = null; // the slider whose movement is one step of the history, while it moves

  constructor(viewer) {
    this.#viewer = viewer;
    makeTable(document.querySelector("#local-matrix tbody"), this.#cells.local);
    makeTable(document.querySelector("#world-matrix tbody"), this.#cells.world);
    document.getElementById("toggle-panel").addEventListener("click", (event) => {
      const button = event.currentTarget;
      const open = panel.hidden;
      panel.hidden = !open;
      button.setAttribute("aria-expanded", String(open));
      button.textContent = open ? "Hide hierarchy" : "Show hierarchy";
      if (open) this.historyChanged();
    });
    for (const button of document.querySelectorAll("button.copy")) {
      button.addEventListener("click", () => this.#copy(button.dataset.table));
    }
    resetNodeButton.addEventListener("click", () => {
      if (this.#editable()) this.#answer(this.#viewer.resetNode(this.#node.generation, this.#node.id));
    });
    // The keys typed into the fields and sliders are theirs, not the viewer's; Ctrl and its
    // shortcuts go on to the page (undo and redo). On a button, Enter and space press it.
    document.getElementById("node").addEventListener("keydown", (event) => {
      if (event.ctrlKey || event.metaKey) return;
      const typing = event.target instanceof HTMLInputElement;
      if (typing || event.key === "Enter" || event.key === " " || event.key === "Tab") {
        event.stopPropagation();
      }
    });
  }

  // Node `id` of `generation` is selected.
  showNode(name, className, below, generation, id) {
    this.#shown = true;
    this.#node = { generation, id, className };
    this.#shape = "";
    summary.textContent =
      name + " (" + className + "), " + below.toLocaleString("en") +
      (below === 1 ? " node below it" : " nodes below it");
    for (const boxId of boxIds) document.getElementById(boxId).hidden = false;
    this.historyChanged();
  }

  showNothing() {
    this.#shown = false;
    this.#node = null;
    this.#sliding = null;
    summary.textContent = "Select a node in the outline or in the picture.";
    for (const boxId of boxIds) document.getElementById(boxId).hidden = true;
    restSection.hidden = true;
    stepList.replaceChildren();
    this.#steps = [];
    this.#shape = "";
  }

  // A frame was drawn: the matrices, and what the animation has added to the rest.
  refresh() {
    if (!this.#shown || panel.hidden) return;
    this.#showMatrices();
    if (this.#node && motionWords[this.#node.className] && this.#viewer.ready) {
      const rest = this.#viewer.rest(this.#node.generation, this.#node.id);
      if (rest) this.#showMotion(rest);
    }
  }

  // A node's rest changed, or the script has ended, or the panel opened: everything anew.
  historyChanged() {
    if (!this.#shown || panel.hidden) return;
    this.#showMatrices();
    this.#showRest();
  }

  // The matrices as of the last frame; a cell is written only when its value changed.
  // Row i, column j is element 4j + i, as a mathematician writes the matrix.
  #showMatrices() {
    const values = this.#viewer.matrices();
    for (let k = 0; k < 16; ++k) {
      for (const [which, offset] of [["local", 0], ["world", 16]]) {
        const cell = this.#cells[which][k];
        const value = values[offset + k];
        const exact = String(value);
        if (cell.dataset.value !== exact) {
          cell.dataset.value = exact;
          cell.title = exact;
          cell.textContent = formatNumber(value);
        }
      }
    }
  }

  // The 16 exact values of a table, row by row: tabs between them, a line for each row.
  async #copy(which) {
    const cells = this.#cells[which];
    const rows = [0, 1, 2, 3].map((i) => [0, 1, 2, 3].map((j) => cells[4 * j + i].dataset.value).join("\t"));
    const text = rows.join("\n");
    document.getElementById(which + "-box").dataset.copied = text;
    try {
      await navigator.clipboard.writeText(text);
      say("Copied the " + which + " matrix, 16 exact values row by row.");
    } catch {
      say("Copy " + which + ": this browser keeps the clipboard from the page; the exact values " +
          "are in each cell's tooltip.");
    }
  }

  // The selected node's steps: made anew for another node, else only their values written.
  #showRest() {
    const rest = this.#node && this.#viewer.running ? this.#viewer.rest(this.#node.generation, this.#node.id) : null;
    if (!rest) {
      restSection.hidden = true;
      return;
    }
    const shape = rest.steps.map((s) => s.kind + s.axis + s.fields.map((f) => f.field).join("")).join("|");
    if (shape !== this.#shape) {
      this.#shape = shape;
      this.#makeSteps(rest);
    }
    const editable = this.#editable();
    rest.steps.forEach((step, s) => {
      const shown = this.#steps[s];
      shown.title.textContent = step.text;
      shown.item.setAttribute("aria-label", "step " + (s + 1) + ": " + step.text);
      step.fields.forEach((field, f) => writeField(shown.fields[f], field, editable, false));
      if (shown.cells) shown.cells.forEach((cell, k) => setText(cell, formatNumber(step.matrix[k])));
    });
    editedMark.hidden = !rest.edited;
    resetNodeButton.disabled = !editable || !rest.edited;
    this.#showMotion(rest);
    restSection.hidden = false;
  }

  #showMotion(rest) {
    const words = this.#node && motionWords[this.#node.className];
    motionLine.hidden = !words;
    if (!words) return;
    const text = words + ": " + formatDegrees(rest.motionDegrees) + "°";
    if (motionLine.textContent !== text) motionLine.textContent = text;
  }

  #makeSteps(rest) {
    this.#sliding = null;
    this.#steps = rest.steps.map((step, s) => {
      const item = document.createElement("li");
      item.setAttribute("role", "group");
      const title = document.createElement("div");
      title.className = "step-title";
      title.setAttribute("aria-hidden", "true"); // the group's name says it
      item.append(title);
      if (step.kind === "matrix") return { item, title, fields: [], cells: makeStepMatrix(item) };
      const fields = step.fields.map((field) => this.#makeField(item, step.kind, s, field));
      return { item, title, fields };
    });
    stepList.replaceChildren(...this.#steps.map((shown) => shown.item));
  }

  #makeField(item, kind, s, field) {
    const id = "rest-" + s + "-" + field.field;
    const row = document.createElement("div");
    row.className = "field";
    const label = document.createElement("label");
    label.htmlFor = id;
    label.id = id + "-label";
    label.textContent = field.label;
    const number = document.createElement("input");
    number.type = "number";
    number.id = id;
    number.step = kind === "rotate" ? "1" : "0.1";
    const range = sliderRanges[kind];
    const slider = document.createElement("input");
    slider.type = "range";
    slider.min = String(range.min);
    slider.max = String(range.max);
    slider.step = String(range.step);
    slider.setAttribute("aria-labelledby", label.id);
    const mark = document.createElement("span");
    mark.className = "edited";
    mark.textContent = "edited";
    mark.hidden = true;
    row.append(label, number, slider, mark);
    item.append(row);
    const shown = { field: field.field, step: s, number, slider, mark, written: null };

    // A number field's commit is one edit: its change event, or Enter.
    const commit = () => this.#commit(shown);
    number.addEventListener("change", commit);
    number.addEventListener("keydown", (event) => {
      if (event.key === "Enter") commit();
    });
    // A slider's movement, from its first input to its change (or the pointer let go), is one
    // step of the history.
    slider.addEventListener("input", () => {
      if (!this.#editable()) return;
      const continues = this.#sliding === slider;
      this.#sliding = slider;
      this.#set(shown, Number(slider.value), continues);
    });
    const release = () => {
      if (this.#sliding === slider) this.#sliding = null;
    };
    slider.addEventListener("change", release);
    slider.addEventListener("pointerup", release);
    slider.addEventListener("pointercancel", release);
    slider.addEventListener("blur", release);
    return shown;
  }

  #commit(shown) {
    if (!this.#editable()) return;
    const text = shown.number.value;
    const value = Number(text);
    if (text.trim() === "" || !Number.isFinite(value)) {
      this.#restore(shown);
      return;
    }
    if (shown.written !== null && value === Number(formatValue(shown.written))) return; // no change
    this.#set(shown, value, false);
  }

  #set(shown, value, continues) {
    const node = this.#node;
    this.#answer(this.#viewer.setValue(node.generation, node.id, shown.step, shown.field, value, continues), shown);
  }

  // A refused edit: the line goes to the status line, the field back to the document's value.
  #answer(refused, shown = null) {
    if (!refused) return;
    problem(refused);
    if (shown) this.#restore(shown);
  }

  #restore(shown) {
    const rest = this.#viewer.rest(this.#node.generation, this.#node.id);
    const field = rest && rest.steps[shown.step] && rest.steps[shown.step].fields.find((f) => f.field === shown.field);
    if (field) writeField(shown, field, this.#editable(), true);
  }

  #editable() {
    return this.#node !== null && this.#viewer.ready;
  }
}

// A field's value from the document: written only when it changed (or `always`, after a
// refusal), so that a value being typed stays until the document has another.
function writeField(shown, field, editable, always) {
  if (always || shown.written !== field.value) {
    shown.written = field.value;
    shown.number.value = formatValue(field.value);
    // A value beyond the slider's range leaves it at its end; the field keeps the true value.
    shown.slider.value = String(field.value);
  }
  const edited = field.value !== field.built;
  shown.mark.hidden = !edited;
  const title = "as built: " + formatValue(field.built) + (edited ? "; now " + String(field.value) : "");
  if (shown.number.title !== title) {
    shown.number.title = title;
    shown.slider.title = title;
  }
  shown.number.disabled = !editable;
  shown.slider.disabled = !editable;
}

// A value as its field shows it: rounding noise of the degrees' conversion left out.
function formatValue(value) {
  return String(Number(value.toFixed(9)));
}

// Three decimals, and rounding noise (2.45096e-7) as 0 with no sign.
function formatNumber(value) {
  if (Math.abs(value) < 0.0005) return "0.000";
  return value.toFixed(3);
}

function formatDegrees(value) {
  if (Math.abs(value) < 0.05) return "0.0";
  return value.toFixed(1);
}

// A step that is a whole matrix (a move's, keeping the node's place in the world): shown as its
// 4 x 4 numbers, not edited. Cell k is element k, column-major.
function makeStepMatrix(item) {
  const table = document.createElement("table");
  table.className = "step-matrix";
  table.createCaption().textContent = "matrix, from the move";
  table.caption.className = "unseen"; // the step's title says it
  const cells = [];
  makeTable(table.createTBody(), cells);
  item.append(table);
  return cells;
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}

function makeTable(body, cellList) {
  body.replaceChildren();
  for (let i = 0; i < 4; ++i) {
    const row = document.createElement("tr");
    for (let j = 0; j < 4; ++j) {
      const cell = document.createElement("td");
      row.append(cell);
      cellList[4 * j + i] = cell;
    }
    body.append(row);
  }
}
