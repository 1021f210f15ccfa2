// The page beside variants of itself, one after the other in one headless Chromium: other
// WebGL context attributes (put into the page's getContext call before it runs), other CSS, or
// a bare page that only clears an 800 x 800 WebGL canvas every frame. For each model and
// variant: frames a second (the median of three counts) and the CPU time of Chromium's GPU
// process a frame. A probe for what might make the page faster, not a benchmark with targets:
// a variant that changes the picture is no candidate.
//
//   node bench/page_variants.mjs SITE_FOLDER MODELS VARIANTS [SECONDS] [--flag=CHROMIUM_FLAG ...]
//
// MODELS and VARIANTS are lists with commas: models as below, "-paused" after a name for the
// same pose in every frame; variants as below ("page" is the page as it is).
import { mkdtemp, writeFile } from "node:fs/promises";
import { loadavg, tmpdir } from "node:os";
import { join } from "node:path";
import { startSession } from "../tests/browser/browser_session.mjs";
import { framesPerSecond, gpuCostPerFrame, median } from "./page_frames.mjs";

const models = {
  chain: "",
  figure: "x",
  fan: "xx",
  tree4: "+++xxx",
  tree8: "+++++++xxx",
  tree12: "+++++++++++xxx",
};
const variants = {
  page: {},
  "no-preserve": { attributes: { preserveDrawingBuffer: false } },
  desynchronized: { attributes: { desynchronized: true } },
  alpha: { attributes: { alpha: true } },
  "no-margin": { css: "body { margin: 0 }" },
  "canvas-100px": { css: "canvas { width: 100px !important }" },
  "canvas-alone": { css: "h1, #status, .controls, #panel, #help { display: none !important }" },
  bare: { bare: "" },
  "bare-no-preserve": { bare: "preserve=0" },
  "bare-idle": { bare: "draw=0" },
};

const barePage = `<!doctype html><html><head><style>body { margin: 0 }</style></head><body>
<canvas id="canvas" width="800" height="800"></canvas>
<script>
const q = new URLSearchParams(location.search);
const gl = document.getElementById("canvas").getContext("webgl", {
  alpha: false, antialias: false, depth: true, stencil: false,
  preserveDrawingBuffer: q.get("preserve") !== "0" });
const frame = () => {
  if (q.get("draw") !== "0") {
    gl.clearColor(0.2, 0.2, 0.7, 1);
    gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  }
  requestAnimationFrame(frame);
};
requestAnimationFrame(frame);
</script></body></html>
`;

const flags = process.argv.slice(2).filter((a) => a.startsWith("--flag="));
const [siteFolder, modelList, variantList, seconds = "3"] = process.argv
  .slice(2)
  .filter((a) => !a.startsWith("--flag="));
if (!siteFolder || !modelList || !variantList) {
  console.error(
    "usage: node bench/page_variants.mjs SITE_FOLDER MODELS VARIANTS [SECONDS] [--flag=...]",
  );
  process.exit(2);
}
const bareFolder = await mkdtemp(join(tmpdir(), "page-variants-"));
await writeFile(join(bareFolder, "index.html"), barePage);

const session = await startSession(
  siteFolder,
  { "/bare/": bareFolder },
  flags.map((f) => f.slice("--flag=".length)),
);
try {
  console.log("| model | variant | frames/s | counts | GPU process, CPU ms a frame | 1-minute load |");
  console.log("|---|---|---:|---|---:|---:|");
  for (const modelName of modelList.split(",")) {
    const paused = modelName.endsWith("-paused");
    const keys = models[modelName.replace(/-paused$/, "")];
    if (keys === undefined) throw new Error(`no model ${modelName}`);
    for (const variantName of variantList.split(",")) {
      const variant = variants[variantName];
      if (variant === undefined) throw new Error(`no variant ${variantName}`);
      const page = await session.browser.newPage();
      if (variant.bare !== undefined) {
        await page.goto(`${session.origin}/bare/index.html?${variant.bare}`);
      } else {
        if (variant.attributes) {
          await page.evaluateOnNewDocument((attributes) => {
            const getContext = HTMLCanvasElement.prototype.getContext;
            HTMLCanvasElement.prototype.getContext = function (type, asked) {
              return getContext.call(this, type, { ...asked, ...attributes });
            };
          }, variant.attributes);
        }
        await page.goto(`${session.origin}/index.html`);
        await page.waitForFunction("document.getElementById('title').textContent !== ''");
        if (variant.css) await page.addStyleTag({ content: variant.css });
        for (const key of keys + (paused ? " " : "")) await page.keyboard.press(key);
      }
      const counts = [];
      for (let i = 0; i < 3; ++i) counts.push(await framesPerSecond(page, Number(seconds)));
      const gpu = await gpuCostPerFrame(session.browser, page, Number(seconds));
      await page.close();
      console.log(
        `| ${modelName} | ${variantName} | ${median(counts).toFixed(1)} | ` +
          `${counts.map((c) => c.toFixed(1)).join(", ")} | ${gpu.toFixed(1)} | ` +
          `${loadavg()[0].toFixed(2)} |`,
      );
    }
  }
} finally {
  await session.end();
}
