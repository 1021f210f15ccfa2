// Runs a script of steps against the web viewer in headless Chromium, through the DevTools
// protocol (puppeteer-core), and prints what the steps read. The tests write the script and
// judge the results; this file only carries their steps to the browser.
//
//   node page_driver.mjs SITE_FOLDER SCRIPT_FILE
//
// The site is served on 127.0.0.1 (a free port) for as long as the script runs. One step per
// line, its word first:
//   mount PREFIX DIR   also serves DIR under PREFIX (such as /models/), wherever it stands
//   manual-frames      from now on the page's animation frames run only on `frames`
//   heap-cap MIB       from now on WebAssembly memory may not grow beyond MIB mebibytes
//   open QUERY         loads index.html with QUERY (such as ?keys=%2B&frames=3, or - for none)
//   wait EXPRESSION    waits until the JavaScript expression is true (at most 120 s)
//   press KEY          a real key press (puppeteer's key names: +, x, Escape, Space, ...)
//   chord KEYS         real keys held together, such as Control+Shift+KeyZ
//   fill SELECTOR TEXT a click into the field, Control+A, and TEXT typed (TEXT has no space)
//   drag SELECTOR DX   a real mouse drag from the element's centre, DX pixels to the right
//   drop SELECTOR => TARGET  a real mouse drag from the element's centre to the target's
//   touch-drop SELECTOR => TARGET  the same with a finger: held still HOLD ms on the element,
//                      then moved to the target's centre and lifted (after `viewport` with touch)
//   choose SELECTOR VALUE  picks the option of that value in the list (as a learner's choice)
//   click SELECTOR     a real mouse click on the element's centre
//   tap SELECTOR       a real touch on the element's centre (after `viewport` with touch)
//   viewport W H       the window's size in CSS pixels; below 500 wide, a phone's: touch, and
//                      three device pixels to the CSS pixel
//   downloads DIR      files the page downloads from now on are saved in DIR
//   wait-file PATH     waits until the file is there, whole (at most 120 s)
//   frames N           runs N of the page's animation frames (after manual-frames), each
//                      as soon as the page asks for it
//   shot FILE          saves the canvas alone, 800 x 800, as a PNG
//   page-shot FILE     saves the whole page as it is laid out, as a PNG
//   print EXPRESSION   prints "= " and the expression's value as JSON
//   time EXPRESSION    prints "= " and the milliseconds until the expression is true
// Console lines and page errors are printed as "# ..." lines. Any failed step ends the run
// with status 1 and a line "! " and the reason.
import { readFile, stat } from "node:fs/promises";
import { startSession } from "./browser_session.mjs";

const [siteFolder, scriptFile] = process.argv.slice(2);
if (!siteFolder || !scriptFile) {
  console.error("usage: node page_driver.mjs SITE_FOLDER SCRIPT_FILE");
  process.exit(2);
}

// Holds the page's animation frames back until `frames` releases them, one at a time.
function holdAnimationFrames() {
  const pending = [];
  window.requestAnimationFrame = (callback) => {
    pending.push(callback);
    return pending.length;
  };
  window.__framesRequested = () => pending.length > 0;
  window.__runAnimationFrame = () => {
    for (const callback of pending.splice(0)) {
      callback(performance.now());
    }
  };
}

// Refuses to grow any WebAssembly memory beyond `limit` bytes, as a browser short of memory does.
function capMemoryGrowth(limit) {
  const grow = WebAssembly.Memory.prototype.grow;
  WebAssembly.Memory.prototype.grow = function (pages) {
    if (this.buffer.byteLength + pages * 65536 > limit) {
      throw new RangeError("WebAssembly.Memory.grow(): Maximum memory size exceeded");
    }
    return grow.call(this, pages);
  };
}

const waitTimeout = 120000;

async function run(page, origin, steps) {
  for (const line of steps) {
    const space = line.indexOf(" ");
    const word = space < 0 ? line : line.slice(0, space);
    const rest = space < 0 ? "" : line.slice(space + 1);
    switch (word) {
      case "mount":
        break;
      case "manual-frames":
        await page.evaluateOnNewDocument(holdAnimationFrames);
        break;
      case "heap-cap":
        await page.evaluateOnNewDocument(capMemoryGrowth, Number(rest) * 1048576);
        break;
      case "open":
        await page.goto(`${origin}/index.html${rest === "-" ? "" : rest}`);
        break;
      case "wait":
        await page.waitForFunction(rest, { timeout: waitTimeout, polling: 50 });
        break;
      case "time": {
        const started = Date.now();
        await page.waitForFunction(rest, { timeout: waitTimeout, polling: 10 });
        console.log(`= ${Date.now() - started}`);
        break;
      }
      case "press":
        await page.keyboard.press(rest);
        break;
      case "chord": {
        const keys = rest.split("+");
        for (const key of keys.slice(0, -1)) await page.keyboard.down(key);
        await page.keyboard.press(keys[keys.length - 1]);
        for (const key of keys.slice(0, -1).reverse()) await page.keyboard.up(key);
        break;
      }
      case "fill": {
        const at = rest.lastIndexOf(" ");
        await page.click(rest.slice(0, at));
        await page.keyboard.down("Control");
        await page.keyboard.press("KeyA");
        await page.keyboard.up("Control");
        await page.keyboard.type(rest.slice(at + 1));
        break;
      }
      case "drag": {
        const at = rest.lastIndexOf(" ");
        const element = await page.waitForSelector(rest.slice(0, at));
        const box = await element.boundingBox();
        const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
        await page.mouse.move(x, y);
        await page.mouse.down();
        await page.mouse.move(x + Number(rest.slice(at + 1)), y, { steps: 8 });
        await page.mouse.up();
        break;
      }
      case "drop": {
        const [from, to] = rest.split(" => ");
        const centre = async (selector) => {
          const box = await (await page.waitForSelector(selector)).boundingBox();
          return [box.x + box.width / 2, box.y + box.height / 2];
        };
        const [x, y] = await centre(from);
        const [tx, ty] = await centre(to);
        await page.mouse.move(x, y);
        await page.mouse.down();
        await page.mouse.move(tx, ty, { steps: 12 });
        await page.mouse.up();
        break;
      }
      case "touch-drop": {
        const [from, rest2] = rest.split(" => ");
        const [to, hold] = [rest2.slice(0, rest2.lastIndexOf(" ")), Number(rest2.slice(rest2.lastIndexOf(" ") + 1))];
        const element = await page.waitForSelector(from);
        await element.scrollIntoView();
        const centre = async (selector) => {
          const box = await (await page.waitForSelector(selector)).boundingBox();
          return [box.x + box.width / 2, box.y + box.height / 2];
        };
        const [x, y] = await centre(from);
        const [tx, ty] = await centre(to);
        const session = await page.createCDPSession();
        const touch = (type, px, py) =>
          session.send("Input.dispatchTouchEvent", {
            type,
            touchPoints: type === "touchEnd" ? [] : [{ x: px, y: py, id: 1 }],
          });
        await touch("touchStart", x, y);
        await new Promise((resolve) => setTimeout(resolve, hold));
        for (let i = 1; i <= 10; ++i) await touch("touchMove", x + ((tx - x) * i) / 10, y + ((ty - y) * i) / 10);
        await touch("touchEnd");
        await session.detach();
        break;
      }
      case "choose": {
        const at = rest.lastIndexOf(" ");
        await page.select(rest.slice(0, at), rest.slice(at + 1));
        break;
      }
      case "click":
        await page.click(rest);
        break;
      case "tap":
        await page.tap(rest);
        break;
      case "viewport": {
        const [width, height] = rest.split(" ").map(Number);
        const phone = width < 500;
        await page.setViewport({
          width,
          height,
          isMobile: phone,
          hasTouch: phone,
          deviceScaleFactor: phone ? 3 : 1,
        });
        break;
      }
      case "wait-file": {
        // Chromium writes a download under another name and renames it when it is whole.
        const started = Date.now();
        for (;;) {
          try {
            await stat(rest);
            break;
          } catch {
            if (Date.now() - started > waitTimeout) throw new Error(`no file ${rest}`);
            await new Promise((resolve) => setTimeout(resolve, 50));
          }
        }
        break;
      }
      case "downloads": {
        const session = await page.createCDPSession();
        await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: rest });
        break;
      }
      case "frames-until": {
        // At least one frame: keys pressed reach the viewer in the next.
        const deadline = Date.now() + waitTimeout;
        let first = true;
        while (first || !(await page.evaluate(rest))) {
          first = false;
          if (Date.now() > deadline) throw new Error("frames ran out before " + rest);
          await page.waitForFunction("window.__framesRequested()", {
            timeout: waitTimeout,
            polling: 5,
          });
          await page.evaluate(() => window.__runAnimationFrame());
        }
        break;
      }
      case "frames":
        // Each frame waits until the page has asked for it: the first one until the viewer
        // has started.
        for (let i = 0; i < Number(rest); ++i) {
          await page.waitForFunction("window.__framesRequested()", {
            timeout: waitTimeout,
            polling: 5,
          });
          await page.evaluate(() => window.__runAnimationFrame());
        }
        break;
      case "shot": {
        // The canvas alone at the top left of a viewport of its size: a clipped screenshot
        // would blend a dark edge into the picture.
        await page.addStyleTag({ content: "body{margin:0} h1,p{display:none}" });
        // A click on a control below the picture may have scrolled it out of view.
        await page.evaluate(() => window.scrollTo(0, 0));
        await page.screenshot({ path: rest, type: "png" });
        break;
      }
      case "page-shot":
        await page.screenshot({ path: rest, type: "png", fullPage: true });
        break;
      case "print":
        console.log(`= ${JSON.stringify(await page.evaluate(rest))}`);
        break;
      default:
        throw new Error(`unknown step: ${line}`);
    }
  }
}

const steps = (await readFile(scriptFile, "utf8")).split("\n").filter((l) => l.trim() !== "");
const mounts = Object.fromEntries(
  steps.filter((s) => s.startsWith("mount ")).map((s) => s.split(" ").slice(1, 3)),
);
const session = await startSession(siteFolder, mounts);
let status = 0;
try {
  const page = await session.browser.newPage();
  page.on("console", (message) => console.log(`# ${message.text()}`));
  page.on("pageerror", (error) => console.log(`# page error: ${error.message}`));
  await run(page, session.origin, steps);
} catch (error) {
  console.log(`! ${error.message}`);
  status = 1;
} finally {
  await session.end();
}
process.exit(status);
