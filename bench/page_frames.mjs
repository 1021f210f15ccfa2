// Counting the page's frames, and what they cost Chromium's GPU process, shared by the page
// benchmarks.
import { readFileSync, readdirSync } from "node:fs";

export const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// Animation frames the page shows a second, counted for `seconds` seconds after one second to
// settle.
export function framesPerSecond(page, seconds) {
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

// The CPU time, in milliseconds, of this browser's GPU process so far: the process whose
// command line names its type and this browser's profile folder.
export function gpuProcessMilliseconds(browser) {
  const profile = browser.process().spawnargs.find((a) => a.startsWith("--user-data-dir="));
  const ticksPerMs = 100 / 1000; // USER_HZ
  let ticks = 0;
  for (const pid of readdirSync("/proc").filter((d) => /^\d+$/.test(d))) {
    try {
      // Chromium rewrites its command line as one string, the arguments apart by spaces.
      const command = readFileSync(`/proc/${pid}/cmdline`, "utf8").replaceAll("\0", " ") + " ";
      if (!command.includes(" --type=gpu-process ") || !command.includes(` ${profile} `)) continue;
      const fields = readFileSync(`/proc/${pid}/stat`, "utf8").split(") ")[1].split(" ");
      ticks += Number(fields[11]) + Number(fields[12]); // utime and stime
    } catch {
      // a process that ended meanwhile
    }
  }
  return ticks / ticksPerMs;
}

// The GPU process's CPU milliseconds for each frame the page shows, over `span` seconds.
export async function gpuCostPerFrame(browser, page, span) {
  const before = gpuProcessMilliseconds(browser);
  const frames = await page.evaluate(
    (span) =>
      new Promise((resolve) => {
        let frames = 0;
        const end = performance.now() + span * 1000;
        const count = (time) => {
          ++frames;
          if (time < end) requestAnimationFrame(count);
          else resolve(frames);
        };
        requestAnimationFrame(count);
      }),
    span,
  );
  return (gpuProcessMilliseconds(browser) - before) / frames;
}
