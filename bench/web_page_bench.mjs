// The web build in headless Chromium (SwiftShader's WebGL, no GPU) beside the desktop viewer
// on Mesa under Xvfb: how long the page takes until the viewer has drawn its first frame, and
// how many frames a second each model runs at on the page and on the desktop, measured model
// by model in turn so that both meet the same load. Prints a table with the ratio of the two
// (the desktop's rate capped at the 60 frames a second that the browser presents) and writes
// the figures as JSON.
//
//   node bench/web_page_bench.mjs SITE_FOLDER OUTPUT_JSON [--desktop FRAME_BENCH] [--quick]
//
// FRAME_BENCH is bench/frame_bench of an optimised build; without it only the page is measured.
//
// Beside each model's frame rate it gives the CPU time that Chromium's GPU process spends on a
// frame (its threads together, from /proc): SwiftShader draws the WebGL frame and the compositor
// draws the page there, and the page's rate follows it while the page's own thread idles.
import { execFileSync } from "node:child_process";
import { readFile, writeFile } from "node:fs/promises";
import { loadavg } from "node:os";
import { gzipSync } from "node:zlib";
import { startSession } from "../tests/browser/browser_session.mjs";
import { framesPerSecond, gpuCostPerFrame, median } from "./page_frames.mjs";

const args = process.argv.slice(2);
const option = (name) => {
  const at = args.indexOf(name);
  return at < 0 ? undefined : args.splice(at, 2)[1];
};
const quick = args.includes("--quick");
if (quick) {
  args.splice(args.indexOf("--quick"), 1);
}
const frameBench = option("--desktop");
const [siteFolder, output] = args;
if (!siteFolder || !output || args.length !== 2) {
  console.error(
    "usage: node bench/web_page_bench.mjs SITE_FOLDER OUTPUT_JSON [--desktop FRAME_BENCH] [--quick]",
  );
  process.exit(2);
}
const loads = quick ? 2 : 7;
const seconds = quick ? 1 : 4;
const counts = quick ? 1 : 3;
const presentedRate = 60;

// The models as the viewer's keys reach them from the start (depth first, then the model),
// and frame_bench's name for the same frame.
const models = [
  { name: "chain, depth 1", keys: "", desktop: "frame/chain" },
  { name: "figure", keys: "x", desktop: "frame/figure" },
  { name: "fan", keys: "xx", desktop: "frame/fan" },
  { name: "tree, depth 4", keys: "+++xxx", desktop: "frame/tree/4" },
  { name: "tree, depth 8", keys: "+++++++xxx", desktop: "frame/tree/8" },
  { name: "tree, depth 12", keys: "+++++++++++xxx", desktop: "frame/tree/12" },
];

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

// The desktop's frames per second for one frame_bench benchmark: the median of its
// repetitions, each frame as the viewer runs it (an idle step, a display, the buffer swap).
function desktopFramesPerSecond(benchmark) {
  const repetitions = quick
    ? ["--benchmark_repetitions=2", "--benchmark_min_time=0.01"]
    : ["--benchmark_repetitions=5", "--benchmark_min_time=0.3"];
  const xvfb = ["-a", "-s", "-screen 0 1280x1024x24 -nolisten tcp"];
  const report = JSON.parse(
    execFileSync(
      "xvfb-run",
      [
        ...xvfb,
        frameBench,
        `--benchmark_filter=^${benchmark}/real_time$`,
        "--benchmark_format=json",
        ...repetitions,
      ],
      { stdio: ["ignore", "pipe", "ignore"], maxBuffer: 1 << 24 },
    )
      .toString()
      // Google Benchmark writes a counter it could not work out (a spread of one short
      // repetition) as NaN, which JSON has no word for.
      .replace(/\bNaN\b/g, "null"),
  );
  const inSeconds = { ns: 1e-9, us: 1e-6, ms: 1e-3, s: 1 };
  const times = report.benchmarks
    .filter((b) => b.run_type === "iteration")
    .map((b) => b.real_time * inSeconds[b.time_unit]);
  return 1 / median(times);
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
    const load = loadavg()[0];
    const page = await session.browser.newPage();
    await page.goto(`${session.origin}/index.html`);
    await page.waitForFunction("document.getElementById('title').textContent !== ''");
    for (const key of model.keys) {
      await page.keyboard.press(key);
    }
    const pageCounts = [];
    for (let i = 0; i < counts; ++i) {
      pageCounts.push(await framesPerSecond(page, seconds));
    }
    const gpuMsPerFrame = await gpuCostPerFrame(session.browser, page, seconds);
    await page.close();
    const result = {
      name: model.name,
      framesPerSecond: median(pageCounts),
      pageCounts,
      gpuMsPerFrame,
      load,
    };
    if (frameBench) {
      result.desktopFramesPerSecond = desktopFramesPerSecond(model.desktop);
      result.ratio =
        result.framesPerSecond / Math.min(result.desktopFramesPerSecond, presentedRate);
    }
    results.models.push(result);
  }
  results.page = await pageCost(session);
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
  `page load to first frame: ${first.toFixed(0)} ms the first time (cold), median ` +
    `${median(warm).toFixed(0)} ms of ${warm.length} loads after it (warm: ` +
    `${warm.map((t) => t.toFixed(0)).join(", ")})`,
);
console.log(
  "| model | page frames/s | desktop frames/s | desktop, at most 60 | ratio | " +
    "GPU process, CPU ms a frame | 1-minute load |",
);
console.log("|---|---:|---:|---:|---:|---:|---:|");
const figure = (value, digits = 1) => (value === undefined ? "-" : value.toFixed(digits));
for (const m of results.models) {
  const capped =
    m.desktopFramesPerSecond === undefined
      ? undefined
      : Math.min(m.desktopFramesPerSecond, presentedRate);
  console.log(
    `| ${m.name} | ${figure(m.framesPerSecond)} | ${figure(m.desktopFramesPerSecond)} | ` +
      `${figure(capped)} | ${figure(m.ratio, 2)} | ${figure(m.gpuMsPerFrame)} | ` +
      `${figure(m.load, 2)} |`,
  );
}

// What the page's outline and panel cost: the bytes of the first load, gzipped (the glTF module
// is loaded only when asked for, and left out), and the frame rate of each model with nothing
// selected, with its root selected (its whole subtree tinted) and with a leaf selected. The
// animation is paused first, so that every count draws the same pose (a turning tree leaves
// more or fewer balls outside the view from one moment to the next); the frames are drawn all
// the same. Nothing and the root take turns, `counts` times each.
async function pageCost(session) {
  const firstLoad = ["index.html", "page.css", "page.js", "scene-viewer.js", "scene-viewer.wasm"];
  let gzipped = 0;
  for (const name of firstLoad) {
    try {
      gzipped += gzipSync(await readFile(`${siteFolder}/${name}`), { level: 9 }).length;
    } catch {
      // a site from before the page had its own script and style
    }
  }
  const selection = [];
  for (const model of models.filter((m) => m.keys !== "")) {
    const page = await session.browser.newPage();
    await page.goto(`${session.origin}/index.html`);
    await page.waitForFunction("document.getElementById('title').textContent !== ''");
    for (const key of [...model.keys, " "]) {
      await page.keyboard.press(key);
    }
    // The outline follows the keys once the page has taken them.
    await page.waitForFunction(
      () => document.getElementById("pause")?.getAttribute("aria-pressed") === "true",
    );
    const select = (which) =>
      page.evaluate((which) => {
        if (which === "none") {
          // A click on the background, where no node is drawn, clears the selection.
          const canvas = document.querySelector("canvas");
          const box = canvas.getBoundingClientRect();
          canvas.dispatchEvent(
            new MouseEvent("click", { clientX: box.left + 2, clientY: box.top + 2, bubbles: true }),
          );
          return;
        }
        let item = document.querySelector('[role="treeitem"][aria-level="1"]');
        while (which === "leaf" && item.getAttribute("aria-expanded") !== null) {
          if (item.getAttribute("aria-expanded") === "false") item.querySelector(".toggle").click();
          item = item.querySelector('[role="group"] > [role="treeitem"]');
        }
        item.querySelector(".row").click();
      }, which).then(() =>
        page.waitForFunction(
          (which) =>
            (document.querySelector('[role="treeitem"][aria-selected="true"]') !== null) ===
            (which !== "none"),
          {},
          which,
        ),
      );
    const rates = { none: [], root: [], leaf: [] };
    for (let i = 0; i < counts; ++i) {
      for (const which of ["none", "root"]) {
        await select(which);
        rates[which].push(await framesPerSecond(page, seconds));
      }
    }
    await select("leaf");
    rates.leaf.push(await framesPerSecond(page, seconds));
    selection.push({
      name: model.name,
      none: median(rates.none),
      root: median(rates.root),
      leaf: median(rates.leaf),
      rates,
    });
    await page.close();
  }
  console.log(`first load, gzipped: ${gzipped} bytes (${firstLoad.join(", ")})`);
  console.log("| model, paused | frames/s, nothing selected | root selected | root / nothing | a leaf selected |");
  console.log("|---|---:|---:|---:|---:|");
  for (const f of selection) {
    console.log(
      `| ${f.name} | ${f.none.toFixed(1)} | ${f.root.toFixed(1)} | ` +
        `${(f.root / f.none).toFixed(2)} | ${f.leaf.toFixed(1)} |`,
    );
  }
  return { firstLoadGzipped: gzipped, selection };
}
