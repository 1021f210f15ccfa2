// The web build in headless Chromium (SwiftShader's WebGL, no GPU): how long the page takes
// until the viewer has drawn its first frame, and how many frames a second each model runs at.
// Prints a table and writes the figures as JSON.
//
//   node bench/web_page_bench.mjs SITE_FOLDER OUTPUT_JSON [--quick]
import { execFileSync } from "node:child_process";
import { writeFile } from "node:fs/promises";
import { startSession } from "../tests/browser/browser_session.mjs";

const [siteFolder, output, quick] = process.argv.slice(2);
if (!siteFolder || !output) {
  console.error("usage: node bench/web_page_bench.mjs SITE_FOLDER OUTPUT_JSON [--quick]");
  process.exit(2);
}
const loads = quick ? 2 : 7;
const seconds = quick ? 1 : 5;

// The models as the viewer's keys reach them from the start: depth first, then the model.
const models = [
  { name: "chain, depth 1", keys: "" },
  { name: "figure", keys: "x" },
  { name: "fan", keys: "xx" },
  { name: "tree, depth 4", keys: "+++xxx" },
  { name: "tree, depth 8", keys: "+++++++xxx" },
  { name: "tree, depth 12", keys: "+++++++++++xxx" },
];

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// Milliseconds from the start of navigation until the viewer's first frame has been drawn:
// the page, the script and the WebAssembly loaded and compiled, the scene built.
async function loadTime(page, origin) {
  await page.evaluateOnNewDocument(() => {
    const request = window.requestAnimationFrame.bind(window);
    let frames = 0;
    window.requestAnimationFrame = (callback) =>
      request((time) => {
        callback(time);
        if (++frames === 1) {
          window.__firstFrameDrawn = performance.now();
        }
      });
  });
  await page.goto(`${origin}/index.html`);
  await page.waitForFunction("window.__firstFrameDrawn !== undefined", { polling: 10 });
  return page.evaluate(() => window.__firstFrameDrawn);
}

// Animation frames shown in `seconds` seconds, after one second to settle.
function framesPerSecond(page) {
  return page.evaluate(
    (span) =>
      new Promise((resolve) => {
        let frames = 0;
        let start;
        const count = (time) => {
          if (start === undefined) {
            if (time < settleUntil) {
              requestAnimationFrame(count);
              return;
            }
            start = time;
          }
          ++frames;
          if (time - start < span * 1000) {
            requestAnimationFrame(count);
          } else {
            resolve(((frames - 1) * 1000) / (time - start));
          }
        };
        const settleUntil = performance.now() + 1000;
        requestAnimationFrame(count);
      }),
    seconds,
  );
}

const session = await startSession(siteFolder);
const results = { loadMs: [], models: [] };
try {
  for (let i = 0; i < loads; ++i) {
    const page = await session.browser.newPage();
    results.loadMs.push(await loadTime(page, session.origin));
    await page.close();
  }
  for (const model of models) {
    const page = await session.browser.newPage();
    await page.goto(`${session.origin}/index.html`);
    await page.waitForFunction("document.getElementById('title').textContent !== ''");
    for (const key of model.keys) {
      await page.keyboard.press(key);
    }
    results.models.push({ name: model.name, framesPerSecond: await framesPerSecond(page) });
    await page.close();
  }
} finally {
  await session.end();
}

results.browser = execFileSync(process.env.CHROMIUM || "/usr/bin/chromium", ["--version"], {
  stdio: ["ignore", "pipe", "ignore"],
})
  .toString()
  .trim();
await writeFile(output, JSON.stringify(results, null, 2) + "\n");

// The first load compiles the WebAssembly; the browser keeps the compiled code for the others.
const [first, ...warm] = results.loadMs;
console.log(`${results.browser}, headless, SwiftShader WebGL`);
console.log(
  `page load to first frame: ${first.toFixed(0)} ms the first time, median ` +
    `${median(warm).toFixed(0)} ms of ${warm.length} loads after it ` +
    `(${warm.map((t) => t.toFixed(0)).join(", ")})`,
);
console.log("| model | frames/s in the browser |");
console.log("|---|---:|");
for (const model of results.models) {
  console.log(`| ${model.name} | ${model.framesPerSecond.toFixed(1)} |`);
}
