// Photographs the page in headless Chromium once its scene has run a number
// of ticks (for `make run-web` without a display, and the README pictures).
//   node tests/web/screenshot.mjs OUT.png [--size WxH] [--query '?seed=7'] [--tick N] [--settings]
// --settings opens the settings dialog before the picture is taken.
import { launchBrowser, openPage, startServer, waitForTick } from './harness.mjs';

const args = process.argv.slice(2);
const out = args.find((a, i) => !a.startsWith('--') && (i === 0 || !args[i - 1].startsWith('--')));
const option = (name, fallback) => {
  const i = args.indexOf(name);
  return i >= 0 && i + 1 < args.length ? args[i + 1] : fallback;
};
if (!out) {
  console.error("usage: node screenshot.mjs OUT.png [--size WxH] [--query '?seed=7'] [--tick N] [--settings]");
  process.exit(2);
}
const [width, height] = option('--size', '1024x768').split('x').map(Number);
const query = option('--query', '');
const tick = Number(option('--tick', '600'));

const server = await startServer();
const browser = await launchBrowser();
try {
  const page = await openPage(browser, server, { width, height, query });
  await waitForTick(page, tick);
  if (args.includes('--settings')) {
    await page.click('#open-settings');
    await page.waitForFunction(() => document.getElementById('settings').open);
    await page.mouse.move(0, height - 1);
  }
  await page.screenshot({ path: out });
  console.log(out);
} finally {
  await browser.close();
  await server.close();
}
