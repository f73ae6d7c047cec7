// The map's data as the page uses it: the JSON of #map-data read into the
// plugin's entries, the other plugins' grids, the land clashes and the
// lookups of them by grid, built once. Rows that are not as the data's description says are
// left out rather than stopping the page.
"use strict";

function wholeNumber(value) {
  return Number.isInteger(value) ? value : null;
}
function textOrEmpty(value) {
  return typeof value === "string" ? value : "";
}

// The page's model of the parsed data: the plugin's entries, the other
// plugins' rows (and the same by plugin), lookups by grid key, and the
// bounds of the plugin and of everything.
function readModel(data) {
  if (data === null || typeof data !== "object") throw new Error("the map's data is not an object");
  const plugins = Array.isArray(data.plugins) ? data.plugins.map(textOrEmpty) : [];
  // Names and regions are indices of "texts" (or, written out, texts).
  const texts = Array.isArray(data.texts) ? data.texts.map(textOrEmpty) : [];
  const textOf = (value) => (Number.isInteger(value) ? textOrEmpty(texts[value]) : textOrEmpty(value));
  const others = [];  // [{x, y, plugin, land, name, region}] in the data's order
  for (const row of Array.isArray(data.occupied) ? data.occupied : []) {
    if (!Array.isArray(row)) continue;
    const x = wholeNumber(row[0]);
    const y = wholeNumber(row[1]);
    const plugin = wholeNumber(row[2]);
    if (x === null || y === null || plugin === null || plugin < 0 || plugin >= plugins.length) continue;
    // A row without a name (null) is land without a cell of its plugin.
    others.push({ x, y, plugin, land: Boolean(row[3]), cell: row[4] !== null, name: textOf(row[4]),
                  region: textOf(row[5]) });
  }
  const entries = [];  // the plugin's cells (with the land that goes along) and land no cell takes
  for (const cell of Array.isArray(data.cells) ? data.cells : []) {
    if (cell === null || typeof cell !== "object") continue;
    const x = wholeNumber(cell.x);
    const y = wholeNumber(cell.y);
    if (x === null || y === null) continue;
    const fate = ["kept", "moved", "copied", "deleted"].includes(cell.fate) ? cell.fate : "kept";
    let to = null;
    if (Array.isArray(cell.to) && wholeNumber(cell.to[0]) !== null && wholeNumber(cell.to[1]) !== null) {
      to = { x: cell.to[0], y: cell.to[1] };
    }
    entries.push({
      x, y, movable: cell.movable !== false, land: Boolean(cell.land), cell: cell.cell !== false,
      name: textOrEmpty(cell.name), region: textOrEmpty(cell.region), fate, to: to || { x, y },
    });
  }
  const ruleOverlaps = [];
  for (const grid of Array.isArray(data.overlaps) ? data.overlaps : []) {
    if (Array.isArray(grid) && wholeNumber(grid[0]) !== null && wholeNumber(grid[1]) !== null) {
      ruleOverlaps.push([grid[0], grid[1]]);
    }
  }
  // The land clashes: [x, y, [plugin, ...], shown, height difference].
  const clashes = [];
  for (const row of Array.isArray(data.clashes) ? data.clashes : []) {
    if (!Array.isArray(row) || wholeNumber(row[0]) === null || wholeNumber(row[1]) === null) continue;
    clashes.push({ x: row[0], y: row[1], plugins: Array.isArray(row[2]) ? row[2].map(textOrEmpty) : [],
                   shown: textOrEmpty(row[3]), heightDifference: Number(row[4]) || 0 });
  }
  // The move "TA, dx, dy" that does with the plugin what the rules file does,
  // when one does: the page opens there.
  let rulesOffset = null;
  const r = data.rulesOffset;
  if (Array.isArray(r) && wholeNumber(r[0]) !== null && wholeNumber(r[1]) !== null) {
    rulesOffset = { dx: r[0], dy: r[1] };
  }
  let terrain = null;
  const t = data.terrain;
  if (t && typeof t === "object" && typeof t.png === "string" && t.png.startsWith("data:image/png;base64,") &&
      wholeNumber(t.west) !== null && wholeNumber(t.north) !== null && t.columns > 0 && t.rows > 0) {
    terrain = { png: t.png, west: t.west, north: t.north, columns: t.columns, rows: t.rows };
  }

  const pushAt = (map, key, value) => {
    const list = map.get(key);
    if (list) list.push(value); else map.set(key, [value]);
  };
  const othersAt = new Map();
  const byPlugin = plugins.map(() => ({ land: [], cellOnly: [] }));
  for (const other of others) {
    pushAt(othersAt, gridKey(other.x, other.y), other);
    byPlugin[other.plugin][other.land ? "land" : "cellOnly"].push(other);
  }
  const nowAt = new Map();
  const afterRulesAt = new Map();
  for (const entry of entries) {
    pushAt(nowAt, gridKey(entry.x, entry.y), entry);
    if (entry.fate === "kept" || entry.fate === "copied") pushAt(afterRulesAt, gridKey(entry.x, entry.y), entry);
    if (entry.fate === "moved" || entry.fate === "copied") pushAt(afterRulesAt, gridKey(entry.to.x, entry.to.y), entry);
  }

  const pluginBounds = bounds();
  const movableBounds = bounds();  // where the movable entries stand now
  for (const entry of entries) {
    grow(pluginBounds, entry.x, entry.y);
    grow(pluginBounds, entry.to.x, entry.to.y);
    if (entry.movable) grow(movableBounds, entry.x, entry.y);
  }
  const allBounds = bounds();
  merge(allBounds, pluginBounds);
  for (const other of others) grow(allBounds, other.x, other.y);
  for (const clash of clashes) grow(allBounds, clash.x, clash.y);
  if (terrain) {
    grow(allBounds, terrain.west, terrain.north);
    grow(allBounds, terrain.west + terrain.columns - 1, terrain.north - terrain.rows + 1);
  }
  // quendrel ignores a rule that moves a cell further than this; the
  // program says how far (no limit when the data does not).
  const largestOffset = Math.abs(wholeNumber(data.largestOffset) ?? Infinity);
  const plugin = textOrEmpty(data.plugin);
  const otherKeys = occupiedKeys(others.map((o) => [o.x, o.y]));
  return {
    plugin, largestOffset, plugins, others, entries, ruleOverlaps, rulesOffset, terrain, clashes,
    // Without a plugin the page shows the whole load order and its clashes.
    wholeGame: plugin === "",
    othersAt, otherKeys, byPlugin, nowAt, afterRulesAt,
    ruleOverlapKeys: new Set(ruleOverlaps.map((g) => gridKey(g[0], g[1]))),
    clashAt: new Map(clashes.map((c) => [gridKey(c.x, c.y), c])),
    planner: planner(entries, otherKeys),
    pluginBounds, movableBounds, allBounds,
  };
}

function bounds() {
  return { minX: Infinity, maxX: -Infinity, minY: Infinity, maxY: -Infinity };
}
function grow(b, x, y) {
  b.minX = Math.min(b.minX, x); b.maxX = Math.max(b.maxX, x);
  b.minY = Math.min(b.minY, y); b.maxY = Math.max(b.maxY, y);
}
function merge(b, other) {
  if (other.minX <= other.maxX) {
    grow(b, other.minX, other.minY);
    grow(b, other.maxX, other.maxY);
  }
}
