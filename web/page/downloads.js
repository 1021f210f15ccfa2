// The downloads: the canvas's own pixels as PNG, and the state on screen as glTF, written by
// scene-export's own code in a second module, loaded only when first asked for, in a worker.
import { say, sayLastProblem } from "./status.js";

const canvas = document.getElementById("canvas");

export function enableDownloads(viewer, outline) {
  // "figure", "your-model": a file name without spaces.
  const fileName = () => (outline.model ? outline.model.model.replaceAll(" ", "-") : "scene");

  // The canvas keeps its last frame (the context preserves its drawing buffer).
  document.getElementById("download-picture").addEventListener("click", () => {
    canvas.toBlob((blob) => offer(blob, fileName() + ".png"), "image/png");
  });

  document.getElementById("download-gltf").addEventListener("click", async (event) => {
    if (!viewer.ready) return;
    const button = event.currentTarget;
    const query = viewer.address();
    const name = fileName() + ".glb";
    button.disabled = true;
    say("Making " + name + "…");
    try {
      const bytes = await writeGlb(query, (done, total) =>
        say("Making " + name + ": " + Math.floor((100 * done) / total) + " %"));
      offer(new Blob([bytes], { type: "model/gltf-binary" }), name);
      sayLastProblem();
    } catch (error) {
      say("Download glTF: " + (error.message || error));
    } finally {
      button.disabled = false;
    }
  });
}

function offer(blob, name) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// The glTF module runs in a worker of its own, loaded when first asked for, so that a deep model
// takes the page's thread for none of the seconds its writing takes.
let worker = null;
function writeGlb(query, onProgress) {
  if (!worker) {
    worker = new Worker(new URL("./export_worker.js", import.meta.url), { type: "module" });
  }
  return new Promise((resolve, reject) => {
    worker.onmessage = ({ data }) => {
      if (data.progress) onProgress(...data.progress);
      else if (data.error) reject(new Error(data.error));
      else resolve(data.bytes);
    };
    worker.onerror = (event) => {
      event.preventDefault();
      worker.terminate();
      worker = null; // the next press tries again
      reject(new Error("the glTF writer could not be loaded: export_worker.js is missing from " +
                       "the site or is not a script"));
    };
    worker.postMessage({ query });
  });
}
