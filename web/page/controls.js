// The buttons for every key of the viewer, for touch and mouse, and Step, one animation step
// while paused.
const pauseButton = document.getElementById("pause");
const stepButton = document.getElementById("step");

export function enableControls(viewer) {
  for (const button of document.querySelectorAll("button[data-key]")) {
    button.addEventListener("click", () => {
      if (viewer.running) viewer.key(button.dataset.key);
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
  for (const button of document.querySelectorAll("button")) button.disabled = true;
}
