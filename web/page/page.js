// The page around the viewer's canvas: its status line, its buttons, the outline of the model
// on screen (a WAI-ARIA tree view), the selected node's matrices, and the downloads. The viewer
// itself (scene-viewer.js) calls back through `Module`.
"use strict";

const statusLine = document.getElementById("status");
const canvas = document.getElementById("canvas");
const outline = document.getElementById("outline");
const summary = document.getElementById("node-summary");
const panel = document.getElementById("panel");
const tables = {
  local: document.querySelector("#local-matrix tbody"),
  world: document.querySelector("#world-matrix tbody"),
};
const pauseButton = document.getElementById("pause");
const stepButton = document.getElementById("step");

let running = false; // the viewer takes calls (started, not ended)
let scripted = false; // the address's script is playing
let lastError = ""; // the viewer's last line on standard error
let model = null; // {generation, model, depth, paused, root}
let selectedItem = null;
const cells = { local: [], world: [] };

function say(text) {
  statusLine.textContent = text;
}

function call(name, ...args) {
  return Module["_" + name](...args);
}

function callForJson(name, ...args) {
  return JSON.parse(Module.UTF8ToString(call(name, ...args)));
}

// --- Buttons -------------------------------------------------------------------------------

function showState(paused) {
  pauseButton.setAttribute("aria-pressed", paused ? "true" : "false");
  stepButton.disabled = !paused || !running;
}

for (const button of document.querySelectorAll("button[data-key]")) {
  button.addEventListener("click", () => {
    if (running) call("page_key", button.dataset.key.charCodeAt(0));
  });
}
stepButton.addEventListener("click", () => {
  if (running) call("page_step");
});

// Enter and space on a button press it; they do not reach the viewer.
for (const area of document.querySelectorAll(".controls")) {
  area.addEventListener("keydown", (event) => {
    if (event.key === "Enter" || event.key === " ") event.stopPropagation();
  });
}

document.getElementById("toggle-panel").addEventListener("click", (event) => {
  const button = event.currentTarget;
  const open = panel.hidden;
  panel.hidden = !open;
  button.setAttribute("aria-expanded", String(open));
  button.textContent = open ? "Hide hierarchy" : "Show hierarchy";
  if (open && selectedItem) showMatrices();
});

// --- Outline: the WAI-ARIA tree view pattern, rows made as they are expanded ------------------

function itemOf(element) {
  return element.closest('[role="treeitem"]');
}

function makeItem(node, level, position, count) {
  const item = document.createElement("li");
  item.setAttribute("role", "treeitem");
  item.setAttribute("aria-level", String(level));
  item.setAttribute("aria-setsize", String(count));
  item.setAttribute("aria-posinset", String(position));
  item.setAttribute("aria-selected", "false");
  item.tabIndex = -1;
  item.dataset.id = String(node.id);
  item.dataset.name = node.name;
  item.dataset.className = node.className;
  const row = document.createElement("div");
  row.className = "row";
  const toggle = document.createElement("span");
  toggle.className = "toggle";
  toggle.setAttribute("aria-hidden", "true");
  const name = document.createElement("span");
  name.className = "name";
  name.textContent = node.name;
  name.id = "node-" + node.id;
  const className = document.createElement("span");
  className.className = "class-name";
  className.textContent = node.className;
  row.append(toggle, name, className);
  item.append(row);
  item.setAttribute("aria-labelledby", name.id);
  if (node.children > 0) {
    item.setAttribute("aria-expanded", "false");
    toggle.textContent = "▸";
  }
  return item;
}

function expand(item) {
  if (item.getAttribute("aria-expanded") !== "false") return;
  const children = callForJson("page_children", model.generation, Number(item.dataset.id));
  if (children === null) return;
  const group = document.createElement("ul");
  group.setAttribute("role", "group");
  const level = Number(item.getAttribute("aria-level")) + 1;
  children.forEach((child, i) => group.append(makeItem(child, level, i + 1, children.length)));
  item.append(group);
  item.setAttribute("aria-expanded", "true");
  item.querySelector(":scope > .row > .toggle").textContent = "▾";
}

function collapse(item) {
  if (item.getAttribute("aria-expanded") !== "true") return;
  item.querySelector(':scope > [role="group"]').remove();
  item.setAttribute("aria-expanded", "false");
  item.querySelector(":scope > .row > .toggle").textContent = "▸";
  if (selectedItem && !selectedItem.isConnected) {
    // The selection stays with the node; the outline shows it at the collapsed row.
    selectedItem = null;
  }
}

function visibleItems() {
  return Array.from(outline.querySelectorAll('[role="treeitem"]')).filter(
    (item) => item.parentElement === outline || itemOf(item.parentElement).getAttribute("aria-expanded") === "true",
  );
}

function focusItem(item) {
  for (const other of outline.querySelectorAll('[role="treeitem"][tabindex="0"]')) other.tabIndex = -1;
  item.tabIndex = 0;
  item.focus();
}

function selectItem(item) {
  if (!running || scripted) return;
  const below = call("page_select", model.generation, Number(item.dataset.id));
  if (below < 0) return;
  if (selectedItem) selectedItem.setAttribute("aria-selected", "false");
  selectedItem = item;
  item.setAttribute("aria-selected", "true");
  for (const other of outline.querySelectorAll('[role="treeitem"][tabindex="0"]')) other.tabIndex = -1;
  item.tabIndex = 0;
  summary.textContent =
    item.dataset.name + " (" + item.dataset.className + "), " + below.toLocaleString("en") +
    (below === 1 ? " node below it" : " nodes below it");
  for (const id of ["local-matrix", "world-matrix"]) document.getElementById(id).hidden = false;
  showMatrices();
}

function clearSelection() {
  if (running) call("page_clear_selection");
  if (selectedItem) selectedItem.setAttribute("aria-selected", "false");
  selectedItem = null;
  summary.textContent = "Select a node in the outline or in the picture.";
  for (const id of ["local-matrix", "world-matrix"]) document.getElementById(id).hidden = true;
}

outline.addEventListener("click", (event) => {
  const item = itemOf(event.target);
  if (!item) return;
  if (event.target.classList.contains("toggle")) {
    if (item.getAttribute("aria-expanded") === "true") collapse(item);
    else expand(item);
  }
  focusItem(item);
  selectItem(item);
});

outline.addEventListener("keydown", (event) => {
  const item = itemOf(event.target);
  if (!item || event.ctrlKey || event.altKey || event.metaKey) return;
  const items = visibleItems();
  const at = items.indexOf(item);
  let next = null;
  switch (event.key) {
    case "ArrowDown":
      next = items[at + 1];
      break;
    case "ArrowUp":
      next = items[at - 1];
      break;
    case "Home":
      next = items[0];
      break;
    case "End":
      next = items[items.length - 1];
      break;
    case "ArrowRight":
      if (item.getAttribute("aria-expanded") === "false") expand(item);
      else if (item.getAttribute("aria-expanded") === "true")
        next = item.querySelector('[role="group"] > [role="treeitem"]');
      break;
    case "ArrowLeft":
      if (item.getAttribute("aria-expanded") === "true") collapse(item);
      else if (item.parentElement !== outline) next = itemOf(item.parentElement);
      break;
    case "Enter":
    case " ":
      // Selects the node; on the node already selected, opens or closes it.
      if (item === selectedItem) {
        if (item.getAttribute("aria-expanded") === "false") expand(item);
        else collapse(item);
      }
      selectItem(item);
      break;
    default:
      return; // the viewer's keys
  }
  event.preventDefault();
  event.stopPropagation();
  if (next) {
    focusItem(next);
    selectItem(next);
  }
});

function showOutline() {
  model = callForJson("page_model");
  outline.replaceChildren(makeItem(model.root, 1, 1, 1));
  outline.firstChild.tabIndex = 0;
  outline.setAttribute("aria-label", "Nodes of the " + model.model + " model");
  document.getElementById("outline-heading").textContent =
    "Nodes of the " + model.model + " model" +
    (model.model === "chain" || model.model === "tree" ? ", depth " + model.depth : "");
  clearSelection();
  expand(outline.firstChild);
  showState(model.paused);
}

// --- Picking ---------------------------------------------------------------------------------

canvas.addEventListener("click", (event) => {
  if (!running || scripted) return;
  // The canvas may be shown smaller than it is drawn: back to its own pixels.
  const box = canvas.getBoundingClientRect();
  const x = ((event.clientX - box.left) * canvas.width) / box.width;
  const y = ((event.clientY - box.top) * canvas.height) / box.height;
  const path = callForJson("page_pick", x, y);
  if (path.length === 0) {
    clearSelection();
    return;
  }
  let item = outline.firstChild;
  for (const id of path.slice(1)) {
    expand(item);
    item = item.querySelector(`:scope > [role="group"] > [data-id="${id}"]`);
    if (!item) return;
  }
  selectItem(item);
  item.scrollIntoView({ block: "nearest" });
});

// --- The selected node's matrices ----------------------------------------------------------

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
makeTable(tables.local, cells.local);
makeTable(tables.world, cells.world);

// Row i, column j is element 4j + i, as a mathematician writes the matrix.
function showMatrices() {
  const values = new Float64Array(Module.HEAPF64.buffer, call("page_matrices"), 32);
  for (let k = 0; k < 16; ++k) {
    for (const [which, offset] of [["local", 0], ["world", 16]]) {
      const cell = cells[which][k];
      const value = values[offset + k];
      if (cell.dataset.value !== String(value)) {
        cell.dataset.value = String(value);
        cell.textContent = formatNumber(value);
      }
    }
  }
}

// --- Downloads -------------------------------------------------------------------------------

function offer(blob, name) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function fileName() {
  return model ? model.model : "scene";
}

// The canvas keeps its last frame (the context preserves its drawing buffer): its own pixels.
document.getElementById("download-picture").addEventListener("click", () => {
  canvas.toBlob((blob) => offer(blob, fileName() + ".png"), "image/png");
});

let exporter = null; // the glTF module, loaded when first asked for
function loadExporter() {
  if (!exporter) {
    exporter = new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = "scene-export.js";
      script.onload = () => createSceneExport().then(resolve, reject);
      script.onerror = () => reject(new Error("scene-export.js could not be loaded"));
      document.head.append(script);
    });
  }
  return exporter;
}

document.getElementById("download-gltf").addEventListener("click", async (event) => {
  if (!running || scripted) return;
  const button = event.currentTarget;
  const query = Module.UTF8ToString(call("page_address"));
  const name = fileName() + ".glb";
  button.disabled = true;
  say("Making " + name + "…");
  try {
    const module = await loadExporter();
    const bytes = exportGlb(module, query);
    offer(new Blob([bytes], { type: "model/gltf-binary" }), name);
    say(lastError);
  } catch (error) {
    say("Download glTF: " + (error.message || error));
  } finally {
    button.disabled = false;
  }
});

// Runs the same keys and steps as the address in the second module and returns the .glb.
function exportGlb(module, query) {
  module._export_start();
  for (const [name, value] of new URLSearchParams(query)) {
    const size = module.lengthBytesUTF8(value) + 1;
    const text = module._malloc(size);
    module.stringToUTF8(value, text, size);
    const nameSize = module.lengthBytesUTF8(name) + 1;
    const nameText = module._malloc(nameSize);
    module.stringToUTF8(name, nameText, nameSize);
    module._export_parameter(nameText, text, size - 1);
    module._free(text);
    module._free(nameText);
  }
  const length = module._export_glb();
  if (length < 0) throw new Error(module.UTF8ToString(module._export_error()));
  return module.HEAPU8.slice(module._export_bytes(), module._export_bytes() + length);
}

// --- The viewer's calls back -----------------------------------------------------------------

var Module = {
  canvas: canvas,
  print: (text) => console.log(text),
  printErr: (text) => {
    console.error(text);
    lastError = text;
    say(text);
  },
  onRuntimeInitialized: () => {
    say("");
    canvas.focus();
  },
  // The scene is built; with a script in the address, it plays first.
  onStarted: (withScript) => {
    running = true;
    scripted = withScript === 1;
    if (!scripted) showOutline();
  },
  // The address's script is played a little in each animation frame.
  onScriptProgress: (done, total) => {
    scripted = true;
    say("Playing the address: " + done.toLocaleString("en") + " of " + total.toLocaleString("en") +
        " keys and steps…");
  },
  // Kept to the page after the frames that its address asked for.
  onHeld: (frames) => {
    scripted = false;
    say(lastError);
    showOutline();
    document.body.dataset.held = String(frames);
  },
  onModelChanged: () => {
    if (!scripted) showOutline();
  },
  onStateChanged: (animating) => showState(!animating),
  onFrame: () => {
    if (selectedItem && !panel.hidden) showMatrices();
  },
  onExit: (code) => {
    running = false;
    for (const button of document.querySelectorAll("button")) button.disabled = true;
    document.body.dataset.exitStatus = String(code);
    say("The viewer has ended with status " + code + ".");
  },
  onAbort: (what) => {
    running = false;
    say("The viewer has stopped: " + what);
  },
};
