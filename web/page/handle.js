// The handle for moving or turning the selected node in the picture: three arms at the node's
// origin along its parent's axes (x red, y green, z blue), drawn in an SVG laid over the canvas
// and never into the picture itself. A drag along an arm (mouse or one finger) sets one value of
// one of the node's steps, Move the last translate's, Turn the last rotate's about that axis, and
// the whole drag is one step of the history. Each arm is a slider for the keyboard too.
const svgNamespace = "http://www.w3.org/2000/svg";
const canvas = document.getElementById("canvas");
const overlay = document.getElementById("handle");
const modeGroup = document.getElementById("handle-mode");
const axes = ["x", "y", "z"];
const colours = ["#e02020", "#109010", "#2060ff"];
const degreesPerPixel = 0.5;
// What an arrow key adds: scene units for Move, degrees for Turn.
const keySteps = { move: 0.1, turn: 1 };

export class Handle {
  #viewer;
  #problem;
  #mode = "move";
  #arms = [];
  #origin;
  #shown = null; // {generation, id, handle}: what the arms show
  #drag = null; // {pointerId, arm, drive, x, y, dx, dy, moved}
  #keyed = null; // the arm whose value a held arrow key goes on changing

  // `problem` shows the line that says why an edit was refused.
  constructor(viewer, problem) {
    this.#viewer = viewer;
    this.#problem = problem;
    this.#origin = element("circle", { class: "origin" });
    overlay.append(this.#origin);
    axes.forEach((axis, k) => {
      const arm = element("g", { class: "arm", role: "slider", tabindex: "-1" });
      arm.style.setProperty("--arm-colour", colours[k]);
      arm.append(
        element("line", { class: "hit" }),
        element("line", { class: "shaft" }),
        element("circle", { class: "grip-hit" }),
        element("circle", { class: "grip" }),
      );
      arm.addEventListener("pointerdown", (event) => this.#pointerDown(event, k));
      arm.addEventListener("pointermove", (event) => this.#pointerMove(event));
      arm.addEventListener("pointerup", (event) => this.#pointerUp(event));
      arm.addEventListener("pointercancel", (event) => this.#pointerUp(event));
      arm.addEventListener("lostpointercapture", () => (this.#drag = null));
      arm.addEventListener("keydown", (event) => this.#keyDown(event, k));
      arm.addEventListener("keyup", () => (this.#keyed = null));
      arm.addEventListener("blur", () => (this.#keyed = null));
      this.#arms.push(arm);
      overlay.append(arm);
    });
    for (const button of modeGroup.querySelectorAll("button[data-mode]")) {
      button.addEventListener("click", () => {
        this.#mode = button.dataset.mode;
        for (const other of modeGroup.querySelectorAll("button[data-mode]")) {
          other.setAttribute("aria-pressed", String(other === button));
        }
        this.refresh();
      });
    }
    viewer.addEventListener("selectionchange", () => this.refresh());
  }

  // Draws the handle of the selected node as the last frame shows it, or hides it.
  refresh() {
    const selection = this.#viewer.ready ? this.#viewer.selection : null;
    const handle = selection ? this.#viewer.handle(selection.generation, selection.id) : null;
    if (!handle) {
      this.#shown = null;
      this.#drag = null;
      overlay.classList.remove("shown");
      modeGroup.hidden = true;
      return;
    }
    this.#shown = { ...selection, handle };
    overlay.classList.add("shown");
    modeGroup.hidden = false;
    const [ox, oy] = handle.origin;
    // Circles sized in CSS pixels however small the picture is shown: a finger's target on a
    // phone. (The lines keep their width by CSS.)
    const scale = canvas.width / (canvas.getBoundingClientRect().width || canvas.width);
    this.#origin.setAttribute("cx", ox);
    this.#origin.setAttribute("cy", oy);
    this.#origin.setAttribute("r", 4 * scale);
    handle.arms.forEach((data, k) => {
      const arm = this.#arms[k];
      const drive = data[this.#mode];
      const [tx, ty] = data.tip;
      for (const line of arm.querySelectorAll("line")) {
        line.setAttribute("x1", ox);
        line.setAttribute("y1", oy);
        line.setAttribute("x2", tx);
        line.setAttribute("y2", ty);
      }
      for (const [name, radius] of [[".grip", 9], [".grip-hit", 16]]) {
        const circle = arm.querySelector(name);
        circle.setAttribute("cx", tx);
        circle.setAttribute("cy", ty);
        circle.setAttribute("r", radius * scale);
      }
      const name = (this.#mode === "move" ? "move along " : "turn about ") + data.axis;
      arm.setAttribute("aria-label", name);
      arm.classList.toggle("live", drive !== null);
      if (drive === null) {
        arm.setAttribute("aria-disabled", "true");
        arm.removeAttribute("aria-valuenow");
        arm.removeAttribute("aria-valuetext");
      } else {
        arm.removeAttribute("aria-disabled");
        arm.setAttribute("aria-valuenow", String(drive.value));
        arm.setAttribute(
          "aria-valuetext",
          String(Number(drive.value.toPrecision(6))) + (this.#mode === "move" ? "" : " degrees"),
        );
      }
    });
    // Tab reaches the arms that take a drag, and only those.
    for (const arm of this.#arms) arm.tabIndex = arm.classList.contains("live") ? 0 : -1;
  }

  // The drive of arm `k` in the mode shown, with the selection it belongs to; null for none.
  #driveOf(k) {
    if (!this.#shown) return null;
    const drive = this.#shown.handle.arms[k][this.#mode];
    return drive ? { ...drive, generation: this.#shown.generation, id: this.#shown.id } : null;
  }

  // Sets the arm's value; the first change of a drag or a held key starts a step of the history,
  // the rest continue it.
  #set(drive, value, continues) {
    const field = this.#mode === "move" ? drive.field : "angle";
    const refused = this.#viewer.setValue(drive.generation, drive.id, drive.step, field, value, continues);
    if (refused !== "") this.#problem(refused);
    return refused === "";
  }

  #pointerDown(event, k) {
    if (this.#drag || (event.pointerType === "mouse" && event.button !== 0)) return;
    const drive = this.#driveOf(k);
    if (!drive) return;
    const [ox, oy] = this.#shown.handle.origin;
    const [tx, ty] = this.#shown.handle.arms[k].tip;
    const length = Math.hypot(tx - ox, ty - oy);
    event.preventDefault();
    event.currentTarget.setPointerCapture(event.pointerId);
    event.currentTarget.focus({ preventScroll: true });
    this.#drag = {
      pointerId: event.pointerId,
      drive,
      x: event.clientX,
      y: event.clientY,
      dx: (tx - ox) / length,
      dy: (ty - oy) / length,
      moved: false,
    };
  }

  #pointerMove(event) {
    const drag = this.#drag;
    if (!drag || event.pointerId !== drag.pointerId) return;
    // The pointer's way since it went down, in canvas pixels, along the arm as it was then.
    const box = canvas.getBoundingClientRect();
    const scale = canvas.width / box.width;
    const pixels =
      ((event.clientX - drag.x) * drag.dx + (event.clientY - drag.y) * drag.dy) * scale;
    const perPixel = this.#mode === "move" ? drag.drive.unitsPerPixel : degreesPerPixel;
    if (this.#set(drag.drive, drag.drive.value + pixels * perPixel, drag.moved)) drag.moved = true;
  }

  #pointerUp(event) {
    if (!this.#drag || event.pointerId !== this.#drag.pointerId) return;
    this.#drag = null;
    this.refresh();
  }

  // The arrow keys step the arm's value and Tab moves the focus on; neither reaches the viewer.
  // Other keys do, as from the picture.
  #keyDown(event, k) {
    if (event.key === "Tab") event.stopPropagation();
    const sign = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1 }[event.key];
    if (sign === undefined) return;
    event.preventDefault();
    event.stopPropagation();
    const drive = this.#driveOf(k);
    if (!drive || this.#drag) return;
    // A held key goes on from its first press: one step of the history.
    const continues = event.repeat && this.#keyed === k;
    if (this.#set(drive, drive.value + sign * keySteps[this.#mode], continues)) this.#keyed = k;
    this.refresh();
  }
}

function element(name, attributes) {
  const node = document.createElementNS(svgNamespace, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  return node;
}
