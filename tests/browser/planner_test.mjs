// quendrel-map's planner page in a real browser (Debian's headless Chromium,
// driven by playwright-core): the page is written from planner_data.json by
// the program's page writer, opened from the disk with every network request
// blocked, and used as a person would: arrow keys and a mouse drag move the
// plugin, a layer is switched off and on, a cell is hovered. The overlap
// count is checked on the hand-worked data, and the planner's overlap
// function on its own, one clause of its definition a row. Then pages that
// quendrel-map --html writes for made-up and real plugins are moved with the
// arrow keys, and at each offset the planner's rule and count must be what
// quendrel-map reports for that rule. A page of a whole load order without
// a plugin shows its clashes. Last, a page with 20,000 occupied grids is
// dragged and the time a frame takes is printed.
//
//   node planner_test.mjs WRITE_PLANNER_PAGE OUTPUT_DIR QUENDREL_MAP CORPUS_DIR
// Exit status 0: passed, 1: failed, 77: skipped (the reason is printed).
import { execFileSync, spawnSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { browserPath, launchOptions, loadChromium } from "./chromium.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const [writer, outDir, quendrelMap, corpus] = process.argv.slice(2);
if (!writer || !outDir || !quendrelMap || !corpus) {
  console.error("usage: node planner_test.mjs WRITE_PLANNER_PAGE OUTPUT_DIR QUENDREL_MAP CORPUS_DIR");
  process.exit(1);
}
function skip(reason) {
  console.log(`skipped: ${reason}`);
  process.exit(77);
}
if (Number(process.versions.node.split(".")[0]) < 20) skip(`playwright-core needs node 20 or later, not ${process.version}`);
if (!existsSync(browserPath)) skip(`${browserPath} is missing (Debian: chromium-headless-shell)`);
let chromium;
try {
  chromium = await loadChromium();
} catch {
  skip(`playwright-core is missing: run "npm ci" in ${here}`);
}

let failures = 0;
let passes = 0;
function check(what, actual, expected) {
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  if (a === e) {
    ++passes;
  } else {
    ++failures;
    console.log(`FAILED: ${what}: got ${a}, expected ${e}`);
  }
}
function checkTrue(what, condition, detail = "") {
  check(`${what}${detail ? ` (${detail})` : ""}`, Boolean(condition), true);
}

mkdirSync(outDir, { recursive: true });
function writePage(data, name) {
  const dataPath = join(outDir, `${name}.json`);
  const pagePath = resolve(outDir, `${name}.html`);
  writeFileSync(dataPath, typeof data === "string" ? data : JSON.stringify(data));
  execFileSync(writer, [dataPath, pagePath], { stdio: "inherit" });
  return pagePath;
}

const profile = mkdtempSync(join(tmpdir(), "quendrel-chromium-"));
const context = await chromium.launchPersistentContext(profile, launchOptions);
await context.grantPermissions(["clipboard-read", "clipboard-write"]);

// Everything but the page file itself and data: URLs is refused and noted.
const requests = [];
await context.route("**/*", (route) => {
  const url = route.request().url();
  if (url.startsWith("file:") || url.startsWith("data:")) return route.continue();
  requests.push(url);
  return route.abort();
});
context.on("request", (request) => {
  const url = request.url();
  if (!url.startsWith("file:") && !url.startsWith("data:")) requests.push(url);
});

async function open(pagePath) {
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  page.on("console", (message) => {
    if (message.type() === "error" || message.type() === "warning") errors.push(message.text());
  });
  await page.goto(pathToFileURL(pagePath).href);
  try {
    await page.waitForFunction(() => window.quendrelPage && window.quendrelPage.frameTimes().length > 0,
                               null, { timeout: 10000 });
  } catch {
    throw new Error(`${pagePath} drew no map: ${JSON.stringify(errors)} ${await page.textContent("#error")}`);
  }
  return { page, errors };
}
const nextFrame = (page) => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => done())));
const planner = async (page) => [await page.textContent("#rule"), await page.textContent("#overlap-count")];
// How many colours a screenshot holds, read back by the browser: a blank
// page has one or two.
const colourCount = (page, shot) => page.evaluate(async (png) => {
  const image = new Image();
  image.src = png;
  await image.decode();
  const c = document.createElement("canvas");
  c.width = image.width;
  c.height = image.height;
  const ctx = c.getContext("2d");
  ctx.drawImage(image, 0, 0);
  const pixels = ctx.getImageData(0, 0, c.width, c.height).data;
  const seen = new Set();
  for (let i = 0; i < pixels.length; i += 4) seen.add((pixels[i] << 16) | (pixels[i + 1] << 8) | pixels[i + 2]);
  return seen.size;
}, `data:image/png;base64,${readFileSync(shot).toString("base64")}`);
const canvasPixels = (page) => page.evaluate(() => document.getElementById("map").toDataURL());

try {
  // ---- The hand-worked page -------------------------------------------------
  // mod.esp: (0, 0) "Sel Isle"; two entries at (1, 0); a damaged cell at
  // (3, 0); land without a cell at (0, 1). Base.esm has land at (0, 0),
  // (1, 0) and (2, 1); Other.esp land without a cell at (4, 0) and a cell
  // without land at (2, 0).
  const { page, errors } = await open(writePage(readFileSync(join(here, "planner_data.json"), "utf8"), "planner"));
  check("the page at rest", await planner(page), ["TA, 0, 0", "0"]);
  // No move of the whole plugin does what its rules file does: the bar says
  // the rules file's count beside the plan's before any key is pressed.
  check("the rules file's count in the bar", await page.textContent("#rules-count"), "the rules file: 1 overlap");
  check("the plugin's name as the page's title", await page.title(), "mod.esp — quendrel-map");

  // Each row: the keys pressed, then the rule and the overlap count.
  const keyRows = [
    // (1, 0) lands on Base.esm's land; the pair lands together on Other.esp's cell at (2, 0).
    [["ArrowRight"], "TA, 1, 0", "2"],
    // (2, 0) Other.esp's cell; the pair on the damaged cell at (3, 0); (2, 1) Base.esm's land.
    [["ArrowRight"], "TA, 2, 0", "3"],
    // (3, 0) the damaged cell; the pair on Other.esp's land without a cell at (4, 0).
    [["ArrowRight"], "TA, 3, 0", "2"],
    // (0, 0) is left to Base.esm alone, then the land from (0, 1) lands on it; the pair at (1, -1).
    [["ArrowLeft", "ArrowLeft", "ArrowLeft", "ArrowDown"], "TA, 0, -1", "2"],
    [["ArrowUp"], "TA, 0, 0", "0"],
  ];
  for (const [keys, rule, count] of keyRows) {
    for (const key of keys) await page.keyboard.press(key);
    check(`after ${keys.join(" ")}`, await planner(page), [rule, count]);
  }

  // A drag from the plugin's cell at (0, 0) to (0, 5): the pair alone stands on one grid.
  let from = await page.evaluate(() => window.quendrelPage.screenOf(0, 0));
  let to = await page.evaluate(() => window.quendrelPage.screenOf(0, 5));
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move((from.x + to.x) / 2, (from.y + to.y) / 2, { steps: 4 });
  await page.mouse.move(to.x, to.y, { steps: 4 });
  await page.mouse.up();
  check("after dragging the plugin 5 cells north", await planner(page), ["TA, 0, 5", "1"]);

  // A drag from an empty grid pans the map and leaves the plan alone.
  from = await page.evaluate(() => window.quendrelPage.screenOf(-3, -3));
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + 100, from.y + 40, { steps: 5 });
  await page.mouse.up();
  to = await page.evaluate(() => window.quendrelPage.screenOf(-3, -3));
  check("a drag on empty ground pans", [Math.round(to.x - from.x), Math.round(to.y - from.y)], [100, 40]);
  check("and moves nothing", await planner(page), ["TA, 0, 5", "1"]);
  await page.keyboard.press("Shift+ArrowRight");
  const panned = await page.evaluate(() => window.quendrelPage.screenOf(-3, -3));
  checkTrue("Shift and an arrow pan", panned.x < to.x, `${panned.x} < ${to.x}`);
  check("and move nothing", await planner(page), ["TA, 0, 5", "1"]);
  const scale = await page.evaluate(() => window.quendrelPage.scale());
  await page.keyboard.press("+");
  const zoomed = await page.evaluate(() => window.quendrelPage.scale());
  checkTrue("+ zooms in", zoomed > scale, `${zoomed} > ${scale}`);
  await page.keyboard.press("-");
  check("- zooms out again", Math.abs((await page.evaluate(() => window.quendrelPage.scale())) - scale) < 1e-9, true);
  await page.mouse.move(640, 300);
  await page.mouse.wheel(0, 200);
  await page.waitForFunction((s) => window.quendrelPage.scale() !== s, scale, { timeout: 2000 }).catch(() => {});
  const wheeled = await page.evaluate(() => window.quendrelPage.scale());
  checkTrue("the wheel zooms out", wheeled < scale, `${wheeled} < ${scale}`);

  await page.click("#reset-rule");
  check("Reset", await planner(page), ["TA, 0, 0", "0"]);
  await page.keyboard.press("ArrowRight");
  await page.click("#copy-rule");
  await page.waitForFunction(() => document.getElementById("copy-status").textContent !== "");
  check("Copy", [await page.textContent("#copy-status"), await page.evaluate(() => navigator.clipboard.readText())],
        ["copied", "TA, 1, 0"]);

  // Hovering a grid names every plugin there, land without a cell as such;
  // a name is shown as text, never as markup.
  const hoverRows = [
    [[1, 0], [
      "(1, 0)",
      "mod.esp \"\", land; rules: moved to (1, -2)",
      "mod.esp \"</script><b>x</b> & \"q\" <!--\", cell only; rules: copied to (1, -2)",
      "mod.esp \"Sel Isle\" (Sheogorad) planned here from (0, 0)",
      "Base.esm \"\", land",
      "overlap",
    ]],
    [[0, 1], ["(0, 1)", "mod.esp land without a cell; rules: kept"]],
    [[4, 0], ["(4, 0)", "Other.esp land without a cell"]],
    [[2, 1], ["(2, 1)", "Base.esm \"Hill\" (Sheogorad), land",
              "land clash of Base.esm, mod.esp: mod.esp shown, heights differ by up to 512"]],
  ];
  for (const [[x, y], lines] of hoverRows) {
    const point = await page.evaluate(([gx, gy]) => window.quendrelPage.screenOf(gx, gy), [x, y]);
    await page.mouse.move(point.x, point.y);
    const hover = await page.evaluate(() => [...document.querySelectorAll("#tooltip .line")].map((l) => l.textContent));
    check(`hovering (${x}, ${y})`, hover, lines);
  }

  // A layer switched off changes the picture; switched on again, it comes
  // back: close, where each cell is drawn, and far, where a picture of all
  // the cells made once is drawn.
  for (const [zoom, keys] of [["close", 0], ["far", 8]]) {
    for (let i = 0; i < keys; ++i) await page.keyboard.press("-");
    await nextFrame(page);
    const before = await canvasPixels(page);
    for (const layer of ["others", "now"]) {
      await page.click(`#layer-${layer}`);
      await nextFrame(page);
      const without = await canvasPixels(page);
      await page.click(`#layer-${layer}`);
      await nextFrame(page);
      checkTrue(`${zoom}: switching the layer ${layer} off changes the map`, without !== before);
      checkTrue(`${zoom}: switching it on again restores it`, (await canvasPixels(page)) === before);
    }
  }
  for (let i = 0; i < 8; ++i) await page.keyboard.press("+");

  await page.keyboard.press("ArrowRight");
  await nextFrame(page);
  const shot = join(outDir, "planner.png");
  await page.screenshot({ path: shot });
  // The screenshot, read back by the browser: many colours, not one ground.
  const colours = await colourCount(page, shot);
  checkTrue("the screenshot is not blank", colours > 50, `${colours} colours in ${shot}`);

  // ---- The overlap function alone ------------------------------------------
  // Each row: the plugin's entries [x, y, movable], other plugins' grids, the offset, the overlap grids.
  const overlapRows = [
    ["one entry onto a free grid", [[0, 0, 1]], [], [1, 0], []],
    ["two entries of one grid onto a free grid", [[0, 0, 1], [0, 0, 1]], [], [1, 0], [[1, 0]]],
    ["onto a damaged cell, which stays", [[0, 0, 1], [1, 0, 0]], [], [1, 0], [[1, 0]]],
    ["past a damaged cell", [[0, 0, 1], [1, 0, 0]], [], [2, 0], []],
    ["a damaged cell on another plugin's grid", [[0, 0, 1], [5, 5, 0]], [[5, 5]], [1, 0], []],
    ["onto another plugin's land without a cell", [[0, 0, 1]], [[1, 0]], [1, 0], [[1, 0]]],
    ["off the grid it shared with another plugin", [[0, 0, 1]], [[0, 0]], [0, 1], []],
    ["onto a grid two plugins hold, with another entry: once", [[0, 0, 1], [0, 0, 1]], [[1, 0], [1, 0]], [1, 0], [[1, 0]]],
    ["a move by nothing", [[0, 0, 1], [0, 0, 1]], [[0, 0]], [0, 0], []],
    ["north to south, then west to east", [[0, 0, 1], [1, 0, 1], [0, 5, 1]], [[1, 0], [2, 0], [1, 5]], [1, 0],
     [[1, 5], [1, 0], [2, 0]]],
  ];
  for (const [what, entries, others, [dx, dy], expected] of overlapRows) {
    const grids = await page.evaluate(([e, o, x, y]) =>
      overlapGrids(e.map(([ex, ey, m]) => ({ x: ex, y: ey, movable: m === 1 })),
                   occupiedKeys(o), x, y), [entries, others, dx, dy]);
    check(`overlaps: ${what}`, grids, expected);
  }
  check("no script error on the hand-worked page", errors, []);

  // ---- The planner's counts are quendrel-map's ------------------------------
  // Each case: a plugin, the options that name the plugins it is checked
  // against, the rules file the page is written with (the planner moves the
  // plugin from where it is now, whatever the rules file says), and the
  // offsets the arrow keys then reach, with the count expected at the first
  // (worked out by hand, so that a case cannot pass by counting nothing),
  // and where the page opens: at the rules file's move when one move of the
  // whole plugin does what it does, else (null) at TA, 0, 0 with the rules
  // file's count in the bar.
  // At every offset the page must show "TA, dx, dy" and the number of
  // overlap lines quendrel-map prints for a rules file of that line alone.
  const made = join(outDir, "made-up");
  mkdirSync(made, { recursive: true });
  execFileSync(writer, ["--plugins", made], { stdio: "inherit" });
  writeFileSync(join(outDir, "openmw.cfg"),
                `data="${resolve(corpus)}"\ncontent=VV_2020.esm\ncontent=The_Lucky_Fellow.ESP\ncontent=FiremothReclaimed.esp\n`);
  writeFileSync(join(outDir, "no-rules.cfg"), "");
  writeFileSync(join(outDir, "moved.cfg"), "TA, 3, -2\n");
  const inCorpus = (name) => join(corpus, name);
  const crossCases = [
    // (1, 0): A with its land and B onto Other.esp's Road at (2, 0); C with
    // its land and the second land of its grid, apart, onto one free grid.
    // The land beside the damaged cell, "Sel Isle" and Café land on free grids.
    ["made-up plugins", join(made, "mod.esp"),
     ["--against", join(made, "Base.esm"), "--against", join(made, "Other.esp")], join(made, "rules.cfg"),
     [[1, 0, 2], [2, 0], [3, 0], [2, -1], [0, -1], [-1, 0], [-1, 1], [1, 1], [2, -2], [5, 0], [4, -2], [0, 0]],
     null],
    // (1, 0): 18 of the island's grids onto its master's land.
    ["sel_island_ext.ESP against VV_2020.esm", inCorpus("sel_island_ext.ESP"),
     ["--against", inCorpus("VV_2020.esm")], join(outDir, "no-rules.cfg"),
     [[1, 0, 18], [0, -1], [-5, 0], [2, -3], [-3, 2], [4, -4]], [0, 0]],
    // A rules file that moves the whole island by (3, -2): the page opens there.
    ["moved sel_island_ext.ESP against VV_2020.esm", inCorpus("sel_island_ext.ESP"),
     ["--against", inCorpus("VV_2020.esm")], join(outDir, "moved.cfg"), [[4, -2], [3, -3]], [3, -2]],
    // (5, 0): the cell at (-7, -9) onto The_Lucky_Fellow.ESP's cell at (-2, -9).
    ["FiremothReclaimed.esp in a load order", inCorpus("FiremothReclaimed.esp"),
     ["--load-order", join(outDir, "openmw.cfg")], join(outDir, "no-rules.cfg"),
     [[5, 0, 1], [6, 1], [3, 0], [17, 27], [18, 28]], [0, 0]],
    // (-14, 0): its land without a cell at (12, -9) onto Firemoth's (-2, -9).
    ["Fortified Molag Mar.ESP against FiremothReclaimed.esp and VV_2020.esm", inCorpus("Fortified Molag Mar.ESP"),
     ["--against", inCorpus("FiremothReclaimed.esp"), "--against", inCorpus("VV_2020.esm")], join(outDir, "no-rules.cfg"),
     [[-14, 0, 1], [-15, -1], [-20, -2], [-21, -2], [-19, -1]], [0, 0]],
  ];
  const reportedOverlaps = (plugin, checked, dx, dy) => {
    const rules = join(outDir, "ta.cfg");
    writeFileSync(rules, `TA, ${dx}, ${dy}\n`);
    const run = spawnSync(quendrelMap, ["--rules", rules, ...checked, "--output", join(outDir, "ta.svg"), plugin],
                          { encoding: "utf8" });
    if (run.status !== 0 && run.status !== 2) throw new Error(`quendrel-map failed: ${run.stderr}`);
    return run.stdout.split("\n").filter((line) => line.startsWith("overlap ")).length;
  };
  for (const [what, plugin, checked, rules, offsets, opens] of crossCases) {
    if (!existsSync(plugin)) {
      console.log(`${what}: skipped, ${plugin} is missing`);
      continue;
    }
    const pagePath = join(outDir, `${what.split(" ")[0]}.html`);
    rmSync(pagePath, { force: true });
    const written = spawnSync(quendrelMap, ["--rules", rules, ...checked, "--output", join(outDir, "map.svg"),
                                            "--html", pagePath, plugin], { encoding: "utf8" });
    if (written.status !== 0 && written.status !== 2) throw new Error(`quendrel-map --html failed: ${written.stderr}`);
    const opened = await open(pagePath);
    let at = opens || [0, 0];
    const rulesCount = written.stdout.split("\n").filter((line) => line.startsWith("overlap ")).length;
    check(`${what}: the page opens at`, await planner(opened.page),
          [`TA, ${at[0]}, ${at[1]}`, String(opens ? rulesCount : reportedOverlaps(plugin, checked, 0, 0))]);
    check(`${what}: the rules file's count in the bar`,
          [await opened.page.isVisible("#rules-count"), await opened.page.textContent("#rules-count")],
          opens ? [false, ""] : [true, `the rules file: ${rulesCount} overlap${rulesCount === 1 ? "" : "s"}`]);
    const seen = [];
    for (const [dx, dy, byHand] of offsets) {
      const keys = [[dx - at[0], "ArrowRight", "ArrowLeft"], [dy - at[1], "ArrowUp", "ArrowDown"]];
      for (const [steps, forward, back] of keys) {
        for (let i = 0; i < Math.abs(steps); ++i) await opened.page.keyboard.press(steps > 0 ? forward : back);
      }
      at = [dx, dy];
      const reported = String(reportedOverlaps(plugin, checked, dx, dy));
      check(`${what}: TA, ${dx}, ${dy}`, await planner(opened.page), [`TA, ${dx}, ${dy}`, reported]);
      if (byHand !== undefined) check(`${what}: TA, ${dx}, ${dy} by hand`, reported, String(byHand));
      seen.push(`(${dx}, ${dy}) ${reported}`);
    }
    console.log(`${what}: overlaps ${seen.join(", ")}`);
    // The land is drawn: the terrain picture in the data decodes.
    await opened.page.waitForFunction(() => window.quendrelPage.terrainShown(), null, { timeout: 5000 })
      .catch(() => {});
    check(`${what}: the terrain is drawn`, await opened.page.evaluate(() => window.quendrelPage.terrainShown()), true);
    const shot = pagePath.replace(/\.html$/, ".png");
    await opened.page.screenshot({ path: shot });
    const colours = await colourCount(opened.page, shot);
    checkTrue(`${what}: the screenshot is not blank`, colours > 50, `${colours} colours in ${shot}`);
    check(`${what}: no script error`, [...opened.errors, await opened.page.textContent("#error")], [""]);
    await opened.page.close();
  }

  // ---- The whole load order, without a plugin --------------------------------
  // Two landmass add-ons that share ten grids: the page is a view of the
  // game, with the report's last line in the bar and nothing to move; then
  // with one of them as the plugin, its clashes are marked the same way.
  const wild = join(corpus, "..", "wild", "plugins");
  const landmass = "wl_Du_AssaultonVvardenfell.ESP";
  if (existsSync(join(wild, landmass)) && existsSync(inCorpus("Deeper Dagoth Ur.ESP"))) {
    writeFileSync(join(outDir, "game.cfg"), `data="${resolve(corpus)}"\ndata="${resolve(wild)}"\n` +
                  `content=Deeper Dagoth Ur.ESP\ncontent=${landmass}\n`);
    for (const plugin of [[], [join(wild, landmass)]]) {
      const what = plugin.length ? "the plugin's clashes" : "the whole load order";
      const pagePath = join(outDir, plugin.length ? "clashes.html" : "game.html");
      rmSync(pagePath, { force: true });
      const run = spawnSync(quendrelMap, ["--load-order", join(outDir, "game.cfg"), "--output", join(outDir, "game.svg"),
                                          "--html", pagePath, ...plugin], { encoding: "utf8" });
      check(`${what}: quendrel-map's status`, [run.status, run.stderr], [2, ""]);
      const clashes = run.stdout.split("\n").filter((line) => line.startsWith("clash ("));
      const opened = await open(pagePath);
      const legend = await opened.page.textContent("#legend");
      if (plugin.length) {
        checkTrue(`${what}: in the legend`, legend.includes(`land clashes of ${landmass} after the rules: ${clashes.length}`), legend);
      } else {
        check(`${what}: the bar`, [await opened.page.textContent("#summary"), await opened.page.isVisible("#planner"),
                                   await opened.page.isVisible("#layer-now")], [run.stdout.trim().split("\n").pop(), false, false]);
        checkTrue(`${what}: no entry of a plugin in the legend`, !/now|rules|overlap/.test(legend), legend);
        const before = await opened.page.evaluate(() => window.quendrelPage.screenOf(0, 0));
        await opened.page.keyboard.press("ArrowRight");
        await nextFrame(opened.page);
        const after = await opened.page.evaluate(() => window.quendrelPage.screenOf(0, 0));
        checkTrue(`${what}: an arrow key pans`, after.x < before.x, `${after.x} < ${before.x}`);
      }
      // The first clash, hovered: its line names what the report's does.
      const [, x, y, shown, height] = /^clash \((-?\d+), (-?\d+)\): .*; (\S[^;]*) shown, heights differ by up to (\d+)$/
        .exec(clashes[0]);
      const point = await opened.page.evaluate(([gx, gy]) => window.quendrelPage.screenOf(gx, gy), [Number(x), Number(y)]);
      await opened.page.mouse.move(point.x, point.y);
      const hover = await opened.page.evaluate(() => [...document.querySelectorAll("#tooltip .line")].map((l) => l.textContent));
      check(`${what}: hovering the first clash`, hover[hover.length - 1],
            `land clash of Deeper Dagoth Ur.ESP, ${landmass}: ${shown} shown, heights differ by up to ${height}`);
      check(`${what}: no script error`, [...opened.errors, await opened.page.textContent("#error")], [""]);
      await opened.page.close();
    }
  } else {
    console.log(`the whole load order: skipped, ${join(wild, landmass)} is missing`);
  }

  // ---- A load order with 20,000 occupied grids ------------------------------
  // Six plugins share 20,000 grids of a 200 x 100 world; the plugin holds a
  // block of 50 x 40 cells. The terrain is a 9-pixels-a-cell raster the
  // browser paints and encodes as PNG.
  const terrain = await page.evaluate(() => {
    const c = document.createElement("canvas");
    c.width = 200 * 9;
    c.height = 100 * 9;
    const ctx = c.getContext("2d");
    ctx.fillStyle = "#1b4f80";
    ctx.fillRect(0, 0, c.width, c.height);
    for (let i = 0; i < 60; ++i) {
      const x = (i * 379) % c.width;
      const y = (i * 211) % c.height;
      const g = ctx.createRadialGradient(x, y, 5, x, y, 120);
      g.addColorStop(0, "#b8a27a");
      g.addColorStop(0.5, "#4e8a3a");
      g.addColorStop(1, "rgba(40, 110, 60, 0)");
      ctx.fillStyle = g;
      ctx.fillRect(x - 120, y - 120, 240, 240);
    }
    return c.toDataURL("image/png");
  });
  const occupied = [];
  for (let i = 0; occupied.length < 20000; ++i) {
    const x = -100 + (i % 200);
    const y = 50 - Math.floor(i / 200);
    occupied.push([x, y, i % 6, i % 5 === 0 ? 0 : 1, i % 7 === 0 ? `Place ${i}` : "", "Region"]);
  }
  const cells = [];
  for (let x = -20; x < 30; ++x) {
    for (let y = -20; y < 20; ++y) {
      cells.push({ x, y, name: "", region: "", land: true, movable: true, fate: "kept", to: [x, y] });
    }
  }
  const big = {
    plugin: "big.esp",
    plugins: ["A.esm", "B.esm", "C.esp", "D.esp", "E.esp", "F.esp"],
    occupied, cells, overlaps: [],
    terrain: { png: terrain, west: -100, north: 50, columns: 200, rows: 100 },
  };
  const bigPage = await open(writePage(big, "planner_20000"));
  await bigPage.page.click("#fit-all");
  await nextFrame(bigPage.page);
  await nextFrame(bigPage.page);
  const start = await bigPage.page.evaluate(() => window.quendrelPage.screenOf(0, 0));
  const cell = await bigPage.page.evaluate(() => window.quendrelPage.scale());
  await bigPage.page.mouse.move(start.x, start.y);
  await bigPage.page.mouse.down();
  const drawn = await bigPage.page.evaluate(() =>
    [window.quendrelPage.frameTimes().length, window.quendrelPage.latencies().length]);
  for (let step = 1; step <= 60; ++step) {
    await bigPage.page.mouse.move(start.x + step * cell * 0.7, start.y + step * cell * 0.4);
    await nextFrame(bigPage.page);
  }
  await bigPage.page.mouse.up();
  check("the big page's plan moved", (await planner(bigPage.page))[0] !== "TA, 0, 0", true);
  await bigPage.page.screenshot({ path: join(outDir, "planner_20000.png") });
  // A frame's work: the overlap count and the drawing; and the time from
  // the pointer's move to the end of the frame that shows the new plan
  // (which waits for the browser's next frame, some 16 ms apart).
  const [frames, latencies] = await bigPage.page.evaluate(([f, l]) =>
    [window.quendrelPage.frameTimes().slice(f), window.quendrelPage.latencies().slice(l)], drawn);
  const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];
  const ms = (v) => `${v.toFixed(1)} ms`;
  console.log(`20,000 occupied grids, 2,000 cells dragged: a frame's work ${ms(median(frames))} (median), ` +
              `${ms(Math.max(...frames))} (longest) over ${frames.length} frames; pointer move to frame ` +
              `drawn ${ms(median(latencies))} (median), ${ms(Math.max(...latencies))} (longest)`);
  // Panning redraws the whole map every frame.
  const corner = await bigPage.page.evaluate(() => {
    const box = document.getElementById("map").getBoundingClientRect();
    return { x: box.left + 4, y: box.top + 4 };
  });
  const panned0 = (await bigPage.page.evaluate(() => window.quendrelPage.frameTimes())).length;
  await bigPage.page.mouse.move(corner.x, corner.y);
  await bigPage.page.mouse.down();
  for (let step = 1; step <= 30; ++step) {
    await bigPage.page.mouse.move(corner.x + step * 7, corner.y + step * 3);
    await nextFrame(bigPage.page);
  }
  await bigPage.page.mouse.up();
  const pans = (await bigPage.page.evaluate(() => window.quendrelPage.frameTimes())).slice(panned0);
  console.log(`panning that map: a frame's work ${ms(median(pans))} (median), ${ms(Math.max(...pans))} (longest) ` +
              `over ${pans.length} frames`);
  check("no script error on the big page", bigPage.errors, []);
  check("no network request", requests, []);
} catch (error) {
  ++failures;
  console.log(`FAILED: ${error.stack || error}`);
} finally {
  await context.close();
  rmSync(profile, { recursive: true, force: true });
}

console.log(`${passes} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
