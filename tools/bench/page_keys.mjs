// What an arrow key costs on quendrel-map's planner page: opens the page in
// headless Chromium (as the browser test starts it, tests/browser), waits
// for the map and its terrain, then presses an arrow key KEYS times, each
// followed by two animation frames, and takes the browser's own main-thread
// time over them (CDP Performance.getMetrics, TaskDuration) divided by KEYS;
// three such rounds, the median printed.
//
//   node tools/bench/page_keys.mjs PAGE.html [KEYS]
// Prints one line: "ms per key: 5.1 (median of 3 rounds of 30 keys: ...)".
import { existsSync, mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { pathToFileURL } from "node:url";
import { browserPath, launchOptions, loadChromium, playwrightPath } from "../../tests/browser/chromium.mjs";

const [pagePath, keysText] = process.argv.slice(2);
const keys = Number(keysText || 30);
if (!pagePath || !(keys > 0)) {
  console.error("usage: node page_keys.mjs PAGE.html [KEYS]");
  process.exit(1);
}
if (!existsSync(browserPath) || !existsSync(playwrightPath)) {
  console.error(`page_keys.mjs: needs ${browserPath} and playwright-core (npm ci in tests/browser)`);
  process.exit(1);
}
const chromium = await loadChromium();

const profile = mkdtempSync(join(tmpdir(), "quendrel-bench-chromium-"));
const context = await chromium.launchPersistentContext(profile, launchOptions);
try {
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.waitForFunction(() => window.quendrelPage && window.quendrelPage.frameTimes().length > 0,
                             null, { timeout: 60000 });
  await page.waitForFunction(() => window.quendrelPage.terrainShown(), null, { timeout: 60000 }).catch(() => {});
  const nextFrame = () => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => done())));
  await page.locator("#map").focus();
  // A few keys first, so that what is made once is made.
  for (let i = 0; i < 3; ++i) {
    await page.keyboard.press("ArrowRight");
    await nextFrame();
    await nextFrame();
  }
  const cdp = await context.newCDPSession(page);
  await cdp.send("Performance.enable");
  const taskSeconds = async () =>
    (await cdp.send("Performance.getMetrics")).metrics.find((m) => m.name === "TaskDuration").value;
  // Rounds of KEYS keys, right and back, the median round reported: on a
  // busy machine one round can take twice another.
  const rounds = [];
  for (let round = 0; round < 3; ++round) {
    const before = await taskSeconds();
    for (let i = 0; i < keys; ++i) {
      await page.keyboard.press(round % 2 ? "ArrowLeft" : "ArrowRight");
      await nextFrame();
      await nextFrame();
    }
    rounds.push(((await taskSeconds()) - before) * 1000 / keys);
  }
  const rule = await page.textContent("#rule");
  const count = await page.textContent("#overlap-count");
  if (errors.length) console.error(`script errors: ${errors.join("; ")}`);
  const median = [...rounds].sort((a, b) => a - b)[1];
  console.log(`ms per key: ${median.toFixed(1)} (median of 3 rounds of ${keys} keys: ` +
              `${rounds.map((ms) => ms.toFixed(1)).join(", ")}; last at ${rule}, ${count} overlaps)`);
} finally {
  await context.close();
  rmSync(profile, { recursive: true, force: true });
}
