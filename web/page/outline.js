// The outline of the model on screen: the WAI-ARIA tree view pattern, its rows made as they are
// expanded. Selecting a row selects its node in the viewer and shows it in the panels. A row
// dragged onto another (mouse, pen or touch) asks for its node to be moved there.
const outline = document.getElementById("outline");
const heading = document.getElementById("outline-heading");

// A mouse or pen drags a row once it has moved this far; a touch once it has been held still for
// the time, so that a swipe still scrolls the outline.
const dragPixels = 6;
const touchHoldMilliseconds = 350;

export class Outline {
  #viewer;
  #panels;
  #model = null; // {generation, model, depth, paused, root}
  #selectedItem = null;
  #drag = null; // {pointerId, touch, item, x, y, started, timer, target}
  #dropped = null; // (generation, id, targetId): a row dropped onto another
  #swallowClick = false;

  // Each of `panels` is shown the node selected: showNode(name, className, below, generation,
  // id) and showNothing().
  constructor(viewer, ...panels) {
    this.#viewer = viewer;
    this.#panels = panels;
    outline.addEventListener("click", (event) => this.#clicked(event));
    outline.addEventListener("keydown", (event) => this.#keyDown(event));
    outline.addEventListener("pointerdown", (event) => this.#pointerDown(event));
    outline.addEventListener("pointermove", (event) => this.#pointerMove(event));
    outline.addEventListener("pointerup", (event) => this.#pointerUp(event, true));
    outline.addEventListener("pointercancel", (event) => this.#pointerUp(event, false));
    // While a touch drags a row the outline does not scroll, nor does a long press open a menu.
    outline.addEventListener("touchmove", (event) => {
      if (this.#drag && this.#drag.started) event.preventDefault();
    }, { passive: false });
    outline.addEventListener("contextmenu", (event) => {
      if (this.#drag) event.preventDefault();
    });
  }

  // What a row dropped onto another row does: `handler(generation, id, targetId)`.
  onDrop(handler) {
    this.#dropped = handler;
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
    const name =
      this.#model.model === "your model" ? "Nodes of your model" : "Nodes of the " + this.#model.model + " model";
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
    for (const panel of this.#panels) panel.showNothing();
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
    for (const panel of this.#panels) {
      panel.showNode(item.dataset.name, item.dataset.className, below, this.#model.generation,
                     Number(item.dataset.id));
    }
  }

  #pointerDown(event) {
    const item = itemOf(event.target);
    // The root stays where it is; the toggle opens and closes.
    if (!item || !event.isPrimary || event.button !== 0 || item.parentElement === outline ||
        event.target.classList.contains("toggle") || !this.#viewer.ready) {
      return;
    }
    this.#endDrag();
    const touch = event.pointerType === "touch";
    this.#drag = { pointerId: event.pointerId, touch, item, x: event.clientX, y: event.clientY,
                   time: event.timeStamp, started: false, timer: null, target: null };
    if (touch) this.#drag.timer = setTimeout(() => this.#startDrag(), touchHoldMilliseconds);
  }

  #startDrag() {
    const drag = this.#drag;
    if (!drag || drag.started) return;
    drag.started = true;
    drag.item.classList.add("dragging");
    try {
      outline.setPointerCapture(drag.pointerId);
    } catch {
      // The pointer is already gone; its up or cancel ends the drag.
    }
  }

  #pointerMove(event) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.pointerId) return;
    const moved = Math.hypot(event.clientX - drag.x, event.clientY - drag.y) >= dragPixels;
    if (drag.touch) {
      // A finger that moves before the hold swipes: the outline scrolls. The hold is judged by
      // the events' times, as a busy page may run the timer late or early beside the input.
      if (event.timeStamp - drag.time < touchHoldMilliseconds) {
        if (moved) this.#endDrag();
        return;
      }
      this.#startDrag();
    } else if (!drag.started) {
      if (!moved) return;
      this.#startDrag();
    }
    const under = document.elementFromPoint(event.clientX, event.clientY);
    const target = under && outline.contains(under) ? itemOf(under) : null;
    const fits = target && target !== drag.item && !drag.item.contains(target) ? target : null;
    if (fits !== drag.target) {
      if (drag.target) drag.target.classList.remove("drop-target");
      if (fits) fits.classList.add("drop-target");
      drag.target = fits;
    }
  }

  #pointerUp(event, dropped) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.pointerId) return;
    this.#endDrag();
    if (!drag.started) return;
    // The click that may follow the drag's release is not a selection.
    this.#swallowClick = true;
    setTimeout(() => (this.#swallowClick = false), 0);
    if (dropped && drag.target && this.#dropped && this.#model) {
      this.#dropped(this.#model.generation, Number(drag.item.dataset.id), Number(drag.target.dataset.id));
    }
  }

  #endDrag() {
    const drag = this.#drag;
    if (!drag) return;
    this.#drag = null;
    clearTimeout(drag.timer);
    drag.item.classList.remove("dragging");
    if (drag.target) drag.target.classList.remove("drop-target");
    if (drag.started && outline.hasPointerCapture(drag.pointerId)) outline.releasePointerCapture(drag.pointerId);
  }

  #clicked(event) {
    const item = itemOf(event.target);
    if (!item || this.#swallowClick) return;
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
