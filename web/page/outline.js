// The outline of the model on screen: the WAI-ARIA tree view pattern, its rows made as they are
// expanded. Selecting a row selects its node in the viewer and shows it in the node panel.
const outline = document.getElementById("outline");
const heading = document.getElementById("outline-heading");

export class Outline {
  #viewer;
  #panel;
  #model = null; // {generation, model, depth, paused, root}
  #selectedItem = null;

  constructor(viewer, panel) {
    this.#viewer = viewer;
    this.#panel = panel;
    outline.addEventListener("click", (event) => this.#clicked(event));
    outline.addEventListener("keydown", (event) => this.#keyDown(event));
  }

  // The model on screen, as the outline last listed it.
  get model() {
    return this.#model;
  }

  // Lists the model on screen anew, its root expanded and nothing selected.
  show() {
    this.#model = this.#viewer.model();
    outline.replaceChildren(makeItem(this.#model.root, 1, 1, 1));
    outline.firstChild.tabIndex = 0;
    const name = "Nodes of the " + this.#model.model + " model";
    outline.setAttribute("aria-label", name);
    heading.textContent =
      name + (this.#model.model === "chain" || this.#model.model === "tree" ? ", depth " + this.#model.depth : "");
    this.clearSelection();
    this.#expand(outline.firstChild);
    return this.#model;
  }

  clearSelection() {
    if (this.#viewer.running) this.#viewer.clearSelection();
    if (this.#selectedItem) this.#selectedItem.setAttribute("aria-selected", "false");
    this.#selectedItem = null;
    this.#panel.showNothing();
  }

  // Expands the rows down to the last id of `path` (ids from the root down) and selects it.
  reveal(path) {
    let item = outline.firstChild;
    for (const id of path.slice(1)) {
      this.#expand(item);
      item = item.querySelector(`:scope > [role="group"] > [data-id="${id}"]`);
      if (!item) return;
    }
    this.#select(item);
    item.scrollIntoView({ block: "nearest" });
  }

  #expand(item) {
    if (item.getAttribute("aria-expanded") !== "false") return;
    const children = this.#viewer.children(this.#model.generation, Number(item.dataset.id));
    if (children === null) return;
    const group = document.createElement("ul");
    group.setAttribute("role", "group");
    const level = Number(item.getAttribute("aria-level")) + 1;
    children.forEach((child, i) => group.append(makeItem(child, level, i + 1, children.length)));
    item.append(group);
    item.setAttribute("aria-expanded", "true");
    item.querySelector(":scope > .row > .toggle").textContent = "▾";
  }

  #collapse(item) {
    if (item.getAttribute("aria-expanded") !== "true") return;
    item.querySelector(':scope > [role="group"]').remove();
    item.setAttribute("aria-expanded", "false");
    item.querySelector(":scope > .row > .toggle").textContent = "▸";
    if (this.#selectedItem && !this.#selectedItem.isConnected) {
      // The selection stays with the node; the outline shows it at the collapsed row.
      this.#selectedItem = null;
    }
  }

  #select(item) {
    if (!this.#viewer.ready) return;
    const below = this.#viewer.select(this.#model.generation, Number(item.dataset.id));
    if (below < 0) return;
    if (this.#selectedItem) this.#selectedItem.setAttribute("aria-selected", "false");
    this.#selectedItem = item;
    item.setAttribute("aria-selected", "true");
    for (const other of outline.querySelectorAll('[role="treeitem"][tabindex="0"]')) other.tabIndex = -1;
    item.tabIndex = 0;
    this.#panel.showNode(item.dataset.name, item.dataset.className, below, this.#model.generation,
                         Number(item.dataset.id));
  }

  #clicked(event) {
    const item = itemOf(event.target);
    if (!item) return;
    if (event.target.classList.contains("toggle")) {
      if (item.getAttribute("aria-expanded") === "true") this.#collapse(item);
      else this.#expand(item);
    }
    focusItem(item);
    this.#select(item);
  }

  #keyDown(event) {
    const item = itemOf(event.target);
    if (!item || event.ctrlKey || event.altKey || event.metaKey) return;
    if (event.key === "Tab") {
      event.stopPropagation(); // moves the focus on, as everywhere on the page
      return;
    }
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
        if (item.getAttribute("aria-expanded") === "false") this.#expand(item);
        else if (item.getAttribute("aria-expanded") === "true")
          next = item.querySelector('[role="group"] > [role="treeitem"]');
        break;
      case "ArrowLeft":
        if (item.getAttribute("aria-expanded") === "true") this.#collapse(item);
        else if (item.parentElement !== outline) next = itemOf(item.parentElement);
        break;
      case "Enter":
      case " ":
        // Selects the node; on the node already selected, opens or closes it.
        if (item === this.#selectedItem) {
          if (item.getAttribute("aria-expanded") === "false") this.#expand(item);
          else this.#collapse(item);
        }
        this.#select(item);
        break;
      case "*":
        for (const sibling of item.parentElement.children) this.#expand(sibling);
        break;
      default:
        // A printable character moves to the next row whose name starts with it; the keys that
        // type none (Escape, Backspace, Delete) are the viewer's.
        if ([...event.key].length !== 1) return;
        next = nextStartingWith(items, at, event.key);
        break;
    }
    event.preventDefault();
    event.stopPropagation();
    if (next) {
      focusItem(next);
      this.#select(next);
    }
  }
}

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

function visibleItems() {
  return Array.from(outline.querySelectorAll('[role="treeitem"]')).filter(
    (item) => item.parentElement === outline || itemOf(item.parentElement).getAttribute("aria-expanded") === "true",
  );
}

// The first row after `at` (round to the start) whose name starts with `character`, case aside.
function nextStartingWith(items, at, character) {
  const wanted = character.toLocaleLowerCase("en");
  for (let k = 1; k <= items.length; ++k) {
    const item = items[(at + k) % items.length];
    if (item.dataset.name.toLocaleLowerCase("en").startsWith(wanted)) return item;
  }
  return null;
}

function focusItem(item) {
  for (const other of outline.querySelectorAll('[role="treeitem"][tabindex="0"]')) other.tabIndex = -1;
  item.tabIndex = 0;
  item.focus();
}
