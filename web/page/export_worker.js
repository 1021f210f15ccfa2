// Writes the .glb for "Download glTF" off the page's thread: the glTF module builds the scene
// anew and plays the whole address, which for a deep tree takes seconds, and the page answers
// meanwhile. Asked with {query}; answers {progress: [done, total]} now and then, and at the end
// {bytes} or {error}.
import { loadModule } from "./module_loading.js";

let exporter = null; // the glTF module, loaded on the first request
let lastPercent = -1;

function progress(done, total) {
  const percent = Math.floor((100 * done) / total);
  if (percent !== lastPercent) {
    lastPercent = percent;
    self.postMessage({ progress: [done, total] });
  }
}

self.onmessage = async ({ data: { query } }) => {
  try {
    if (!exporter) {
      exporter = await loadModule("scene-export", "the glTF writer", { onProgress: progress });
    }
    lastPercent = -1;
    const bytes = exportGlb(exporter, query);
    self.postMessage({ bytes }, [bytes.buffer]);
  } catch (error) {
    self.postMessage({ error: error.message || String(error) });
  }
};

// Hands the address's parameters to the module, in order, and returns the .glb it writes.
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
