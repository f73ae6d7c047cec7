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

// The set of grid keys that another checked plugin occupies (a cell or land),
// built once from the data's "occupied" rows [x, y, pluginIndex, land, ...].
function occupiedKeys(occupied) {
  const keys = new Set();
  for (const row of occupied) keys.add(gridKey(row[0], row[1]));
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
// entries: [{x, y, movable}]; others: a Set of occupiedKeys. Returns the
// grids as [x, y], north to south, then west to east.
function overlapGrids(entries, others, dx, dy) {
  if (dx === 0 && dy === 0) return [];
  const standing = new Map();  // grid key -> how many of the plugin's entries stand there
  const landings = new Map();  // grid key -> [x, y] where a moved entry lands
  for (const entry of entries) {
    let x = entry.x;
    let y = entry.y;
    if (entry.movable) {
      x += dx;
      y += dy;
    }
    const key = gridKey(x, y);
    standing.set(key, (standing.get(key) || 0) + 1);
    if (entry.movable && !landings.has(key)) landings.set(key, [x, y]);
  }
  const grids = [];
  for (const [key, grid] of landings) {
    if (standing.get(key) > 1 || others.has(key)) grids.push(grid);
  }
  grids.sort((a, b) => b[1] - a[1] || a[0] - b[0]);
  return grids;
}
