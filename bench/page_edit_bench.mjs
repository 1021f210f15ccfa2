// What an edit costs the page's frame rate: the depth-12 tree animating in the page, unedited and
// with one ball's rest edited, in pairs (one of each, in turn, so both meet the same load).
// Prints each pair's frame rates and their ratio, and the median and spread of the ratios.
//
//   node bench/page_edit_bench.mjs SITE_FOLDER [PAIRS [SECONDS]]
import { loadavg } from "node:os";
import { startSession } from "../tests/browser/browser_session.mjs";
import { framesPerSecond, median } from "./page_frames.mjs";

const [siteFolder, pairsText = "7", secondsText = "4"] = process.argv.slice(2);
if (!siteFolder) {
  console.error("usage: node bench/page_edit_bench.mjs SITE_FOLDER [PAIRS [SECONDS]]");
  process.exit(2);
}
const pairs = Number(pairsText);
const seconds = Number(secondsText);
// Eleven "+" to depth 12, three "x" to the tree. The page is counted live and animating: a held
// picture draws nothing and would count the browser's idle 60 frames a second.
const tree = "keys=" + encodeURIComponent("+".repeat(11) + "xxx") + "&steps=0";
const states = { unedited: tree, edited: tree + "&edit=tree/1,1,x,5" };

// The page opened at `query`: once the address has played and its picture is held, two spaces
// typed into the picture (pause, resume) take it live, animating.
async function rate(session, query) {
  const page = await session.browser.newPage();
  await page.setViewport({ width: 1280, height: 1024 });
  await page.goto(`${session.origin}/index.html?${query}`);
  await page.waitForFunction("document.body.dataset.held !== undefined", { timeout: 120000 });
  await page.focus("#canvas");
  await page.keyboard.press(" ");
  await page.keyboard.press(" ");
  await page.waitForFunction(
    "document.getElementById('pause').getAttribute('aria-pressed') === 'false' && " +
      "location.search.includes('%20')",
    { timeout: 30000 },
  );
  const perSecond = await framesPerSecond(page, seconds);
  await page.close();
  return perSecond;
}

const session = await startSession(siteFolder);
const ratios = [];
try {
  console.log("| pair | unedited frames/s | edited frames/s | edited / unedited | 1-minute load |");
  console.log("|---:|---:|---:|---:|---:|");
  for (let i = 1; i <= pairs; ++i) {
    // Which goes first alternates, so that a trend in the load falls on both alike.
    const order = i % 2 ? ["unedited", "edited"] : ["edited", "unedited"];
    const got = {};
    for (const which of order) got[which] = await rate(session, states[which]);
    const ratio = got.edited / got.unedited;
    ratios.push(ratio);
    console.log(
      `| ${i} | ${got.unedited.toFixed(1)} | ${got.edited.toFixed(1)} | ${ratio.toFixed(3)} | ` +
        `${loadavg()[0].toFixed(2)} |`,
    );
  }
} finally {
  await session.end();
}
const sorted = [...ratios].sort((a, b) => a - b);
console.log(
  `median ratio ${median(ratios).toFixed(3)}, from ${sorted[0].toFixed(3)} to ` +
    `${sorted[sorted.length - 1].toFixed(3)} over ${ratios.length} pairs`,
);
