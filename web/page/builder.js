// Building the model on screen: moving the selected node under another parent (by dragging its
// row in the outline, or by "Move to…", a parent selected, a choice of how, and "Move here"),
// adding a child to it, copying and deleting it, and Deeper and Shallower for the chain or ball
// tree selected alone. Each is one edit of the viewer's document; the outline follows it through
// the viewer's structureChanged event.
const moveButton = document.getElementById("move-to");
const copyButton = document.getElementById("copy-node");
const deleteButton = document.getElementById("delete-node");
const moveChoice = document.getElementById("move-choice");
const movePrompt = document.getElementById("move-prompt");
const moveHereButton = document.getElementById("move-here");
const moveCancelButton = document.getElementById("move-cancel");
const moveExplanation = document.getElementById("move-explanation");
const addKind = document.getElementById("add-kind");
const addCount = document.getElementById("add-count");
const addCountLabel = document.getElementById("add-count-label");
const addCountField = document.getElementById("add-count-field");
const addButton = document.getElementById("add-child");
const deeperButton = document.getElementById("deeper");
const shallowerButton = document.getElementById("shallower");

// One line beside the choice of how a node moves.
const explanations = {
  world: "The picture does not move: its new local transform is the new parent's world inverse " +
         "times its world transform, so its \u201clocal\u201d table changes.",
  local: "It jumps to the same place relative to its new parent: its \u201clocal\u201d table stays, " +
         "its \u201cworld\u201d table changes.",
};

// What the count of an added chain or tree counts.
const countWords = { chain: "Limbs", tree: "Depth" };

export class Builder {
  #viewer;
  #answer;
  #node = null; // {name, className, generation, id, levels} of the node selected
  #moving = null; // {name, generation, id} of the node "Move to…" moves, while its parent is chosen

  // `answer(line)` shows the line a refused edit gives.
  constructor(viewer, answer) {
    this.#viewer = viewer;
    this.#answer = answer;
    moveButton.addEventListener("click", () => this.#startMove());
    moveHereButton.addEventListener("click", () => this.#moveHere());
    moveCancelButton.addEventListener("click", () => this.#cancelMove(true));
    for (const radio of document.querySelectorAll('input[name="move-how"]')) {
      radio.addEventListener("change", () => this.#explain());
    }
    copyButton.addEventListener("click", () => this.#onNode((n) => this.#viewer.copy(n.generation, n.id)));
    deleteButton.addEventListener("click", () => this.#onNode((n) => this.#viewer.remove(n.generation, n.id)));
    addKind.addEventListener("change", () => this.#showCount());
    addButton.addEventListener("click", () => this.#add());
    // Keys typed here are the controls' own (the radio group's arrows, the field's digits, the
    // list's letters), not the viewer's; Ctrl and its shortcuts go on to the page (undo and redo).
    document.getElementById("build").addEventListener("keydown", (event) => {
      if (event.ctrlKey || event.metaKey) return;
      const control = event.target instanceof HTMLInputElement || event.target instanceof HTMLSelectElement;
      if (control || ["Enter", " ", "Tab"].includes(event.key)) event.stopPropagation();
    });
    // While a new parent is chosen, Escape anywhere gives the move up rather than ending the
    // viewer.
    document.addEventListener("keydown", (event) => {
      if (event.key !== "Escape" || !this.#moving || event.ctrlKey || event.altKey || event.metaKey) return;
      event.preventDefault();
      event.stopPropagation();
      this.#cancelMove(true);
    }, true);
    this.#explain();
    this.#showCount();
    this.showNothing();
  }

  // How a move keeps the node: true for "Keep its place in the world".
  get keepWorld() {
    return document.querySelector('input[name="move-how"]:checked').value === "world";
  }

  // A row dropped onto another in the outline: its node moved there, as the choice of how says.
  drop(generation, id, targetId) {
    if (!this.#viewer.ready) return;
    this.#cancelMove(false);
    this.#answer(this.#viewer.move(generation, id, targetId, this.keepWorld));
  }

  // Deeper and Shallower pressed: for the chain or ball tree selected, its own depth; true when
  // taken here, false for the viewer's keys to do.
  depthKey(key) {
    const node = this.#node;
    if ((key !== "+" && key !== "-") || !node || node.levels === null || !this.#viewer.ready) return false;
    this.#answer(this.#viewer.deepen(node.generation, node.id, key === "+" ? 1 : -1));
    return true;
  }

  // A new outline: a move being chosen is given up when its node's generation is gone.
  modelShown(generation) {
    if (this.#moving && this.#moving.generation !== generation) this.#cancelMove(false);
  }

  showNode(name, className, below, generation, id) {
    const rest = this.#viewer.rest(generation, id);
    this.#node = { name, className, generation, id, levels: rest ? rest.levels : null };
    this.#showButtons();
  }

  showNothing() {
    this.#node = null;
    this.#showButtons();
  }

  #showButtons() {
    const node = this.#node;
    const moving = this.#moving !== null;
    const root = !node || node.id === 0;
    moveButton.disabled = root || moving;
    copyButton.disabled = root || moving;
    deleteButton.disabled = root || moving;
    addButton.disabled = !node || moving;
    moveHereButton.disabled = !node || !moving;
    if (moving) {
      movePrompt.textContent = node
        ? "Move \u201c" + this.#moving.name + "\u201d under \u201c" + node.name + "\u201d?"
        : "Select the new parent of \u201c" + this.#moving.name + "\u201d in the outline.";
    }
    const whose = node && node.levels !== null ? (node.className === "BallTree" ? "tree" : "chain") : null;
    setText(deeperButton, whose ? "Deeper (this " + whose + ")" : "Deeper (+)");
    setText(shallowerButton, whose ? "Shallower (this " + whose + ")" : "Shallower (-)");
  }

  #onNode(edit) {
    if (this.#node && this.#viewer.ready) this.#answer(edit(this.#node));
  }

  #startMove() {
    const node = this.#node;
    if (!node || node.id === 0 || !this.#viewer.ready) return;
    this.#moving = { name: node.name, generation: node.generation, id: node.id };
    moveChoice.hidden = false;
    this.#showButtons();
    movePrompt.textContent = "Select the new parent of \u201c" + node.name + "\u201d in the outline.";
    // The parent is chosen in the outline: the focus goes there.
    const row = document.querySelector('#outline [role="treeitem"][tabindex="0"]');
    if (row) row.focus();
  }

  #moveHere() {
    const moving = this.#moving;
    const node = this.#node;
    if (!moving || !node || !this.#viewer.ready) return;
    const refused = this.#viewer.move(moving.generation, moving.id, node.id, this.keepWorld);
    if (refused) {
      this.#answer(refused); // the learner may choose another parent
      return;
    }
    this.#cancelMove(false);
  }

  #cancelMove(focusBack) {
    if (!this.#moving) return;
    this.#moving = null;
    moveChoice.hidden = true;
    this.#showButtons();
    if (focusBack) moveButton.focus();
  }

  #explain() {
    moveExplanation.textContent = explanations[this.keepWorld ? "world" : "local"];
  }

  #showCount() {
    const word = countWords[addKind.value];
    addCountField.hidden = !word;
    if (word) addCountLabel.textContent = word;
  }

  #add() {
    const counted = countWords[addKind.value] !== undefined;
    const count = counted ? Number(addCount.value) : 0;
    if (counted && !(Number.isInteger(count) && count >= 1)) {
      this.#answer(countWords[addKind.value] + ": a whole number from 1, not \u201c" + addCount.value + "\u201d");
      return;
    }
    this.#onNode((n) => this.#viewer.addChild(n.generation, n.id, addKind.value, count));
  }
}

function setText(element, text) {
  if (element.textContent !== text) element.textContent = text;
}
