// The downloads: the canvas's own pixels as PNG, and the state on screen as glTF, written by
// scene-export's own code in a second module that is loaded only when first asked for.
import { loadModule } from "./module_loading.js";
import { say, sayLastProblem } from "./status.js";

const canvas = document.getElementById("canvas");

export function enableDownloads(viewer, outline) {
  const fileName = () => (outline.model ? outline.model.model : "scene");

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
      const module = await loadExporter();
      const bytes = exportGlb(module, query);
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

let exporter = null; // the glTF module, loaded when first asked for
function loadExporter() {
  if (!exporter) {
    exporter = loadModule("scene-export", "the glTF writer").catch((error) => {
      exporter = null; // the next press tries again
      throw error;
    });
  }
  return exporter;
}

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
