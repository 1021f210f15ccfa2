// Where Chromium's GPU process spends a page frame: opens the web build's page in headless
// Chromium, types the keys that reach a model, samples the GPU process with perf and prints the
// share of each place the samples fell in. SwiftShader compiles its shaders into code that perf
// cannot name; each such routine is named here by its ELF section (VertexRoutine, SetupRoutine,
// PixelRoutine_..., sampler, BlitRoutine), read from the process's memory while it runs.
//
//   node bench/page_gpu_profile.mjs SITE_FOLDER KEYS [SECONDS] [--flag=CHROMIUM_FLAG ...]
//
// Needs perf and root (or perf_event_paranoid low enough to attach to the process).
import { execFileSync } from "node:child_process";
import { closeSync, openSync, readFileSync, readSync, readdirSync } from "node:fs";
import { startSession } from "../tests/browser/browser_session.mjs";

const flags = process.argv.slice(2).filter((a) => a.startsWith("--flag="));
const [siteFolder, keys = "", seconds = "5"] = process.argv
  .slice(2)
  .filter((a) => !a.startsWith("--flag="));
if (!siteFolder) {
  console.error("usage: node bench/page_gpu_profile.mjs SITE_FOLDER KEYS [SECONDS] [--flag=...]");
  process.exit(2);
}

function gpuProcess(browser) {
  const profile = browser.process().spawnargs.find((a) => a.startsWith("--user-data-dir="));
  for (const pid of readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    try {
      const command = readFileSync(`/proc/${pid}/cmdline`, "utf8").replaceAll("\0", " ") + " ";
      if (command.includes(" --type=gpu-process ") && command.includes(` ${profile} `)) return pid;
    } catch {
      // a process that ended meanwhile
    }
  }
  throw new Error("no GPU process");
}

// The name of the routine whose ELF image SwiftShader mapped at [start, end): its first
// ".text." section.
function routineName(memory, start, end) {
  const image = Buffer.alloc(end - start);
  readSync(memory, image, 0, image.length, start);
  if (image.readUInt32BE(0) !== 0x7f454c46) return "?";
  const sections = Number(image.readBigUInt64LE(0x28));
  const size = image.readUInt16LE(0x3a);
  const count = image.readUInt16LE(0x3c);
  const names = Number(image.readBigUInt64LE(sections + image.readUInt16LE(0x3e) * size + 0x18));
  for (let i = 0; i < count; ++i) {
    const at = names + image.readUInt32LE(sections + i * size);
    const name = image.toString("latin1", at, image.indexOf(0, at));
    if (name.startsWith(".text.")) return name.slice(6);
  }
  return "?";
}

const session = await startSession(siteFolder, {}, flags.map((f) => f.slice(7)));
try {
  const page = await session.browser.newPage();
  await page.goto(`${session.origin}/index.html`);
  await page.waitForFunction("document.getElementById('title').textContent !== ''");
  for (const key of keys) await page.keyboard.press(key);
  await new Promise((resolve) => setTimeout(resolve, 2000));
  const pid = gpuProcess(session.browser);
  const data = `/tmp/page_gpu_profile.${pid}.data`;
  execFileSync("perf", ["record", "-q", "-F", "999", "-p", pid, "-o", data, "--", "sleep", seconds], {
    stdio: "ignore",
  });
  // The routines as mapped now, while the page still runs.
  const memory = openSync(`/proc/${pid}/mem`, "r");
  const routines = [];
  for (const line of readFileSync(`/proc/${pid}/maps`, "utf8").split("\n")) {
    if (!line.includes("swiftshader_jit")) continue;
    const [start, end] = line.split(" ")[0].split("-").map((h) => parseInt(h, 16));
    routines.push({ start, end, name: routineName(memory, start, end) });
  }
  closeSync(memory);
  const shares = new Map();
  let samples = 0;
  const script = execFileSync("perf", ["script", "-i", data, "-G", "-F", "ip,dso"], {
    maxBuffer: 1 << 28,
    stdio: ["ignore", "pipe", "ignore"],
  }).toString();
  for (const line of script.split("\n")) {
    const match = line.trim().match(/^([0-9a-f]+) \((.*)\)$/);
    if (!match) continue;
    ++samples;
    let place = match[2].split("/").pop();
    if (place.startsWith("memfd:swiftshader_jit")) {
      const ip = parseInt(match[1], 16);
      const routine = routines.find((r) => r.start <= ip && ip < r.end);
      place = "SwiftShader's " + (routine ? routine.name : "routine no longer mapped");
    }
    shares.set(place, (shares.get(place) || 0) + 1);
  }
  console.log(`GPU process ${pid}, ${samples} samples over ${seconds} s, keys "${keys}"`);
  for (const [place, count] of [...shares].sort((a, b) => b[1] - a[1]).slice(0, 14)) {
    console.log(`${((100 * count) / samples).toFixed(1).padStart(5)} %  ${place}`);
  }
} finally {
  await session.end();
}
