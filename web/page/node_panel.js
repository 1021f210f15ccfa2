// The selected node's panel: what it is, how many nodes lie below it, and its "local" and
// "world" matrices, kept current frame by frame. The hierarchy's panel can be hidden.
const summary = document.getElementById("node-summary");
const panel = document.getElementById("panel");
const tableIds = ["local-matrix", "world-matrix"];

export class NodePanel {
  #viewer;
  #shown = false; // a node is shown
  #cells = { local: [], world: [] };

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
      if (open) this.refresh();
    });
  }

  showNode(name, className, below) {
    this.#shown = true;
    summary.textContent =
      name + " (" + className + "), " + below.toLocaleString("en") +
      (below === 1 ? " node below it" : " nodes below it");
    for (const id of tableIds) document.getElementById(id).hidden = false;
    this.refresh();
  }

  showNothing() {
    this.#shown = false;
    summary.textContent = "Select a node in the outline or in the picture.";
    for (const id of tableIds) document.getElementById(id).hidden = true;
  }

  // The matrices as of the last frame; a cell is written only when its value changed.
  // Row i, column j is element 4j + i, as a mathematician writes the matrix.
  refresh() {
    if (!this.#shown || panel.hidden) return;
    const values = this.#viewer.matrices();
    for (let k = 0; k < 16; ++k) {
      for (const [which, offset] of [["local", 0], ["world", 16]]) {
        const cell = this.#cells[which][k];
        const value = values[offset + k];
        if (cell.dataset.value !== String(value)) {
          cell.dataset.value = String(value);
          cell.textContent = formatNumber(value);
        }
      }
    }
  }
}

function formatNumber(value) {
  if (Math.abs(value) < 5e-13) return "0";
  return String(Number(value.toPrecision(6)));
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
