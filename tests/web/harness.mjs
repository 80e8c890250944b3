// What the browser tests and measurements share: the page's folder served by
// a separate process on 127.0.0.1, Debian's Chromium driven over the DevTools
// protocol, every request and page error recorded, reference frames from
// navanava-render, and the canvas read back and compared inside the page.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { createInterface } from 'node:readline';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

import { readPng } from './png.mjs';

const here = dirname(fileURLToPath(import.meta.url));
export const sourceDir = process.env.NAVANAVA_SOURCE_DIR || resolve(here, '../..');
export const siteDir = process.env.NAVANAVA_WEB_SITE || join(sourceDir, 'build/web');
export const renderTool = process.env.NAVANAVA_RENDER || join(sourceDir, 'build/native/tools/navanava-render');
export const chromiumPath = process.env.NAVANAVA_CHROMIUM || '/usr/bin/chromium';

// The page's own files: nothing else may be requested.
export const siteFiles = ['/index.html', '/navanava.js', '/navanava.css', '/navanava.wasm', '/navanava.ico'];

// The storage names under which the page keeps its two settings.
export const kSpeedName = 'ScreenSaver.NavaNava/速さ';
export const kCountName = 'ScreenSaver.NavaNava/雪の数';

// The static server in a process of its own, so that the test's own work
// never delays the page's files; it ends with this process (its standard
// input closes). `requests` fills with { status, path }.
export async function startServer() {
  const child = spawn(process.execPath, [join(sourceDir, 'tools/web/serve.mjs'), siteDir, '0', '--log'],
                      { stdio: ['pipe', 'pipe', 'inherit'] });
  const lines = createInterface({ input: child.stdout });
  const requests = [];
  const address = await new Promise((done, fail) => {
    child.once('exit', (code) => fail(new Error(`the server ended with ${code}`)));
    lines.once('line', done);
  });
  lines.on('line', (line) => {
    const space = line.indexOf(' ');
    requests.push({ status: Number(line.slice(0, space)), path: line.slice(space + 1) });
  });
  const origin = new URL(address).origin;
  return {
    origin,
    requests,
    close: () => new Promise((closed) => {
      if (child.exitCode !== null) return closed();
      child.once('exit', closed);
      child.kill('SIGTERM');
    }),
  };
}

// `dpr` and `windowSize` ([w, h]) make a browser whose screen really has that
// device pixel ratio (pages opened with `realWindow` then use it unemulated:
// Chromium's emulated ratio changes devicePixelRatio but not the canvas's
// device pixel size).
export function launchBrowser({ dpr = null, windowSize = null } = {}) {
  const args = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync'];
  if (dpr !== null) args.push(`--force-device-scale-factor=${dpr}`);
  if (windowSize !== null) args.push(`--window-size=${windowSize[0]},${windowSize[1]}`);
  return chromium.launch({ executablePath: chromiumPath, headless: true, args });
}

// Every request the browser made and every error the pages reported, over
// all pages of the run.
export const browserLog = { requests: [], errors: [] };

// Opens the page in a context of its own (its own storage). `storage` sets
// the browser's storage before the page loads; `init` is a function run in
// the page before its own script.
export async function openPage(browser, server, options = {}) {
  const { width = 640, height = 480, realWindow = false, query = '', storage = null, init = null } = options;
  const context = await browser.newContext({
    viewport: realWindow ? null : { width, height },
    storageState: storage === null ? undefined : {
      cookies: [],
      origins: [{ origin: server.origin, localStorage: Object.entries(storage).map(([name, value]) => ({ name, value })) }],
    },
  });
  context.on('request', (request) => browserLog.requests.push(request.url()));
  const page = await context.newPage();
  // Waits are generous: a loaded machine runs Chromium slowly. A wait that
  // ends in time costs nothing more.
  page.setDefaultTimeout(120000);
  page.setDefaultNavigationTimeout(120000);
  page.on('pageerror', (error) => browserLog.errors.push(`${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') browserLog.errors.push(message.text());
  });
  if (init !== null) await page.addInitScript(init);
  await page.goto(`${server.origin}/index.html${query}`);
  await page.evaluate(() => window.navanava.loaded);
  // The scene is set up once the canvas has reported its size.
  await page.waitForFunction(() => window.navanava.status().setUps > 0);
  return page;
}

export function status(page) {
  return page.evaluate(() => window.navanava.status());
}

// Waits until the scene has run `tick` ticks (and, with setUps, until it has
// been set up that many times).
export async function waitForTick(page, tick, setUps = 1, timeout = 120000) {
  await page.waitForFunction(([t, s]) => {
    const now = window.navanava.status();
    return now.setUps >= s && now.tick >= t;
  }, [tick, setUps], { timeout, polling: 50 });
}

// The frame that navanava-render writes for the same scene, 4 bytes a pixel.
export function renderFrame({ width, height, count, seed, ticks }) {
  const dir = mkdtempSync(join(tmpdir(), 'navanava-frame-'));
  try {
    const out = join(dir, 'frame.png');
    execFileSync(renderTool, ['--width', String(width), '--height', String(height), '--count', String(count),
                              '--seed', String(seed), '--ticks', String(ticks), '--out', out]);
    return readPng(out);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Reads the canvas back (getImageData, not a screenshot) and compares every
// canvas pixel with the expected scene pixel it shows at `scale`. Returns the
// canvas size, the number of differing pixels and the first of them.
export function compareCanvas(page, expected, scale) {
  return page.evaluate(([data, width, height, s]) => {
    const canvas = document.getElementById('scene');
    const w = canvas.width;
    const h = canvas.height;
    const got = new Uint32Array(canvas.getContext('2d').getImageData(0, 0, w, h).data.buffer);
    const binary = atob(data);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    const want = new Uint32Array(bytes.buffer);
    if (Math.ceil(w / s) !== width || Math.ceil(h / s) !== height)
      return { w, h, mismatches: -1, first: 'the scene size does not match' };
    let mismatches = 0;
    let first = null;
    for (let y = 0; y < h; ++y) {
      const row = Math.floor(y / s) * width;
      for (let x = 0; x < w; ++x) {
        const expectedPixel = want[row + Math.floor(x / s)];
        const actual = got[y * w + x];
        if (actual !== expectedPixel) {
          if (first === null)
            first = { x, y, canvas: actual.toString(16), expected: expectedPixel.toString(16) };
          ++mismatches;
        }
      }
    }
    return { w, h, mismatches, first };
  }, [Buffer.from(expected.rgba.buffer, expected.rgba.byteOffset, expected.rgba.length).toString('base64'),
      expected.width, expected.height, scale]);
}
