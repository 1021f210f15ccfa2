// A click or a touch on the picture selects the node drawn under it, and the outline opens down
// to it; one on nothing selects nothing.
const canvas = document.getElementById("canvas");

export function enablePicking(viewer, outline) {
  // A tap arrives as a click too.
  canvas.addEventListener("click", (event) => {
    if (!viewer.ready) return;
    // The canvas may be shown smaller than it is drawn: back to its own pixels.
    const box = canvas.getBoundingClientRect();
    const x = ((event.clientX - box.left) * canvas.width) / box.width;
    const y = ((event.clientY - box.top) * canvas.height) / box.height;
    const path = viewer.pick(x, y);
    if (path.length === 0) outline.clearSelection();
    else outline.reveal(path);
  });
}
