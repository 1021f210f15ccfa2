// How the page plays a long address of key and step pairs (`?steps=1&keys=x` repeated, the form
// the page writes itself): for each length, when its first progress shows, when the picture is
// held, and the longest the tab took to answer a call (`page.evaluate(() => 1)` every 200 ms,
// as a user's input would wait). Reading the address should take time in proportion to its
// length, and the tab should answer within a frame or two throughout.
//
//   node bench/address_play_bench.mjs SITE_FOLDER [PAIRS ...]     (default 250 500 1000 2000)
import { loadavg } from "node:os";
import { startSession } from "../tests/browser/browser_session.mjs";

const [siteFolder, ...lengths] = process.argv.slice(2);
if (!siteFolder) {
  console.error("usage: node bench/address_play_bench.mjs SITE_FOLDER [PAIRS ...]");
  process.exit(2);
}
const pairCounts = lengths.length > 0 ? lengths.map(Number) : [250, 500, 1000, 2000];

async function play(session, pairs) {
  const page = await session.browser.newPage();
  const query = "?" + Array(pairs).fill("steps=1&keys=x").join("&");
  const started = Date.now();
  page.goto(`${session.origin}/index.html${query}`).catch(() => {});
  let firstProgress = null;
  let held = null;
  let longestAnswer = 0;
  while (Date.now() - started < 600000) {
    const asked = Date.now();
    try {
      const [status, heldSteps] = await page.evaluate(() => [
        document.getElementById("status")?.textContent ?? "",
        document.body?.dataset.held ?? null,
      ]);
      longestAnswer = Math.max(longestAnswer, Date.now() - asked);
      if (firstProgress === null && status.startsWith("Playing")) firstProgress = Date.now() - started;
      if (heldSteps !== null) {
        held = Date.now() - started;
        break;
      }
    } catch {
      // the page is still being opened
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  await page.close();
  return { pairs, characters: query.length, firstProgressMs: firstProgress, heldMs: held, longestAnswerMs: longestAnswer };
}

const session = await startSession(siteFolder);
console.log(`load before: ${loadavg()[0].toFixed(2)}`);
for (const pairs of pairCounts) {
  const result = await play(session, pairs);
  console.log(JSON.stringify(result));
}
console.log(`load after: ${loadavg()[0].toFixed(2)}`);
await session.end();
