// The buttons for every key of the viewer, for touch and mouse, and Step, one animation step
// while paused. A button's key goes first to `nodeKey(key)`, which takes it (true) when it is
// about the node selected rather than the viewer (Deeper for a chain selected).
const pauseButton = document.getElementById("pause");
const stepButton = document.getElementById("step");

export function enableControls(viewer, nodeKey = () => false) {
  for (const button of document.querySelectorAll("button[data-key]")) {
    button.addEventListener("click", () => {
      if (viewer.running && !nodeKey(button.dataset.key)) viewer.key(button.dataset.key);
    });
  }
  stepButton.addEventListener("click", () => {
    if (viewer.running) viewer.step();
  });
  // Enter and space on a button press it, and Tab moves the focus on: they do not reach the
  // viewer.
  for (const area of document.querySelectorAll(".controls")) {
    area.addEventListener("keydown", (event) => {
      if (event.key === "Enter" || event.key === " " || event.key === "Tab") event.stopPropagation();
    });
  }
}

export function showPaused(viewer, paused) {
  pauseButton.setAttribute("aria-pressed", paused ? "true" : "false");
  stepButton.disabled = !paused || !viewer.running;
}

// The viewer has ended: nothing is pressed any more.
export function disableControls() {
  for (const control of document.querySelectorAll("button, input")) control.disabled = true;
}

// Undo and Redo, named with what they would do, Reset model, and their keys: Ctrl+Z undoes,
// Ctrl+Shift+Z and Ctrl+Y redo, anywhere on the page but in a number field, where they are the
// field's own. None reaches the viewer.
const undoButton = document.getElementById("undo");
const redoButton = document.getElementById("redo");
const resetModelButton = document.getElementById("reset-model");

export function enableHistory(viewer, answer) {
  const run = (what) => {
    if (viewer.ready) answer(what());
  };
  undoButton.addEventListener("click", () => run(() => viewer.undo()));
  redoButton.addEventListener("click", () => run(() => viewer.redo()));
  resetModelButton.addEventListener("click", () => run(() => viewer.resetModel()));
  document.addEventListener("keydown", (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const undo = key === "z" && !event.shiftKey;
    const redo = (key === "z" && event.shiftKey) || (key === "y" && !event.shiftKey);
    if (!undo && !redo) return;
    if (event.target instanceof HTMLInputElement && event.target.type === "number") return;
    event.preventDefault();
    event.stopPropagation();
    run(() => (undo ? viewer.undo() : viewer.redo()));
  });
}

// What undo and redo would do now; nothing while the address's script plays.
export function showHistory(viewer) {
  const names = viewer.ready ? viewer.history() : { undo: null, redo: null };
  for (const [button, word, name] of [[undoButton, "Undo", names.undo], [redoButton, "Redo", names.redo]]) {
    const text = name ? word + ": " + name : word;
    if (button.textContent !== text) button.textContent = text;
    button.disabled = !name;
  }
  resetModelButton.disabled = !viewer.ready;
}
