// Headless Chromium with the web build served on 127.0.0.1, for the browser tests and the
// page's benchmark: Debian's chromium, driven through the DevTools protocol by puppeteer-core.
import { readFile } from "node:fs/promises";
import { createServer } from "node:http";
import { extname, join, normalize } from "node:path";
import puppeteer from "puppeteer-core";

const contentTypes = {
  ".html": "text/html; charset=utf-8",
  ".css": "text/css",
  ".js": "text/javascript",
  ".mjs": "text/javascript",
  ".wasm": "application/wasm",
  ".glb": "model/gltf-binary",
  ".gltf": "model/gltf+json",
  ".png": "image/png",
};

// Serves `root`, and each folder of `mounts` under its prefix ("/models/": folder).
function serve(root, mounts) {
  // Long addresses (a page's script of thousands of key and step pairs) are served as a browser
  // sends them: up to 1 MiB of request head, where Node's default stops at 16 KiB.
  const server = createServer({ maxHeaderSize: 1 << 20 }, async (request, response) => {
    let path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    let folder = root;
    for (const [prefix, mounted] of Object.entries(mounts)) {
      if (path.startsWith(prefix)) {
        folder = mounted;
        path = path.slice(prefix.length - 1);
        break;
      }
    }
    try {
      const body = await readFile(join(folder, path));
      response.writeHead(200, {
        "Content-Type": contentTypes[extname(path)] || "application/octet-stream",
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// Serves `siteFolder` (any folder of static files, with `mounts` as for serve) on a free port
// and starts the browser, with `flags` added to its command line (a benchmark's probes).
// Returns the browser, the address that index.html is found under, and a function that ends
// both.
export async function startSession(siteFolder, mounts = {}, flags = []) {
  const server = await serve(siteFolder, mounts);
  const origin = `http://127.0.0.1:${server.address().port}`;
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    // Root needs --no-sandbox; SwiftShader gives WebGL without a GPU; the rest keeps Chromium
    // off a network it cannot reach.
    args: [
      "--no-sandbox",
      "--use-angle=swiftshader",
      "--enable-unsafe-swiftshader",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--no-first-run",
      ...flags,
    ],
    defaultViewport: { width: 800, height: 800 },
  });
  return {
    browser,
    origin,
    end: async () => {
      await browser.close();
      server.close();
    },
  };
}
