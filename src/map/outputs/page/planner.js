// The planner page: the map of the plugin's exterior cells over the land of
// every checked plugin, drawn on a canvas, and a move of the whole plugin
// tried by dragging it or with the arrow keys; without a plugin, the land of
// the whole load order with its clashes. The page reads its data from the
// JSON in #map-data (written by quendrel-map) and builds its lookups of
// occupied grids once. It draws in three layers, each only when what it
// shows changes: the map (terrain, other plugins, the plugin now and after
// the rules) when the view changes; over it the planned move (the plugin's
// cells where the move puts them and its overlaps), drawn around the cells
// where they are now and shifted as a whole by the move, so that a move
// draws only the cells whose overlap comes or goes; on top the marks
// (damaged records, the rules file's overlaps, the land clashes, names).
"use strict";

(function () {
  const kMaxCellPixels = 240;  // the closest zoom: one cell fills much of the window
  const kMinCellPixels = 4;  // the farthest zoom is at least this far
  const kFitMargin = 3;  // cells of room around what a fit frames
  // Below this many pixels a cell, the layers of many cells are drawn as a
  // picture made once (at most this many pixels) rather than cell by cell.
  const kPictureScale = 16;
  const kPicturePixels = 4 * 1024 * 1024;
  // Other plugins' cells: land, cells without land, and the outline of those.
  const kLandAlpha = 0.5;
  const kCellOnlyAlpha = 0.2;
  const kEdgeAlpha = 0.9;
  const kColours = {
    sea: "#102a40",
    now: "rgba(255, 255, 255, 0.95)",
    rules: "rgba(255, 176, 32, 0.25)",
    rulesLine: "rgba(255, 196, 80, 0.95)",
    deleted: "rgba(255, 128, 128, 0.95)",
    planned: "rgba(79, 209, 255, 0.55)",
    plannedLine: "rgba(150, 230, 255, 1)",
    stays: "rgba(255, 102, 255, 1)",
    overlap: "rgba(255, 40, 40, 0.6)",
    overlapLine: "rgba(255, 60, 60, 1)",
    clash: "rgba(255, 140, 0, 0.25)",
    clashLine: "rgba(255, 140, 0, 1)",
    gridLine: "rgba(255, 255, 255, 0.09)",
  };

  const byId = (id) => document.getElementById(id);
  const canvas = byId("map");
  const context = canvas.getContext("2d");
  const planCanvas = byId("plan-layer");
  const planContext = planCanvas.getContext("2d");
  const marksCanvas = byId("marks-layer");
  const marksContext = marksCanvas.getContext("2d");
  const tooltip = byId("tooltip");

  function showError(message) {
    const box = byId("error");
    box.textContent = message;
    box.hidden = false;
  }

  // Each checked plugin's own colour: hues spread by the golden angle, so
  // that neighbours in the load order differ.
  function pluginColour(index, alpha) {
    const hue = (index * 137.508 + 95) % 360;
    return `hsla(${hue.toFixed(1)}, 75%, ${index % 2 ? 62 : 52}%, ${alpha})`;
  }

  // ---- The view: world units are cells, x east, y north --------------------

  const view = { x: 0, y: 0, scale: 32, width: 1, height: 1, minScale: kMinCellPixels };
  const toScreenX = (x) => (x - view.x) * view.scale + view.width / 2;
  const toScreenY = (y) => (view.y - y) * view.scale + view.height / 2;
  const toWorldX = (sx) => (sx - view.width / 2) / view.scale + view.x;
  const toWorldY = (sy) => view.y - (sy - view.height / 2) / view.scale;

  function fitScale(b) {
    const w = b.maxX - b.minX + 1 + 2 * kFitMargin;
    const h = b.maxY - b.minY + 1 + 2 * kFitMargin;
    return Math.min(view.width / w, view.height / h);
  }
  function clampScale(scale) {
    return Math.min(kMaxCellPixels, Math.max(view.minScale, scale));
  }
  function fit(b) {
    if (!(b.minX <= b.maxX)) b = { minX: -4, maxX: 4, minY: -4, maxY: 4 };
    view.scale = clampScale(fitScale(b));
    view.x = (b.minX + b.maxX + 1) / 2;
    view.y = (b.minY + b.maxY + 1) / 2;
  }
  function zoomAt(factor, sx, sy) {
    const wx = toWorldX(sx);
    const wy = toWorldY(sy);
    view.scale = clampScale(view.scale * factor);
    view.x = wx - (sx - view.width / 2) / view.scale;
    view.y = wy + (sy - view.height / 2) / view.scale;
    scheduleFrame();
  }
  function panBy(pixelsX, pixelsY) {
    view.x -= pixelsX / view.scale;
    view.y += pixelsY / view.scale;
    scheduleFrame();
  }

  // ---- The planner ---------------------------------------------------------

  // The planned move: its offset and how many overlaps it makes (which ones:
  // the planner's sources say, by the grid they come from).
  const plan = { dx: 0, dy: 0, count: 0, shown: false };

  // Moves the plan to (dx, dy) and shows its rule and overlap count at once.
  function setOffset(dx, dy) {
    const started = performance.now();
    const largest = model.largestOffset;
    dx = Math.max(-largest, Math.min(largest, dx));
    dy = Math.max(-largest, Math.min(largest, dy));
    if (dx === plan.dx && dy === plan.dy && plan.shown) return;
    plan.shown = true;
    plan.dx = dx;
    plan.dy = dy;
    plan.count = model.planner.move(dx, dy);
    byId("rule").textContent = `TA, ${dx}, ${dy}`;
    const count = byId("overlap-count");
    count.textContent = String(plan.count);
    count.classList.toggle("some", plan.count > 0);
    const status = byId("copy-status");
    if (status.textContent !== "") status.textContent = "";
    timing.work += performance.now() - started;
    scheduleFrame();
  }
  const planning = () => plan.dx !== 0 || plan.dy !== 0;

  // True when a movable entry of the plugin stands on the grid under the
  // planned move: that is where a drag picks the plugin up.
  function pluginAt(x, y) {
    const list = model.nowAt.get(gridKey(x - plan.dx, y - plan.dy));
    return Boolean(list && list.some((entry) => entry.movable));
  }

  async function copyRule() {
    const rule = byId("rule").textContent;
    const status = byId("copy-status");
    try {
      await navigator.clipboard.writeText(rule);
      status.textContent = "copied";
      return;
    } catch (error) {
      // A page opened from the disk may be refused the clipboard: the
      // selection and the copy command still work there.
    }
    const selection = window.getSelection();
    const range = document.createRange();
    range.selectNodeContents(byId("rule"));
    selection.removeAllRanges();
    selection.addRange(range);
    const copied = document.execCommand && document.execCommand("copy");
    status.textContent = copied ? "copied" : "selected: press Ctrl+C";
  }

  // ---- Drawing -------------------------------------------------------------

  const layers = { terrain: true, others: true, now: true, rules: true, overlaps: true, clashes: true };
  const terrainImage = { image: null, ready: false };
  let backgroundKey = "";
  let marksPlanning = null;  // whether the marks were drawn for a planned move
  let framePending = false;
  let model = null;
  let pictures = { others: null, now: null };
  // What a frame costs: the planner's work since the last frame and the
  // drawing, in milliseconds, for the last frames; and from the pointer's
  // move that changed the plan to the end of the frame that shows it.
  const timing = { work: 0, inputAt: null, frames: [], latencies: [] };

  function scheduleFrame() {
    if (framePending) return;
    framePending = true;
    requestAnimationFrame(() => {
      framePending = false;
      drawFrame();
    });
  }

  // The visible grids, with one cell of room.
  function visibleGrids() {
    return {
      minX: Math.floor(toWorldX(0)) - 1, maxX: Math.floor(toWorldX(view.width)) + 1,
      minY: Math.floor(toWorldY(view.height)) - 1, maxY: Math.floor(toWorldY(0)) + 1,
    };
  }
  const inside = (v, x, y) => x >= v.minX && x <= v.maxX && y >= v.minY && y <= v.maxY;

  // Adds the square of grid (x, y) to the path, at least `least` pixels wide,
  // its corners where `px` and `py` put a grid's west and north edges. On
  // whole pixels: sharper, and much faster to fill than squares that cover
  // parts of pixels.
  function squareAt(ctx, px, py, x, y, least) {
    const left = Math.round(px(x));
    const top = Math.round(py(y + 1));
    const width = Math.round(px(x + 1)) - left;
    const height = Math.round(py(y)) - top;
    const growX = Math.max(0, Math.ceil((least - width) / 2));
    const growY = Math.max(0, Math.ceil((least - height) / 2));
    ctx.rect(left - growX, top - growY, width + 2 * growX, height + 2 * growY);
  }
  // The same on the screen.
  function square(ctx, x, y, least = 1) {
    squareAt(ctx, toScreenX, toScreenY, x, y, least);
  }

  // A canvas at the window's size, cleared, drawn in CSS pixels.
  function clearForDrawing(target, ctx) {
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, target.width, target.height);
    const ratio = target.width / view.width;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
  }

  function drawBackground() {
    const ctx = context;
    const v = visibleGrids();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = kColours.sea;
    ctx.fillRect(0, 0, canvas.width, canvas.height);
    const ratio = canvas.width / view.width;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);

    const terrain = model.terrain;
    if (layers.terrain && terrain && terrainImage.ready) {
      const pixelsPerCell = terrainImage.image.naturalWidth / terrain.columns;
      ctx.imageSmoothingEnabled = view.scale * ratio < pixelsPerCell * 2;
      ctx.drawImage(terrainImage.image, toScreenX(terrain.west), toScreenY(terrain.north + 1),
                    terrain.columns * view.scale, terrain.rows * view.scale);
    }

    if (view.scale >= 10) {
      ctx.beginPath();
      for (let x = v.minX; x <= v.maxX; ++x) {
        ctx.moveTo(Math.round(toScreenX(x)) + 0.5, 0);
        ctx.lineTo(Math.round(toScreenX(x)) + 0.5, view.height);
      }
      for (let y = v.minY; y <= v.maxY; ++y) {
        ctx.moveTo(0, Math.round(toScreenY(y)) + 0.5);
        ctx.lineTo(view.width, Math.round(toScreenY(y)) + 0.5);
      }
      ctx.strokeStyle = kColours.gridLine;
      ctx.lineWidth = 1;
      ctx.stroke();
    }

    if (layers.others) {
      // Lighter over the terrain, so that the land shows through.
      const lighter = layers.terrain && terrainImage.ready ? 0.6 : 1;
      if (view.scale < kPictureScale && pictures.others) {
        drawPicture(ctx, pictures.others, lighter);
      } else {
        drawOthers(ctx, v, lighter);
      }
    }

    if (layers.rules) drawAfterRules(ctx, v);

    if (layers.now) {
      if (view.scale < kPictureScale && pictures.now) {
        drawPicture(ctx, pictures.now, 1);
      } else {
        ctx.beginPath();
        for (const entry of model.entries) {
          if (inside(v, entry.x, entry.y)) square(ctx, entry.x, entry.y, 2);
        }
        ctx.strokeStyle = kColours.now;
        ctx.lineWidth = 1.5;
        ctx.stroke();
      }
    }
  }

  // Each checked plugin's cells, a square each: its land filled, its cells
  // without land lighter and outlined.
  function drawOthers(ctx, v, lighter) {
    model.byPlugin.forEach((rows, index) => {
      for (const [kind, alpha] of [["cellOnly", kCellOnlyAlpha * lighter], ["land", kLandAlpha * lighter]]) {
        ctx.beginPath();
        let any = false;
        for (const row of rows[kind]) {
          if (!inside(v, row.x, row.y)) continue;
          square(ctx, row.x, row.y);
          any = true;
        }
        if (!any) continue;
        ctx.fillStyle = pluginColour(index, alpha);
        ctx.fill();
        if (kind === "cellOnly") {
          ctx.strokeStyle = pluginColour(index, kEdgeAlpha * lighter);
          ctx.lineWidth = 1;
          ctx.stroke();
        }
      }
    });
  }

  function drawPicture(ctx, picture, alpha) {
    ctx.imageSmoothingEnabled = view.scale < picture.per;
    ctx.globalAlpha = alpha;
    ctx.drawImage(picture.canvas, Math.round(toScreenX(picture.west)), Math.round(toScreenY(picture.north + 1)),
                  picture.columns * view.scale, picture.rows * view.scale);
    ctx.globalAlpha = 1;
  }
  function makePictures() {
    const others = [];
    model.byPlugin.forEach((rows, index) => {
      const rgb = rgbOf(pluginColour(index, 1));
      for (const row of rows.cellOnly) others.push({ x: row.x, y: row.y, fill: [...rgb, kCellOnlyAlpha], edge: [...rgb, kEdgeAlpha] });
      for (const row of rows.land) others.push({ x: row.x, y: row.y, fill: [...rgb, kLandAlpha], edge: null });
    });
    const white = [255, 255, 255, 0.95];
    return {
      others: cellPicture(others, kPicturePixels),
      now: cellPicture(model.entries.map((entry) => ({ x: entry.x, y: entry.y, fill: null, edge: white })),
                       kPicturePixels),
    };
  }

  function drawAfterRules(ctx, v) {
    ctx.beginPath();
    for (const entry of model.entries) {
      if ((entry.fate === "kept" || entry.fate === "copied") && inside(v, entry.x, entry.y)) {
        square(ctx, entry.x, entry.y);
      }
      if ((entry.fate === "moved" || entry.fate === "copied") && inside(v, entry.to.x, entry.to.y)) {
        square(ctx, entry.to.x, entry.to.y);
      }
    }
    ctx.fillStyle = kColours.rules;
    ctx.fill();

    const half = view.scale / 2;
    ctx.lineWidth = Math.max(1, Math.min(2, view.scale / 12));
    ctx.strokeStyle = kColours.rulesLine;
    for (const dashed of [false, true]) {
      ctx.setLineDash(dashed ? [4, 3] : []);
      ctx.beginPath();
      for (const entry of model.entries) {
        const moving = entry.fate === "moved" || entry.fate === "copied";
        if (!moving || (entry.fate === "copied") !== dashed) continue;
        if (entry.to.x === entry.x && entry.to.y === entry.y) continue;
        const x0 = toScreenX(entry.x) + half;
        const y0 = toScreenY(entry.y + 1) + half;
        const x1 = toScreenX(entry.to.x) + half;
        const y1 = toScreenY(entry.to.y + 1) + half;
        ctx.moveTo(x0, y0);
        ctx.lineTo(x1, y1);
        if (view.scale >= 8) {
          const angle = Math.atan2(y1 - y0, x1 - x0);
          const head = Math.min(10, view.scale * 0.3);
          ctx.moveTo(x1 - head * Math.cos(angle - 0.45), y1 - head * Math.sin(angle - 0.45));
          ctx.lineTo(x1, y1);
          ctx.lineTo(x1 - head * Math.cos(angle + 0.45), y1 - head * Math.sin(angle + 0.45));
        }
      }
      ctx.stroke();
    }
    ctx.setLineDash([]);

    ctx.beginPath();
    for (const entry of model.entries) {
      if (entry.fate !== "deleted" || !inside(v, entry.x, entry.y)) continue;
      const left = toScreenX(entry.x);
      const top = toScreenY(entry.y + 1);
      const size = Math.max(view.scale, 2);
      ctx.moveTo(left, top);
      ctx.lineTo(left + size, top + size);
      ctx.moveTo(left + size, top);
      ctx.lineTo(left, top + size);
    }
    ctx.strokeStyle = kColours.deleted;
    ctx.lineWidth = Math.max(1, Math.min(2.5, view.scale / 10));
    ctx.stroke();
  }

  // Cell names where they fit, cut to the cell's width.
  function drawNames(ctx, v) {
    const size = Math.min(13, Math.round(view.scale / 5));
    ctx.font = `${size}px system-ui, sans-serif`;
    ctx.textBaseline = "top";
    ctx.fillStyle = "rgba(255, 255, 255, 0.92)";
    ctx.shadowColor = "rgba(0, 0, 0, 0.9)";
    ctx.shadowBlur = 3;
    const room = view.scale - 6;
    for (let y = v.minY; y <= v.maxY; ++y) {
      for (let x = v.minX; x <= v.maxX; ++x) {
        const key = gridKey(x, y);
        const names = [];
        for (const entry of model.nowAt.get(key) || []) if (entry.name) names.push(entry.name);
        if (layers.others) for (const other of model.othersAt.get(key) || []) if (other.name) names.push(other.name);
        const unique = [...new Set(names)].slice(0, Math.max(1, Math.floor(room / (size + 2)) - 1));
        unique.forEach((name, line) => {
          let shown = name;
          while (shown.length > 1 && ctx.measureText(shown).width > room) shown = shown.slice(0, -2) + "…";
          ctx.fillText(shown, toScreenX(x) + 3, toScreenY(y + 1) + 3 + line * (size + 2));
        });
      }
    }
    ctx.shadowBlur = 0;
    ctx.shadowColor = "transparent";
  }

  // The marks over everything, which no move changes: damaged records (they
  // stay where they are, planned move or not), the rules file's overlaps
  // while no move is planned, the land clashes, and the names.
  function drawMarks() {
    const ctx = marksContext;
    clearForDrawing(marksCanvas, ctx);
    const v = visibleGrids();
    ctx.beginPath();
    for (const entry of model.entries) {
      if (!entry.movable && inside(v, entry.x, entry.y)) square(ctx, entry.x, entry.y, 3);
    }
    ctx.strokeStyle = kColours.stays;
    ctx.lineWidth = 2;
    ctx.stroke();

    if (layers.overlaps && !planning()) {
      ctx.beginPath();
      for (const [x, y] of model.ruleOverlaps) if (inside(v, x, y)) square(ctx, x, y, 4);
      ctx.strokeStyle = kColours.overlapLine;
      ctx.lineWidth = 2.5;
      ctx.stroke();
    }
    if (layers.clashes) {
      ctx.beginPath();
      for (const clash of model.clashes) if (inside(v, clash.x, clash.y)) square(ctx, clash.x, clash.y, 4);
      ctx.fillStyle = kColours.clash;
      ctx.fill();
      ctx.strokeStyle = kColours.clashLine;
      ctx.lineWidth = 2.5;
      ctx.stroke();
    }
    if (view.scale >= 56) drawNames(ctx, v);
  }

  // ---- The plan layer ------------------------------------------------------
  // The plugin's movable cells drawn where they are now, plus the planned
  // move's overlaps at the cells they come from, on a canvas of their own
  // that the move shifts. It covers the cells seen under the move and half a
  // window around them, so that moves within that reach only shift it; a
  // move changes only the cells whose overlap came or went, each drawn again
  // with its neighbours (whose lines reach into it) inside its own square.

  const kPlanPad = 4;  // pixels around the covered cells, for the lines at the edges
  // Beyond this many cells a move draws the whole layer again, not cell by cell.
  const kMostRedrawnCells = 300;
  // Each of the planner's sources carries `drawn`: its overlap is on the layer.
  const planLayer = { valid: false, scale: 0, ratio: 0, overlaps: false, area: null, left: 0, top: 0 };
  // Whether the source's overlap belongs on the layer as it is drawn.
  const wantedOnLayer = (source) => layers.overlaps && source.overlap && inside(planLayer.area, source.x, source.y);

  // Where a grid's edges lie on the plan layer, in CSS pixels.
  const layerX = (x) => (x - planLayer.area.minX) * view.scale + kPlanPad;
  const layerY = (y) => (planLayer.area.maxY + 1 - y) * view.scale + kPlanPad;

  // The plugin's cells and the overlaps among `grids` (of where the cells
  // are now), in the order a frame draws them.
  function drawPlanCells(ctx, grids, overlaps) {
    ctx.beginPath();
    for (const [x, y] of grids) squareAt(ctx, layerX, layerY, x, y, 2);
    ctx.fillStyle = kColours.planned;
    ctx.fill();
    if (view.scale >= 4) {
      ctx.strokeStyle = kColours.plannedLine;
      ctx.lineWidth = 1.5;
      ctx.stroke();
    }
    if (!overlaps.length) return;
    ctx.beginPath();
    for (const [x, y] of overlaps) squareAt(ctx, layerX, layerY, x, y, 4);
    ctx.fillStyle = kColours.overlap;
    ctx.fill();
    ctx.strokeStyle = kColours.overlapLine;
    ctx.lineWidth = 2.5;
    ctx.stroke();
  }

  // The whole layer for `area` (grids where the plugin's cells are now).
  function redrawPlanLayer(area, ratio) {
    planLayer.area = area;
    planLayer.scale = view.scale;
    planLayer.ratio = ratio;
    planLayer.overlaps = layers.overlaps;
    planLayer.valid = true;
    const width = (area.maxX - area.minX + 1) * view.scale + 2 * kPlanPad;
    const height = (area.maxY - area.minY + 1) * view.scale + 2 * kPlanPad;
    planCanvas.width = Math.max(1, Math.ceil(width * ratio));
    planCanvas.height = Math.max(1, Math.ceil(height * ratio));
    planCanvas.style.width = `${planCanvas.width / ratio}px`;
    planCanvas.style.height = `${planCanvas.height / ratio}px`;
    const ctx = planContext;
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    const grids = [];
    const overlaps = [];
    for (const source of model.planner.sources) {
      source.drawn = wantedOnLayer(source);
      if (inside(area, source.x, source.y)) grids.push([source.x, source.y]);
      if (source.drawn) overlaps.push([source.x, source.y]);
    }
    drawPlanCells(ctx, grids, overlaps);
  }

  // Draws again the cells whose overlap came or went since the layer was
  // drawn; false when there are too many for that.
  function updatePlanLayer() {
    const area = planLayer.area;
    const changed = model.planner.sources.filter((source) => wantedOnLayer(source) !== source.drawn);
    if (changed.length === 0) return true;
    // Below 4 pixels a cell, squares reach past their neighbours.
    if (changed.length > kMostRedrawnCells || view.scale < 4) return false;
    for (const source of changed) source.drawn = !source.drawn;
    // Each changed cell's square and the lines around it (2 pixels) are
    // cleared and drawn again from its neighbours and itself.
    const ctx = planContext;
    ctx.save();
    ctx.beginPath();
    const around = new Map();
    for (const { x, y } of changed) {
      const left = layerX(x) - 2;
      const top = layerY(y + 1) - 2;
      ctx.rect(left, top, view.scale + 4, view.scale + 4);
      ctx.clearRect(left, top, view.scale + 4, view.scale + 4);
      for (let j = -1; j <= 1; ++j) {
        for (let i = -1; i <= 1; ++i) around.set(numberKey(x + i, y + j), [x + i, y + j]);
      }
    }
    ctx.clip();
    const grids = [];
    const overlaps = [];
    for (const [key, [x, y]] of around) {
      const source = model.planner.byKey.get(key);
      if (!source || !inside(area, x, y)) continue;
      grids.push([x, y]);
      if (source.drawn) overlaps.push([x, y]);
    }
    drawPlanCells(ctx, grids, overlaps);
    ctx.restore();
    return true;
  }

  // The plan layer for the frame: hidden without a planned move, else
  // shifted to the move, drawn again where the view or its reach asks.
  function showPlanLayer() {
    if (!planning()) {
      planCanvas.hidden = true;
      return;
    }
    const v = visibleGrids();
    const b = model.movableBounds;
    // The cells seen under the move, where they are now.
    const seen = {
      minX: Math.max(b.minX, v.minX - plan.dx), maxX: Math.min(b.maxX, v.maxX - plan.dx),
      minY: Math.max(b.minY, v.minY - plan.dy), maxY: Math.min(b.maxY, v.maxY - plan.dy),
    };
    if (seen.minX > seen.maxX || seen.minY > seen.maxY) {
      planCanvas.hidden = true;
      return;
    }
    const ratio = canvas.width / view.width;
    const area = planLayer.area;
    const covered = planLayer.valid && planLayer.scale === view.scale && planLayer.ratio === ratio &&
      planLayer.overlaps === layers.overlaps && area.minX <= seen.minX && area.maxX >= seen.maxX &&
      area.minY <= seen.minY && area.maxY >= seen.maxY;
    if (!covered || !updatePlanLayer()) {
      const reachX = Math.ceil((v.maxX - v.minX) / 2);
      const reachY = Math.ceil((v.maxY - v.minY) / 2);
      redrawPlanLayer({
        minX: Math.max(b.minX, seen.minX - reachX), maxX: Math.min(b.maxX, seen.maxX + reachX),
        minY: Math.max(b.minY, seen.minY - reachY), maxY: Math.min(b.maxY, seen.maxY + reachY),
      }, ratio);
    }
    // On whole device pixels, as the map's squares are.
    const left = Math.round((toScreenX(planLayer.area.minX + plan.dx) - kPlanPad) * ratio) / ratio;
    const top = Math.round((toScreenY(planLayer.area.maxY + 1 + plan.dy) - kPlanPad) * ratio) / ratio;
    if (left !== planLayer.left || top !== planLayer.top || planCanvas.hidden) {
      planCanvas.style.transform = `translate(${left}px, ${top}px)`;
      planLayer.left = left;
      planLayer.top = top;
    }
    planCanvas.hidden = false;
  }

  function drawFrame() {
    if (!model) return;
    const started = performance.now();
    const key = [view.x, view.y, view.scale, canvas.width, canvas.height, terrainImage.ready,
                 Object.values(layers).join()].join("|");
    if (key !== backgroundKey) {
      drawBackground();
      backgroundKey = key;
      marksPlanning = null;
    }
    if (marksPlanning !== planning()) {
      drawMarks();
      marksPlanning = planning();
    }
    showPlanLayer();
    const ended = performance.now();
    timing.frames.push(ended - started + timing.work);
    timing.work = 0;
    if (timing.inputAt !== null) timing.latencies.push(ended - timing.inputAt);
    timing.inputAt = null;
    for (const list of [timing.frames, timing.latencies]) if (list.length > 240) list.shift();
  }

  function resize() {
    const ratio = window.devicePixelRatio || 1;
    const box = canvas.getBoundingClientRect();
    view.width = Math.max(1, box.width);
    view.height = Math.max(1, box.height);
    for (const c of [canvas, marksCanvas]) {
      c.width = Math.max(1, Math.round(box.width * ratio));
      c.height = Math.max(1, Math.round(box.height * ratio));
    }
    marksCanvas.style.width = `${box.width}px`;
    marksCanvas.style.height = `${box.height}px`;
    planLayer.valid = false;
    // The farthest zoom shows the whole load order with room around it.
    if (model && model.allBounds.minX <= model.allBounds.maxX) {
      view.minScale = Math.min(kMinCellPixels, fitScale(model.allBounds) / 2);
    }
    view.scale = clampScale(view.scale);
    backgroundKey = "";
    scheduleFrame();
  }

  // ---- Hovering --------------------------------------------------------------

  const at = (x, y) => `(${x}, ${y})`;
  // A thing on a grid as quendrel-map's overlap lines name it: `"Sel Isle"
  // (Sheogorad)`, or `land without a cell`; with `, land` or `, cell only`
  // after a cell when `withLand`.
  function thingText(thing, withLand) {
    if (!thing.cell) return "land without a cell";
    const text = `"${thing.name}"` + (thing.region ? ` (${thing.region})` : "");
    return withLand ? `${text}, ${thing.land ? "land" : "cell only"}` : text;
  }

  // The lines the hover box shows for a grid: every plugin there, with land
  // or cell only, and what the rules and the planned move do there.
  function describeGrid(x, y) {
    const key = gridKey(x, y);
    const lines = [];
    for (const entry of model.nowAt.get(key) || []) {
      let fate = entry.fate === "moved" || entry.fate === "copied"
        ? `${entry.fate} to ${at(entry.to.x, entry.to.y)}` : entry.fate;
      if (!entry.movable) fate = "damaged: stays here";
      lines.push(`${model.plugin} ${thingText(entry, true)}; rules: ${fate}`);
    }
    for (const entry of model.afterRulesAt.get(key) || []) {
      if (entry.x === x && entry.y === y) continue;
      lines.push(`${model.plugin} ${thingText(entry, false)} ${entry.fate} here from ${at(entry.x, entry.y)}`);
    }
    if (planning()) {
      for (const entry of model.nowAt.get(gridKey(x - plan.dx, y - plan.dy)) || []) {
        if (entry.movable) lines.push(`${model.plugin} ${thingText(entry, false)} planned here from ${at(entry.x, entry.y)}`);
      }
    }
    for (const other of model.othersAt.get(key) || []) {
      lines.push(`${model.plugins[other.plugin]} ${thingText(other, true)}`);
    }
    const source = model.planner.byKey.get(numberKey(x - plan.dx, y - plan.dy));
    if (planning() ? source && source.overlap : model.ruleOverlapKeys.has(key)) lines.push("overlap");
    const clash = model.clashAt.get(key);
    if (clash) {
      lines.push(`land clash of ${clash.plugins.join(", ")}: ${clash.shown} shown, ` +
                 `heights differ by up to ${clash.heightDifference}`);
    }
    return lines;
  }

  function showTooltip(sx, sy) {
    const x = Math.floor(toWorldX(sx));
    const y = Math.floor(toWorldY(sy));
    tooltip.replaceChildren();
    const head = document.createElement("span");
    head.className = "line grid";
    head.textContent = at(x, y);
    tooltip.append(head);
    const lines = describeGrid(x, y);
    if (lines.length === 0) lines.push("no cell or land of a checked plugin");
    for (const line of lines) {
      const span = document.createElement("span");
      span.className = "line";
      span.textContent = line;
      tooltip.append(span);
    }
    tooltip.hidden = false;
    const room = canvas.getBoundingClientRect();
    const left = Math.min(sx + 16, room.width - tooltip.offsetWidth - 4);
    const top = sy + 18 + tooltip.offsetHeight > room.height ? sy - tooltip.offsetHeight - 10 : sy + 18;
    tooltip.style.left = `${Math.max(4, left)}px`;
    tooltip.style.top = `${Math.max(4, top)}px`;
  }

  // ---- Input -----------------------------------------------------------------

  let drag = null;  // {kind: "plan" | "pan", ...} while a button is held

  function localPoint(event) {
    const box = canvas.getBoundingClientRect();
    return { x: event.clientX - box.left, y: event.clientY - box.top };
  }

  function listen() {
    canvas.addEventListener("pointerdown", (event) => {
      if (event.button !== 0) return;
      const p = localPoint(event);
      const x = Math.floor(toWorldX(p.x));
      const y = Math.floor(toWorldY(p.y));
      canvas.setPointerCapture(event.pointerId);
      canvas.focus();
      drag = pluginAt(x, y)
        ? { kind: "plan", x, y, dx: plan.dx, dy: plan.dy }
        : { kind: "pan", sx: p.x, sy: p.y, viewX: view.x, viewY: view.y };
      canvas.classList.add("dragging");
      tooltip.hidden = true;
    });
    canvas.addEventListener("pointermove", (event) => {
      const p = localPoint(event);
      if (!drag) {
        canvas.classList.toggle("over-plugin", pluginAt(Math.floor(toWorldX(p.x)), Math.floor(toWorldY(p.y))));
        showTooltip(p.x, p.y);
        return;
      }
      if (drag.kind === "plan") {
        // The grabbed cell follows the pointer cell by cell.
        if (timing.inputAt === null) timing.inputAt = event.timeStamp;
        setOffset(drag.dx + Math.floor(toWorldX(p.x)) - drag.x,
                  drag.dy + Math.floor(toWorldY(p.y)) - drag.y);
      } else {
        view.x = drag.viewX - (p.x - drag.sx) / view.scale;
        view.y = drag.viewY + (p.y - drag.sy) / view.scale;
        scheduleFrame();
      }
    });
    const endDrag = () => {
      drag = null;
      canvas.classList.remove("dragging");
    };
    canvas.addEventListener("pointerup", endDrag);
    canvas.addEventListener("pointercancel", endDrag);
    canvas.addEventListener("pointerleave", () => { if (!drag) tooltip.hidden = true; });
    canvas.addEventListener("wheel", (event) => {
      event.preventDefault();
      const p = localPoint(event);
      const step = event.deltaMode === 1 ? event.deltaY * 33 : event.deltaY;
      zoomAt(Math.exp(-step * 0.0015), p.x, p.y);
    }, { passive: false });

    window.addEventListener("keydown", (event) => {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      const arrows = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1] };
      const arrow = arrows[event.key];
      if (arrow) {
        if (event.shiftKey || model.wholeGame) {
          // Pans by an eighth of the window; north is up.
          panBy(-arrow[0] * view.width / 8, arrow[1] * view.height / 8);
        } else {
          setOffset(plan.dx + arrow[0], plan.dy + arrow[1]);
        }
      } else if (event.key === "+" || event.key === "=") {
        zoomAt(1.25, view.width / 2, view.height / 2);
      } else if (event.key === "-" || event.key === "_") {
        zoomAt(1 / 1.25, view.width / 2, view.height / 2);
      } else {
        return;
      }
      event.preventDefault();
    });

    for (const name of Object.keys(layers)) {
      const box = byId(`layer-${name}`);
      if (!box) continue;
      box.addEventListener("change", () => {
        layers[name] = box.checked;
        scheduleFrame();
      });
      layers[name] = box.checked;
    }
    byId("copy-rule").addEventListener("click", copyRule);
    byId("reset-rule").addEventListener("click", () => setOffset(0, 0));
    byId("fit-plugin").addEventListener("click", () => {
      fit(model.entries.length ? model.pluginBounds : model.allBounds);
      scheduleFrame();
    });
    byId("fit-all").addEventListener("click", () => {
      fit(model.allBounds);
      scheduleFrame();
    });
    new ResizeObserver(resize).observe(canvas);
  }

  // ---- The legend --------------------------------------------------------------

  function fillLegend() {
    const legend = byId("legend");
    const row = (swatchStyle, label) => {
      const line = document.createElement("div");
      line.className = "row";
      const swatch = document.createElement("span");
      swatch.className = "swatch";
      Object.assign(swatch.style, swatchStyle);
      const name = document.createElement("span");
      name.textContent = label;
      line.append(swatch, name);
      legend.append(line);
    };
    if (!model.wholeGame) {
      row({ background: "transparent", borderColor: kColours.now, borderWidth: "2px" }, `${model.plugin} now`);
      row({ background: kColours.rules }, `${model.plugin} after the rules (arrows: moved, dashed: copied)`);
      row({ background: kColours.planned, borderColor: kColours.plannedLine }, `${model.plugin} under the planned move`);
      if (model.entries.some((entry) => !entry.movable)) {
        row({ background: "transparent", borderColor: kColours.stays, borderWidth: "2px" }, "damaged record: stays where it is");
      }
      row({ background: kColours.overlap, borderColor: kColours.overlapLine },
          `overlaps (the rules file: ${model.ruleOverlaps.length}; while planning, the planned move's)`);
    }
    if (model.clashes.length > 0) {
      row({ background: kColours.clash, borderColor: kColours.clashLine, borderWidth: "2px" },
          model.wholeGame ? `land clashes: ${clashSummary()}`
            : `land clashes of ${model.plugin} after the rules: ${model.clashes.length}`);
    }
    model.plugins.forEach((name, index) => {
      const rows = model.byPlugin[index];
      row({ background: pluginColour(index, 0.75) },
          `${name}: ${rows.land.length} with land, ${rows.cellOnly.length} cell only`);
    });
  }

  // "3 clashes between 2 plugins", as quendrel-map's report says it.
  function clashSummary() {
    const count = model.clashes.length;
    const plugins = new Set(model.clashes.flatMap((clash) => clash.plugins)).size;
    return `${count} clash${count === 1 ? "" : "es"} between ${plugins} plugin${plugins === 1 ? "" : "s"}`;
  }

  // Without a plugin the page is a view of the game: its clashes in the bar,
  // nothing to move.
  function showWholeGame() {
    document.title = "Land clashes of the load order — quendrel-map";
    byId("title").textContent = "The load order";
    for (const element of document.querySelectorAll(".plugin-only")) element.hidden = true;
    const summary = byId("summary");
    summary.textContent = clashSummary();
    summary.hidden = false;
    byId("help").textContent = "Drag the map, or press the arrow keys, to pan; the wheel or + and − zoom. " +
      "Orange: grids where the land of two plugins clashes; rest the pointer on one for its plugins.";
  }

  // ---- Start -----------------------------------------------------------------

  function start() {
    let data;
    try {
      data = JSON.parse(byId("map-data").textContent);
      model = readModel(data);
    } catch (error) {
      showError(`The map's data cannot be read: ${error.message}`);
      return;
    }
    document.title = `${model.plugin} — quendrel-map`;
    byId("title").textContent = model.plugin || "quendrel-map";
    for (const span of document.querySelectorAll(".plugin-name")) span.textContent = model.plugin;
    if (model.wholeGame) showWholeGame();
    byId("clashes-label").hidden = !model.wholeGame && model.clashes.length === 0;
    fillLegend();
    pictures = makePictures();
    if (model.terrain) {
      const image = new Image();
      image.onload = () => {
        terrainImage.ready = true;
        scheduleFrame();
      };
      image.onerror = () => showError("The terrain picture in the map's data cannot be read.");
      terrainImage.image = image;
      image.src = model.terrain.png;
    }
    resize();
    fit(model.entries.length ? model.pluginBounds : model.allBounds);
    // The page opens at the rules file's move when one move of the whole
    // plugin does what it does (its count then is the report's); otherwise
    // where the cells are now, with the rules file's count beside the plan's.
    if (model.wholeGame) {
      setOffset(0, 0);
    } else if (model.rulesOffset) {
      setOffset(model.rulesOffset.dx, model.rulesOffset.dy);
    } else {
      setOffset(0, 0);
      const overlaps = model.ruleOverlaps.length;
      const rulesCount = byId("rules-count");
      rulesCount.textContent = `the rules file: ${overlaps} overlap${overlaps === 1 ? "" : "s"}`;
      rulesCount.classList.toggle("some", overlaps > 0);
      rulesCount.hidden = false;
    }
    listen();
    scheduleFrame();
  }

  // What the browser test reads: where a grid is on the screen, and how long
  // the last frames took to draw.
  window.quendrelPage = {
    screenOf(x, y) {
      const box = canvas.getBoundingClientRect();
      return { x: box.left + toScreenX(x + 0.5), y: box.top + toScreenY(y + 0.5) };
    },
    frameTimes: () => timing.frames.slice(),
    latencies: () => timing.latencies.slice(),
    scale: () => view.scale,
    terrainShown: () => terrainImage.ready,
  };

  start();
})();
