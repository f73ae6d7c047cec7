// The planner's arithmetic: where the plugin's cells stand after the rule
// "TA, dx, dy" and which grids then hold more than one thing. Pure
// functions of their arguments, kept apart from the page so that the count
// can be checked on its own against quendrel-map's report.
"use strict";

// The key of a grid in the lookups. Grids are whole numbers that fit in 32
// bits, so the text is exact.
function gridKey(x, y) {
  return x + "," + y;
}

// The key of a grid where a move is looked up many times: one number for a
// grid within a million cells of (0, 0), exact (below 2^42), else its text.
// Numbers and texts never meet, so the two kinds live in one Set.
const kNearGrids = 1 << 20;
function numberKey(x, y) {
  if (x > -kNearGrids && x < kNearGrids && y > -kNearGrids && y < kNearGrids) {
    return (x + kNearGrids) * (2 * kNearGrids) + (y + kNearGrids);
  }
  return gridKey(x, y);
}

// The index of the grids that another checked plugin occupies (a cell or
// land), built once from the data's "occupied" rows [x, y, pluginIndex,
// land, ...]: a Set of numberKey.
function occupiedKeys(occupied) {
  const keys = new Set();
  for (const row of occupied) keys.add(numberKey(row[0], row[1]));
  return keys;
}

// The overlap grids of the rule "TA, dx, dy", as quendrel-map reports them.
//
// The entries are the plugin's things as quendrel-map counts them (a cell
// with the land that goes along, land that no cell takes along). The rule
// moves every movable entry by (dx, dy); an unmovable entry (a damaged
// record, which quendrel passes on unchanged) stays where it is. An overlap
// is a grid where a moved entry lands and where, after the move, more than
// one thing stands: the plugin's own entries there after the move (moved
// ones at their new grid, unmovable ones at their own grid), and the grid of
// any other checked plugin (one or more plugins count as one thing). Each
// grid is counted once. TA, 0, 0 moves nothing, so it gives no overlap.
//
// entries: [{x, y, movable}]; others: occupiedKeys. Returns the grids as
// [x, y], north to south, then west to east.
function overlapGrids(entries, others, dx, dy) {
  const plugin = planner(entries, others);
  plugin.move(dx, dy);
  const grids = plugin.sources.filter((source) => source.overlap).map((source) => [source.x + dx, source.y + dy]);
  grids.sort((a, b) => b[1] - a[1] || a[0] - b[0]);
  return grids;
}

// overlapGrids for one plugin and many moves, what no move changes worked
// out once. All movable entries move together, so the moved entries on a
// grid all come from one grid, their source: a landing grid holds more than
// one thing when two or more movable entries come from there, when an
// unmovable entry stands there, or when another plugin does. A move then
// costs one lookup for each source, and nothing is made anew.
//
// Returns {sources, move}: sources [{x, y, key, overlap}], the grids the
// movable entries stand on now, each once (key: its numberKey); move(dx, dy)
// sets each source's `overlap` to whether its entries make an overlap where
// that move puts them, and returns how many do.
function planner(entries, others) {
  const byKey = new Map();  // numberKey -> source
  const unmovable = new Set();  // numberKey of the unmovable entries' grids
  for (const entry of entries) {
    const key = numberKey(entry.x, entry.y);
    if (!entry.movable) {
      unmovable.add(key);
      continue;
    }
    const source = byKey.get(key);
    if (source) ++source.count; else byKey.set(key, { x: entry.x, y: entry.y, key, count: 1, overlap: false });
  }
  const sources = [...byKey.values()];
  const move = (dx, dy) => {
    let count = 0;
    for (const source of sources) {
      let overlap = false;
      if (dx !== 0 || dy !== 0) {
        const key = numberKey(source.x + dx, source.y + dy);
        overlap = source.count > 1 || unmovable.has(key) || others.has(key);
      }
      source.overlap = overlap;
      if (overlap) ++count;
    }
    return count;
  };
  return { sources, byKey, move };
}
