// Measures the page in headless Chromium: the size of its folder, the time
// from the start of the page load to the first picture, and the cost of an
// animation frame at 1920 x 1080 with 100 flakes.
//   node tests/web/bench.mjs [--loads N] [--seconds S]
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

import { launchBrowser, openPage, siteDir, startServer, status } from './harness.mjs';

const args = process.argv.slice(2);
const option = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 ? Number(args[i + 1]) : fallback;
};
const loads = option('--loads', 15);
const seconds = option('--seconds', 10);

const quantile = (values, q) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
};
const ms = (v) => `${v.toFixed(2)} ms`;

// ---- Sizes ----
let total = 0;
let gzipped = 0;
console.log('page folder:');
for (const file of readdirSync(siteDir).sort()) {
  const bytes = statSync(join(siteDir, file)).size;
  const packed = gzipSync(readFileSync(join(siteDir, file)), { level: 9 }).length;
  total += bytes;
  gzipped += packed;
  console.log(`  ${file.padEnd(16)} ${String(bytes).padStart(7)} bytes (${packed} gzipped)`);
}
console.log(`  ${'together'.padEnd(16)} ${String(total).padStart(7)} bytes (${gzipped} gzipped)`);

const server = await startServer();
const browser = await launchBrowser();
try {
  // ---- Time to the first picture, each load in a fresh context ----
  const first = [];
  const paint = [];
  for (let i = 0; i < loads; ++i) {
    const page = await openPage(browser, server, { width: 1920, height: 1080, query: '?flakes=100' });
    await page.waitForFunction(() => window.navanava.status().firstPictureMs !== null);
    first.push((await status(page)).firstPictureMs);
    paint.push(await page.evaluate(() =>
      performance.getEntriesByName('first-contentful-paint')[0]?.startTime ?? NaN));
    await page.context().close();
  }
  console.log(`first picture after the start of the page load (${loads} loads, 1920 x 1080, 100 flakes):`);
  console.log(`  median ${ms(quantile(first, 0.5))}, fastest ${ms(Math.min(...first))}, slowest ${ms(Math.max(...first))}`);
  console.log(`  (the browser's first contentful paint, the page's buttons: median ${ms(quantile(paint, 0.5))})`);

  // ---- One animation frame ----
  // The flakes start stacked above the screen, 128 pixels apart, and fall 1
  // to 5 pixels a tick: all 100 are on the screen after at most 6352 ticks.
  const page = await openPage(browser, server, { width: 1920, height: 1080, query: '?flakes=100' });
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  await page.evaluate(() => {
    window.frameRecord = { frames: 0, rects: 0, pixels: 0, putMs: 0 };
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function putImageData(...a) {
      window.frameRecord.rects += 1;
      window.frameRecord.pixels += a[5] * a[6];
      const start = performance.now();
      put.apply(this, a);
      window.frameRecord.putMs += performance.now() - start;
    };
    window.navanava.afterPresent = () => { window.frameRecord.frames += 1; };
  });
  const metrics = async () => Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
  const snapshot = async () => ({ ...(await status(page)), ...(await metrics()),
                                  record: await page.evaluate(() => ({ ...window.frameRecord })) });
  const measure = async (label) => {
    const before = await snapshot();
    await page.waitForTimeout(seconds * 1000);
    const after = await snapshot();
    const frames = after.frames - before.frames;
    const presents = after.record.frames - before.record.frames;
    const costs = (await page.evaluate(() => window.navanava.frameCosts())).slice(-Math.min(frames, 600));
    console.log(`one animation frame at 1920 x 1080 with 100 flakes, ${label} ` +
                `(${seconds} s from tick ${before.tick}: ${frames} frames, ${after.tick - before.tick} ticks):`);
    console.log(`  in the page's frame callback (ticks, composition, putImageData): median ${ms(quantile(costs, 0.5))}, ` +
                `95th percentile ${ms(quantile(costs, 0.95))}`);
    console.log(`  main thread busy per frame (script, style, layout, paint): ${ms(1000 * (after.TaskDuration - before.TaskDuration) / frames)}` +
                ` (script ${ms(1000 * (after.ScriptDuration - before.ScriptDuration) / frames)})`);
    console.log(`  sent per present: ${Math.round((after.record.rects - before.record.rects) / presents)} rectangles, ` +
                `${Math.round((after.record.pixels - before.record.pixels) / presents)} pixels of ${1920 * 1080}, ` +
                `${ms((after.record.putMs - before.record.putMs) / presents)} in putImageData`);
  };
  await page.waitForTimeout(2000);
  await measure('the first flakes in view');
  await page.waitForFunction(() => window.navanava.status().tick > 6400, null, { timeout: 300000, polling: 1000 });
  await measure('all flakes in view');
  await page.context().close();
} finally {
  await browser.close();
  await server.close();
}
