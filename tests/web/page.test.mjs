// The page in Debian's Chromium: its canvas against navanava-render's frames,
// the changed-rectangle present over thousands of ticks, full screen as a
// saver, the settings dialog and the browser's storage, the page's address,
// and the page's network traffic.
import assert from 'node:assert/strict';
import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import {
  browserLog, compareCanvas, kCountName, kSpeedName, launchBrowser, openPage, renderFrame,
  siteDir, siteFiles, startServer, status, waitForTick,
} from './harness.mjs';

let server;
let browser;

before(async () => {
  server = await startServer();
  browser = await launchBrowser();
});

after(async () => {
  await browser?.close();
  await server?.close();
});

// ---- Pixels ----

// Each case runs the page until its stop tick and compares the canvas with the
// frame navanava-render writes for the same scene size, count, seed and tick.
const kPixelCases = [
  { name: '640x480, 100 flakes', width: 640, height: 480, query: '?flakes=100&seed=7&ticks=260',
    scene: { width: 640, height: 480, count: 100, seed: 7, ticks: 260 }, scale: 1 },
  { name: 'no flakes', width: 640, height: 480, query: '?flakes=0&seed=7&ticks=300',
    scene: { width: 640, height: 480, count: 0, seed: 7, ticks: 300 }, scale: 1 },
  { name: 'a stored count of 255 shows 100 flakes', width: 500, height: 400, query: '?seed=11&ticks=240',
    storage: { [kCountName]: '255' }, scene: { width: 500, height: 400, count: 255, seed: 11, ticks: 240 }, scale: 1 },
  { name: 'a scale from the address, rounding the scene up', width: 500, height: 301, query: '?scale=3&flakes=60&seed=4&ticks=200',
    scene: { width: 167, height: 101, count: 60, seed: 4, ticks: 200 }, scale: 3 },
];

async function checkPixels(page, scene, scale) {
  const result = await compareCanvas(page, renderFrame(scene), scale);
  assert.equal(result.mismatches, 0, `canvas ${result.w} x ${result.h}, first difference ${JSON.stringify(result.first)}`);
}

describe('the canvas shows the frame of navanava-render', { concurrency: true }, () => {
  for (const c of kPixelCases) {
    test(c.name, async () => {
      const page = await openPage(browser, server, c);
      try {
        await waitForTick(page, c.scene.ticks);
        const s = await status(page);
        assert.equal(s.tick, c.scene.ticks, 'the picture stops at its tick');
        assert.equal(s.pixelScale, c.scale);
        assert.deepEqual([s.sceneWidth, s.sceneHeight], [c.scene.width, c.scene.height]);
        await checkPixels(page, c.scene, c.scale);
      } finally {
        await page.context().close();
      }
    });
  }

  // A screen of device pixel ratio 2: the canvas has twice the window's size
  // in device pixels, and the scale rule looks at those: beyond 2560 the
  // scene is drawn at twice its pixel size.
  const kDprCases = [
    { name: 'DPR 2, a window 1400 CSS pixels wide: drawn at scale 2', windowSize: [1400, 800], scale: 2,
      query: '?flakes=100&seed=3&ticks=220', count: 100, seed: 3, ticks: 220 },
    { name: 'DPR 2, a window 640 CSS pixels wide: drawn at scale 1', windowSize: [640, 480], scale: 1,
      query: '?flakes=40&seed=5&ticks=200', count: 40, seed: 5, ticks: 200 },
  ];
  for (const c of kDprCases) {
    test(c.name, async () => {
      const dprBrowser = await launchBrowser({ dpr: 2, windowSize: c.windowSize });
      try {
        const page = await openPage(dprBrowser, server, { realWindow: true, query: c.query });
        await waitForTick(page, c.ticks);
        const s = await status(page);
        const css = await page.evaluate(() => [window.devicePixelRatio, window.innerWidth, window.innerHeight]);
        assert.deepEqual([s.canvasWidth, s.canvasHeight], [2 * css[1], 2 * css[2]], `CSS size and ratio ${css}`);
        assert.equal(s.pixelScale, c.scale);
        assert.deepEqual([s.sceneWidth, s.sceneHeight], [Math.ceil(s.canvasWidth / c.scale), Math.ceil(s.canvasHeight / c.scale)]);
        await checkPixels(page, { width: s.sceneWidth, height: s.sceneHeight, count: c.count, seed: c.seed, ticks: c.ticks }, c.scale);
      } finally {
        await dprBrowser.close();
      }
    });
  }

  test('a resize starts the scene again at the new size', async () => {
    const page = await openPage(browser, server, { width: 640, height: 480, query: '?flakes=30&seed=9&ticks=150' });
    try {
      await waitForTick(page, 150);
      await page.setViewportSize({ width: 520, height: 400 });
      await waitForTick(page, 150, 2);
      const s = await status(page);
      assert.deepEqual([s.setUps, s.canvasWidth, s.canvasHeight, s.tick], [2, 520, 400, 150]);
      await checkPixels(page, { width: 520, height: 400, count: 30, seed: 9, ticks: 150 }, 1);
    } finally {
      await page.context().close();
    }
  });
});

// ---- The changed-rectangle present ----

// Records every putImageData call before the page's own script runs.
function recordPuts() {
  const record = { calls: 0, withDirtyRect: 0, whole: 0, area: 0 };
  window.putRecord = record;
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function putImageData(...args) {
    record.calls += 1;
    if (args.length === 7) {
      record.withDirtyRect += 1;
      record.area += args[5] * args[6];
      if (args[5] === this.canvas.width && args[6] === this.canvas.height) record.whole += 1;
    }
    return put.apply(this, args);
  };
}

// After every present the page compares the whole canvas with the back
// buffer (each canvas pixel with the scene pixel it shows).
function checkEveryPresent() {
  const check = { presents: 0, bad: 0, first: null };
  window.presentCheck = check;
  const canvas = document.getElementById('scene');
  const context = canvas.getContext('2d');
  window.navanava.afterPresent = () => {
    const { tick, pixelScale: s } = window.navanava.status();
    const back = window.navanava.backBuffer();
    const w = canvas.width;
    const h = canvas.height;
    const got = new Uint32Array(context.getImageData(0, 0, w, h).data.buffer);
    check.presents += 1;
    for (let y = 0; y < h; ++y) {
      const row = Math.floor(y / s) * back.width;
      for (let x = 0; x < w; ++x) {
        const want = (back.pixels[row + Math.floor(x / s)] | 0xff000000) >>> 0;
        if (got[y * w + x] !== want) {
          check.bad += 1;
          if (check.first === null) check.first = { tick, x, y, canvas: got[y * w + x].toString(16), back: want.toString(16) };
          return;
        }
      }
    }
  };
}

describe('only the changed rectangles reach the canvas', { concurrency: true }, () => {
  const kPresentCases = [
    // Far fewer pixels than the canvas's reach it in a present.
    // Whole-canvas presents would send all of it; one tick's changes are
    // about a sixth, and a present on a slow machine that carries several
    // ticks' changes about a quarter.
    { name: '3000 ticks, 100 flakes, 800 x 600', width: 800, height: 600, ticks: 3000, scale: 1,
      query: '?flakes=100&seed=21', maxShare: 0.5, maxWholeShare: 1 / 20 },
    // The figure is wider than this scene and the flakes crowd it: what
    // matters here is the scaled copy of every rectangle. Its rectangle
    // table overflows now and then, more often when presents are far apart.
    { name: '1500 ticks at scale 2 on a crowded 200 x 150 scene', width: 400, height: 300, ticks: 1500, scale: 2,
      query: '?flakes=100&seed=22&scale=2', maxShare: null, maxWholeShare: 1 / 4 },
  ];
  for (const c of kPresentCases) {
    test(c.name, async () => {
      const page = await openPage(browser, server, { ...c, query: `${c.query}&ticks=${c.ticks}`, init: recordPuts });
      try {
        await page.evaluate(checkEveryPresent);
        await waitForTick(page, c.ticks);
        const check = await page.evaluate(() => window.presentCheck);
        const puts = await page.evaluate(() => window.putRecord);
        const s = await status(page);
        assert.equal(check.bad, 0, `first difference ${JSON.stringify(check.first)}`);
        // The ticks follow the clock and the presents the browser's frames,
        // so a loaded machine puts several ticks in a present. One present
        // for every 30 ticks (about three a second) is far below what even a
        // crowded machine gives, and still hundreds of presents checked.
        assert.ok(check.presents > c.ticks / 30, `${check.presents} presents checked`);
        assert.equal(s.pixelScale, c.scale);
        assert.equal(puts.withDirtyRect, puts.calls, 'every putImageData names its dirty rectangle');
        // The whole canvas is sent only when the rectangle table overflows,
        // which a crowded scene may make it do now and then.
        assert.ok(puts.whole < c.maxWholeShare * check.presents, `${puts.whole} whole presents`);
        const frameArea = c.width * c.height;
        console.log(`${c.name}: ${check.presents} presents, ${puts.calls} rectangles, ` +
                    `${Math.round(puts.area / check.presents)} of ${frameArea} pixels a present, ${puts.whole} whole`);
        if (c.maxShare !== null) {
          assert.ok(puts.area < c.maxShare * frameArea * check.presents,
                    `sent ${puts.area} pixels in ${check.presents} presents of ${frameArea}`);
        }
      } finally {
        await page.context().close();
      }
    });
  }
});

// ---- Full screen ----

describe('full screen as a saver', () => {
  const inFullScreen = (page) => page.evaluate(() => document.fullscreenElement !== null);
  const waitFullScreen = (page, on) =>
    page.waitForFunction((want) => (document.fullscreenElement !== null) === want && window.navanava.status().saver === want, on);

  test('F or the button enter it without a cursor; a key, a click or a move of more than 4 pixels leave it', async () => {
    const page = await openPage(browser, server, { width: 800, height: 600, query: '?flakes=20' });
    try {
      // F enters; the cursor is hidden over the scene.
      await page.mouse.move(300, 300);
      await page.keyboard.press('f');
      await waitFullScreen(page, true);
      assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('scene')).cursor), 'none');
      // 4 pixels (|dx| + |dy|) from where the mouse was: still a saver...
      await page.mouse.move(302, 302);
      await page.mouse.move(300, 296);
      await page.waitForTimeout(300);
      assert.equal(await inFullScreen(page), true, 'a move of 4 pixels keeps full screen');
      // ...5 pixels: over.
      await page.mouse.move(303, 302);
      await waitFullScreen(page, false);

      // The button enters; a key leaves.
      await page.click('#full-screen');
      await waitFullScreen(page, true);
      await page.keyboard.press('a');
      await waitFullScreen(page, false);

      // F again; a click leaves.
      await page.keyboard.press('F');
      await waitFullScreen(page, true);
      await page.mouse.down();
      await page.mouse.up();
      await waitFullScreen(page, false);
    } finally {
      await page.context().close();
    }
  });

  test('outside full screen, input does nothing to the scene', async () => {
    const page = await openPage(browser, server, { width: 640, height: 480, query: '?flakes=20' });
    try {
      await waitForTick(page, 20);
      const before = await status(page);
      await page.mouse.move(10, 400);
      await page.mouse.move(600, 50);
      await page.mouse.click(320, 240);
      for (const key of ['a', 'Space', 'Enter', 'Escape', 'ArrowLeft']) await page.keyboard.press(key);
      await page.waitForTimeout(300);
      const now = await status(page);
      assert.equal(now.setUps, before.setUps, 'the scene was not started again');
      assert.ok(now.tick > before.tick, 'the scene kept running');
      assert.equal(now.saver, false);
      assert.equal(await inFullScreen(page), false);
    } finally {
      await page.context().close();
    }
  });
});

// ---- Settings ----

const storedSettings = (page) =>
  page.evaluate(([s, c]) => [localStorage.getItem(s), localStorage.getItem(c)], [kSpeedName, kCountName]);
const sliders = (page) =>
  page.evaluate(() => [Number(document.getElementById('speed').value), Number(document.getElementById('count').value)]);

async function openSettings(page) {
  await page.click('#open-settings');
  await page.waitForFunction(() => document.getElementById('settings').open);
}

// Moves a slider with the keyboard, as a person would.
async function pressOn(page, selector, key, times = 1) {
  await page.focus(selector);
  for (let i = 0; i < times; ++i) await page.keyboard.press(key);
}

describe('the settings dialog', () => {
  test('OK stores the sliders, a reload shows them, Cancel and Default store nothing', async () => {
    const page = await openPage(browser, server, { width: 700, height: 500 });
    try {
      // Nothing stored: the default settings at positions 9 and 1.
      await openSettings(page);
      assert.deepEqual(await sliders(page), [9, 1]);
      assert.deepEqual(await page.evaluate(() =>
        [...document.querySelectorAll('#settings legend, #settings label, #settings fieldset > span:not(.scale), #settings button')]
          .map((e) => e.textContent)),
      ['速さ', '遅い', '速い', '雪の数', '少ない', '多い', 'OK', 'Cancel', 'Default']);

      // Fastest and 50 flakes, then OK: stored speed first, as "%u".
      await pressOn(page, '#speed', 'ArrowRight', 3);
      await pressOn(page, '#count', 'ArrowRight', 4);
      assert.deepEqual(await sliders(page), [10, 5]);
      await page.click('#settings-ok');
      assert.deepEqual(await storedSettings(page), ['0', '50']);
      assert.equal(await page.isVisible('#not-stored'), false);
      let s = await status(page);
      assert.deepEqual([s.tickIntervalMs, s.effectiveIntervalMs, s.flakeCount, s.setUps], [0, 10, 50, 2]);

      // A reload shows them.
      await page.reload();
      await page.evaluate(() => window.navanava.loaded);
      await page.waitForFunction(() => window.navanava.status().setUps > 0);
      s = await status(page);
      assert.deepEqual([s.tickIntervalMs, s.flakeCount], [0, 50]);
      await openSettings(page);
      assert.deepEqual(await sliders(page), [10, 5]);

      // Moved, then Cancel: nothing stored; the dialog shows the stored values again.
      await pressOn(page, '#count', 'Home');
      await pressOn(page, '#speed', 'End');
      await pressOn(page, '#speed', 'ArrowLeft', 6);
      assert.deepEqual(await sliders(page), [4, 0]);
      await page.click('#settings-cancel');
      assert.deepEqual(await storedSettings(page), ['0', '50']);
      await openSettings(page);
      assert.deepEqual(await sliders(page), [10, 5]);

      // Escape acts as Cancel.
      await pressOn(page, '#count', 'ArrowLeft', 2);
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => !document.getElementById('settings').open);
      assert.deepEqual(await storedSettings(page), ['0', '50']);

      // Default puts the sliders at 9 and 1, stores nothing and stays open;
      // Cancel after it leaves the storage alone.
      await openSettings(page);
      await page.click('#settings-default');
      assert.deepEqual(await sliders(page), [9, 1]);
      assert.equal(await page.evaluate(() => document.getElementById('settings').open), true);
      assert.deepEqual(await storedSettings(page), ['0', '50']);
      await page.click('#settings-cancel');
      assert.deepEqual(await storedSettings(page), ['0', '50']);

      // Default, then OK: 10 and 10.
      await openSettings(page);
      await pressOn(page, '#count', 'End');
      await page.click('#settings-default');
      await page.click('#settings-ok');
      assert.deepEqual(await storedSettings(page), ['10', '10']);

      // Enter on a slider acts as OK.
      await openSettings(page);
      await pressOn(page, '#speed', 'ArrowLeft', 9);
      await page.keyboard.press('Enter');
      await page.waitForFunction(() => !document.getElementById('settings').open);
      assert.deepEqual(await storedSettings(page), ['100', '10']);
      s = await status(page);
      assert.deepEqual([s.tickIntervalMs, s.effectiveIntervalMs], [100, 100]);
    } finally {
      await page.context().close();
    }
  });

  test('the address overrides the stored settings for one visit', async () => {
    const storage = { [kSpeedName]: '50', [kCountName]: '30' };
    const page = await openPage(browser, server, { storage, query: '?interval=20&flakes=70&seed=5' });
    try {
      let s = await status(page);
      assert.deepEqual([s.tickIntervalMs, s.flakeCount], [20, 70]);
      assert.deepEqual(await storedSettings(page), ['50', '30']);
      // The dialog edits what is stored.
      await openSettings(page);
      assert.deepEqual(await sliders(page), [5, 3]);
      await page.click('#settings-cancel');
      // After OK the stored settings count, and the address forgets its two.
      await openSettings(page);
      await pressOn(page, '#count', 'ArrowRight');
      await page.click('#settings-ok');
      s = await status(page);
      assert.deepEqual([s.tickIntervalMs, s.flakeCount], [50, 40]);
      assert.equal(await page.evaluate(() => window.location.search), '?seed=5');
    } finally {
      await page.context().close();
    }
  });

  // Stored texts read as the Windows saver reads its settings file: the
  // interval bit for bit (below 10 ms runs at 10), the count's low 8 bits,
  // at most 100 flakes used, the dialog at its ends for values beyond them.
  const kStoredCases = [
    { speed: '-1', count: '300', interval: -1, effective: 10, flakes: 44, positions: [10, 4] },
    { speed: 'abc', count: 'abc', interval: 0, effective: 10, flakes: 0, positions: [10, 0] },
    { speed: '0x1A', count: ' 7 ', interval: 26, effective: 26, flakes: 7, positions: [7, 0] },
    { speed: '99999999999', count: '-5', interval: 1215752191, effective: 1215752191, flakes: 100, positions: [0, 10] },
    { speed: '"42"', count: '', interval: 42, effective: 42, flakes: 10, positions: [5, 1] },
    { speed: '15', count: '15', interval: 15, effective: 15, flakes: 15, positions: [8, 1] },
    { speed: '9'.repeat(1 << 20), count: '9'.repeat(1 << 20), interval: -1610612737, effective: 10, flakes: 100, positions: [10, 10] },
  ];

  describe('bad stored values fall back as the Windows saver reads them', { concurrency: true }, () => {
    for (const c of kStoredCases) {
      const label = `stored ${JSON.stringify(c.speed.slice(0, 12))}${c.speed.length > 12 ? '...' : ''}, ` +
                    `${JSON.stringify(c.count.slice(0, 12))}${c.count.length > 12 ? '...' : ''}`;
      test(label, async () => {
        const page = await openPage(browser, server, { storage: { [kSpeedName]: c.speed, [kCountName]: c.count } });
        try {
          const s = await status(page);
          assert.equal(s.ready, true);
          assert.deepEqual([s.tickIntervalMs, s.effectiveIntervalMs, s.flakeCount], [c.interval, c.effective, c.flakes]);
          await openSettings(page);
          assert.deepEqual(await sliders(page), c.positions);
          // OK stores what the dialog shows.
          await page.click('#settings-ok');
          assert.deepEqual(await storedSettings(page), [String(100 - 10 * c.positions[0]), String(10 * c.positions[1])]);
        } finally {
          await page.context().close();
        }
      });
    }
  });

  test('bad address values fall back or are ignored', async () => {
    const page = await openPage(browser, server, {
      storage: { [kSpeedName]: '30' },
      query: '?interval=abc&flakes=999&seed=x&ticks=-1&scale=99&what=1',
    });
    try {
      await waitForTick(page, 5);
      const s = await status(page);
      // interval read as a stored text: 0, running at 10 ms; flakes: the low
      // 8 bits of 999 are 231, so 100 flakes.
      assert.deepEqual([s.tickIntervalMs, s.effectiveIntervalMs, s.flakeCount], [0, 10, 100]);
      assert.equal(s.stopAfterTicks, 0, 'a bad stop tick is ignored');
      assert.equal(s.pixelScale, 1, 'a bad scale is ignored');
    } finally {
      await page.context().close();
    }
  });

  test('storage that the browser refuses gives the defaults; OK says so and keeps the choice for the visit', async () => {
    const page = await openPage(browser, server, {
      init: () => {
        Object.defineProperty(window, 'localStorage', {
          get() { throw new DOMException('storage is off', 'SecurityError'); },
        });
      },
    });
    try {
      let s = await status(page);
      assert.deepEqual([s.ready, s.tickIntervalMs, s.flakeCount], [true, 10, 10]);
      await openSettings(page);
      assert.deepEqual(await sliders(page), [9, 1]);
      assert.equal(await page.isVisible('#not-stored'), false);
      await pressOn(page, '#count', 'End');
      await page.click('#settings-ok');
      s = await status(page);
      assert.deepEqual([s.ready, s.setUps, s.tickIntervalMs, s.flakeCount], [true, 2, 10, 100]);
      assert.equal(await page.isVisible('#not-stored'), true);
    } finally {
      await page.context().close();
    }
  });
});

// ---- The folder ----

describe('the page folder', () => {
  test('holds only the page files, under 200 KB together', () => {
    const files = readdirSync(siteDir).sort();
    assert.deepEqual(files, siteFiles.map((f) => f.slice(1)).sort());
    const total = files.reduce((sum, f) => sum + statSync(join(siteDir, f)).size, 0);
    assert.ok(total < 200 * 1000, `${total} bytes`);
  });

  // Runs last: the log holds every request of every page above.
  test('the browser asked for nothing but the page files, and no page reported an error', () => {
    assert.ok(browserLog.requests.length > 0);
    const outside = browserLog.requests.filter((url) => {
      const address = new URL(url);
      return address.origin !== server.origin || !siteFiles.includes(address.pathname);
    });
    assert.deepEqual(outside, []);
    assert.deepEqual(server.requests.filter((r) => r.status !== 200 || !siteFiles.includes(r.path)), []);
    assert.deepEqual(browserLog.errors, []);
  });
});
