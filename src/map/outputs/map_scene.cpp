// Describing the cell map as a scene. The text of cells and regions is
// Windows-1252, as the game's editor writes it; the scene's is UTF-8.
#include "map/outputs/map_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <unordered_set>

#include "map/outputs/map_text.h"
#include "workfiles/name_text.h"

namespace {

constexpr double kGridArea = 1000;    // the grid's longer side at most, in pixels
constexpr double kLargestCell = 64;   // a cell's side at most
constexpr double kLeft = 64;          // room for the Y labels
constexpr double kTop = 64;           // room for the heading
constexpr double kBottom = 48;        // room for the X labels
constexpr double kGap = 32;           // between the grid and the legend
constexpr double kLegendWidth = 220;  // at least
constexpr double kLegendLine = 20;
constexpr double kLabelRoom = 40;     // the least room between two axis labels
constexpr std::size_t kLegendRegions = 40;
constexpr std::size_t kLegendPlugins = 24;
// Cells of margin around the plugin's cells: at least this many, or a tenth
// of the frame's longer side.
constexpr int64_t kLeastMargin = 2;
// Terrain pixels to a cell's side: one a pixel of the cell, but at least 9,
// unless the frame is so wide that the raster would pass kLargestRaster
// pixels a side.
constexpr int kLeastShades = 9;
// The fuzz target builds with a small one: every fuzzed input draws a picture.
#ifndef QUENDREL_LARGEST_RASTER
#define QUENDREL_LARGEST_RASTER 2400
#endif
constexpr double kLargestRaster = QUENDREL_LARGEST_RASTER;
constexpr double kNameSize = 10;  // pixels

// Region colours: no red, which marks overlaps.
const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#59a14f", "#b07aa1", "#edc948",
                                "#76b7b2", "#ff9da7", "#9c755f", "#8cd17d", "#499894",
                                "#d37295", "#a0cbe8", "#ffbe7d", "#b6992d", "#d4a6c8",
                                "#2f4b7c", "#665191", "#00a6a6", "#7f5539", "#c3d350"};
const char* const kNoRegionColour = "#e2cf9f";
// The --against plugins' colours, dark enough to show over water and land
// alike, each with its own direction of hatching.
const char* const kOtherColours[] = {"#6a3d9a", "#d95f02", "#1a1a1a", "#8c510a",
                                     "#c51b7d", "#253494", "#00695c", "#737300"};
const double kHatchAngles[] = {45, -45, 0, 90};

Colour colour(const char* hex) {
  auto digit = [&](int i) {
    const char c = hex[i];
    return c <= '9' ? c - '0' : c - 'a' + 10;
  };
  auto byte = [&](int i) { return static_cast<uint8_t>(digit(i) * 16 + digit(i + 1)); };
  return {byte(1), byte(3), byte(5)};
}

constexpr Colour kInk{34, 34, 34};
constexpr Colour kRed{224, 0, 0};
constexpr Colour kDarkRed{122, 0, 0};
constexpr Colour kOrange{255, 140, 0};
constexpr Colour kWhite{255, 255, 255};

// The room a line of text takes in either picture: the PNG's letters, or a
// browser's sans-serif ones at about 0.6 of their size each.
double room(const std::string& utf8Text, double size) {
  const auto letters = std::count_if(utf8Text.begin(), utf8Text.end(),
                                     [](char c) { return (static_cast<unsigned char>(c) & 0xc0) != 0x80; });
  return std::max(textWidth(utf8Text, size), 0.6 * size * static_cast<double>(letters));
}

// Where grid positions fall in the picture.
struct Layout {
  GridFrame frame;
  double cell;  // a cell's side in pixels
  double gridWidth, gridHeight;
  explicit Layout(const MapFrame& map)
      : frame(map.grids),
        cell(map.cell),
        gridWidth(static_cast<double>(frame.columns()) * cell),
        gridHeight(static_cast<double>(frame.rows()) * cell) {}
  double left(int64_t x) const { return kLeft + static_cast<double>(x - frame.minX) * cell; }
  double top(int64_t y) const { return kTop + static_cast<double>(frame.maxY - y) * cell; }
  double centreX(int64_t x) const { return left(x) + cell / 2; }
  double centreY(int64_t y) const { return top(y) + cell / 2; }
  // Squares are drawn at least this big, so that a cell of a far-flung world
  // still shows.
  double side() const { return std::max(cell, 1.5); }
  bool holds(GridCell g) const { return frame.holds(g); }
};

// The step between axis labels: 1, 2, 5, 10, 20, 50 ... cells, the first
// that leaves room for a label.
int64_t labelStep(double cell) {
  for (int64_t step = 1;; step *= 10) {
    for (int64_t factor : {1, 2, 5}) {
      if (static_cast<double>(step * factor) * cell >= kLabelRoom) return step * factor;
    }
  }
}

// The first multiple of `step` at or above `value`.
int64_t firstMultiple(int64_t value, int64_t step) {
  int64_t multiple = value / step * step;
  return multiple < value ? multiple + step : multiple;
}

// A cell's name in double quotes, or "(no name)".
std::string quotedName(const std::string& name) {
  if (name.empty()) return "(no name)";
  return joined("\"", utf8FromWindows1252(name), "\"");
}

// A square's title: grid, name, region, plugin, and what became of it.
std::string describe(GridCell at, const ExteriorCell& cell, const std::string& plugin,
                     const std::string& fate) {
  std::string text = joined(gridText(at), " ", quotedName(cell.name));
  text += joined("\nregion: ", cell.region.empty() ? "(none)" : utf8FromWindows1252(cell.region));
  text += joined("\nplugin: ", utf8Text(plugin));
  if (!fate.empty()) text += joined("\n", fate);
  return text;
}

Shape rect(double x, double y, double width, double height, int style, std::string title = "") {
  return {Shape::kRect, x, y, width, height, {}, style, std::move(title)};
}

// A cell's square, drawn `inset` pixels inside its edges.
Shape square(const Layout& layout, GridCell at, int style, std::string title, double inset = 0) {
  const double side = std::max(layout.side() - 2 * inset, 0.5);
  return rect(layout.left(at.x) + inset, layout.top(at.y) + inset, side, side, style,
              std::move(title));
}

class RegionStyles {
 public:
  RegionStyles(Scene& scene, const PluginCells& plugin, double outline) {
    for (const ExteriorCell& cell : plugin.cells) regions_.insert(cell.region);
    int index = 0;
    for (const std::string& region : regions_) {
      Style style;
      style.fill = colour(region.empty() ? kNoRegionColour
                                         : kPalette[index++ % std::size(kPalette)]);
      style.fillOpacity = 0.22;
      style.stroke = style.fill;
      style.strokeWidth = outline;
      style.strokeOpacity = 0.95;
      styles_[region] = scene.addStyle(style);
    }
  }
  const std::set<std::string>& regions() const { return regions_; }
  int style(const std::string& region) const { return styles_.at(region); }

 private:
  std::set<std::string> regions_;
  std::map<std::string, int> styles_;
};

// The legend: one line of text each, most after a small swatch.
class Legend {
 public:
  Legend(Layer& layer, double x, double y) : layer_(layer), x_(x), y_(y) {}
  // A square swatch in `style`.
  void square(int style, const std::string& text) {
    layer_.shapes.push_back(rect(x_, y_ - 11, 14, 14, style));
    line(text);
  }
  // A swatch split into stripes, one for each style, from the left.
  void ramp(const std::vector<int>& styles, const std::string& text) {
    const double stripe = 14.0 / static_cast<double>(styles.size());
    for (std::size_t i = 0; i < styles.size(); ++i) {
      layer_.shapes.push_back(rect(x_ + stripe * static_cast<double>(i), y_ - 11, stripe, 14, styles[i]));
    }
    line(text);
  }
  void mark(Shape shape, const std::string& text) {
    shape.x += x_;
    shape.y += y_;
    for (std::size_t i = 0; i < shape.segments.size(); ++i) shape.segments[i] += i % 2 ? y_ : x_;
    layer_.shapes.push_back(shape);
    line(text);
  }
  void line(const std::string& text) {
    layer_.texts.push_back({x_ + 22, y_, text, 12, Text::kStart, kInk, false, false});
    width_ = std::max(width_, 40 + room(text, 12));
    y_ += kLegendLine;
  }
  double width() const { return std::max(kLegendWidth, width_); }
  double bottom() const { return y_; }

 private:
  Layer& layer_;
  double x_, y_;
  double width_ = 0;
};

std::string plural(std::size_t count, const char* word) {
  return joined(std::to_string(count), " ", word, count == 1 ? "" : "s");
}

// The name broken into lines of at most `width` pixels at kNameSize, at
// most `most` lines; nothing when it does not fit.
std::vector<std::string> nameLines(const std::string& name, double width, std::size_t most) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < name.size()) {
    std::size_t end = name.find(' ', at);
    if (end == std::string::npos) end = name.size();
    const std::string word = name.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    const std::string longer = line.empty() ? word : joined(line, " ", word);
    if (room(longer, kNameSize) <= width) {
      line = longer;
      continue;
    }
    if (line.empty() || room(word, kNameSize) > width) return {};
    lines.push_back(line);
    line = word;
  }
  if (!line.empty()) lines.push_back(line);
  if (lines.size() > most) return {};
  return lines;
}

void drawAxes(Scene& scene, Layer& grid, Layer& labels, const Layout& layout) {
  Style frame;
  frame.stroke = Colour{153, 153, 153};
  grid.shapes.push_back(rect(kLeft, kTop, layout.gridWidth, layout.gridHeight, scene.addStyle(frame)));
  // A line between every two cells while cells are big enough to tell apart.
  if (layout.cell >= 6) {
    Style lines;
    lines.stroke = kWhite;
    lines.strokeWidth = 0.5;
    lines.strokeOpacity = 0.35;
    Shape path{Shape::kPath, 0, 0, 0, 0, {}, scene.addStyle(lines), ""};
    for (int64_t x = layout.frame.minX + 1; x <= layout.frame.maxX; ++x) {
      path.segments.insert(path.segments.end(),
                           {layout.left(x), kTop, layout.left(x), kTop + layout.gridHeight});
    }
    for (int64_t y = layout.frame.minY; y < layout.frame.maxY; ++y) {
      path.segments.insert(path.segments.end(),
                           {kLeft, layout.top(y), kLeft + layout.gridWidth, layout.top(y)});
    }
    grid.shapes.push_back(path);
  }
  const Colour grey{85, 85, 85};
  const int64_t step = labelStep(layout.cell);
  for (int64_t x = firstMultiple(layout.frame.minX, step); x <= layout.frame.maxX; x += step) {
    labels.texts.push_back({layout.centreX(x), kTop + layout.gridHeight + 16, std::to_string(x),
                            11, Text::kMiddle, grey, false, false});
  }
  for (int64_t y = firstMultiple(layout.frame.minY, step); y <= layout.frame.maxY; y += step) {
    labels.texts.push_back({kLeft - 6, layout.centreY(y) + 4, std::to_string(y), 11, Text::kEnd,
                            grey, false, false});
  }
  labels.texts.push_back({kLeft + layout.gridWidth / 2, kTop + layout.gridHeight + 36, "X: east",
                          11, Text::kMiddle, grey, false, false});
  labels.texts.push_back({kLeft - 6, kTop - 10, "Y: north", 11, Text::kEnd, grey, false, false});
}

// The edges of the plugin's grids that border a grid without them: where
// its land ends.
std::vector<double> boundary(const Layout& layout, const std::unordered_set<uint64_t>& grids,
                             const PluginCells& plugin) {
  std::vector<double> segments;
  std::unordered_set<uint64_t> done;
  for (const ExteriorCell& cell : plugin.cells) {
    const GridCell g = cell.grid;
    if (!layout.holds(g) || !done.insert(gridKey(g.x, g.y)).second) continue;
    const double x0 = layout.left(g.x), y0 = layout.top(g.y);
    const double x1 = x0 + layout.cell, y1 = y0 + layout.cell;
    auto open = [&](int64_t x, int64_t y) { return grids.count(gridKey(x, y)) == 0; };
    if (open(int64_t{g.x}, int64_t{g.y} + 1)) segments.insert(segments.end(), {x0, y0, x1, y0});
    if (open(int64_t{g.x}, int64_t{g.y} - 1)) segments.insert(segments.end(), {x0, y1, x1, y1});
    if (open(int64_t{g.x} - 1, int64_t{g.y})) segments.insert(segments.end(), {x0, y0, x0, y1});
    if (open(int64_t{g.x} + 1, int64_t{g.y})) segments.insert(segments.end(), {x1, y0, x1, y1});
  }
  return segments;
}

// An other plugin with cells in the picture, and its legend swatch.
struct OtherPlugin {
  const PluginCells* cells;
  int swatch;
};

// Each other plugin's cells in the frame, hatched in its own colour and
// direction, and edged where its cells end. Only the plugins with a cell in
// the frame take a colour; they are returned in order.
std::vector<OtherPlugin> drawOtherPlugins(Scene& scene, Layer& layer, const Layout& layout,
                                          const std::vector<PluginCells>& against) {
  std::vector<OtherPlugin> visible;
  for (const PluginCells& other : against) {
    const bool inView =
        std::any_of(other.cells.begin(), other.cells.end(),
                    [&](const ExteriorCell& cell) { return layout.holds(cell.grid); }) ||
        std::any_of(other.lands.begin(), other.lands.end(),
                    [&](const LandRecord& land) { return layout.holds(land.grid); });
    if (!inView) continue;
    const std::size_t i = visible.size();
    Style hatched;
    hatched.fill = colour(kOtherColours[i % std::size(kOtherColours)]);
    hatched.fillOpacity = 0.08;
    // The direction turns once more after each round of colours, so that no
    // two of the first 32 plugins look alike.
    const std::size_t turn = (i + i / std::size(kOtherColours)) % std::size(kHatchAngles);
    hatched.hatch = Hatch{kHatchAngles[turn], 8, 1.2, 0.65};
    Style edge;
    edge.stroke = hatched.fill;
    edge.strokeWidth = std::clamp(layout.cell / 16, 1.0, 3.0);
    Style swatch = hatched;
    swatch.stroke = hatched.fill;
    swatch.strokeWidth = 1.5;
    visible.push_back({&other, scene.addStyle(swatch)});
    const int fill = scene.addStyle(hatched);
    std::unordered_set<uint64_t> grids;
    for (const ExteriorCell& cell : other.cells) {
      grids.insert(gridKey(cell.grid.x, cell.grid.y));
      if (!layout.holds(cell.grid)) continue;
      layer.shapes.push_back(square(layout, cell.grid, fill, describe(cell.grid, cell, other.label, "")));
    }
    // Land without a cell of its plugin occupies its grid as well.
    for (const LandRecord& land : other.lands) {
      if (!grids.insert(gridKey(land.grid.x, land.grid.y)).second || !layout.holds(land.grid)) {
        continue;
      }
      layer.shapes.push_back(square(
          layout, land.grid, fill,
          joined(gridText(land.grid), " land without a cell\nplugin: ", utf8Text(other.label))));
    }
    Shape edges{Shape::kPath, 0, 0, 0, 0, boundary(layout, grids, other), scene.addStyle(edge), ""};
    if (!edges.segments.empty()) layer.shapes.push_back(std::move(edges));
  }
  return visible;
}

// Cell names where they fit, near the top of their cell: the plugin's after
// the rules, else the last other plugin's with a name there.
void drawNames(Layer& layer, const Layout& layout, const std::vector<PredictedCell>& fates,
               const std::vector<PluginCells>& against) {
  const double nameLine = kNameSize * 1.2;
  const auto mostLines = static_cast<std::size_t>(std::max(0.0, (layout.cell - 6) / nameLine));
  if (mostLines == 0) return;
  std::map<std::pair<int64_t, int64_t>, const std::string*> named;
  for (const PredictedCell& fate : fates) {
    if (fate.fate == CellFate::kDeleted || fate.cell->name.empty()) continue;
    if (fate.fate != CellFate::kMoved) {
      named.try_emplace({fate.cell->grid.x, fate.cell->grid.y}, &fate.cell->name);
    }
    if (fate.fate != CellFate::kKept) named.try_emplace({fate.to.x, fate.to.y}, &fate.cell->name);
  }
  for (auto other = against.rbegin(); other != against.rend(); ++other) {
    for (const ExteriorCell& cell : other->cells) {
      if (!cell.name.empty() && layout.holds(cell.grid)) {
        named.try_emplace({cell.grid.x, cell.grid.y}, &cell.name);
      }
    }
  }
  for (const auto& [at, name] : named) {
    const std::vector<std::string> lines = nameLines(utf8FromWindows1252(*name), layout.cell - 6, mostLines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      layer.texts.push_back({layout.centreX(at.first),
                             layout.top(at.second) + 3 + kNameSize + nameLine * static_cast<double>(i),
                             lines[i], kNameSize, Text::kMiddle, kInk, false, true});
    }
  }
}

}  // namespace

MapFrame frameCellMap(const std::vector<PredictedCell>& fates,
                      const std::vector<GridCell>& landGrids,
                      const std::vector<PluginCells>& against) {
  std::vector<GridCell> grids;
  for (const PredictedCell& fate : fates) {
    grids.push_back(fate.cell->grid);
    grids.push_back(fate.to);
  }
  if (grids.empty()) grids = landGrids;
  for (const PluginCells& other : against) {
    if (!grids.empty()) break;
    for (const ExteriorCell& cell : other.cells) grids.push_back(cell.grid);
  }
  const GridFrame tight = GridFrame::around(grids, 0);
  const int64_t margin = std::max(kLeastMargin, std::max(tight.columns(), tight.rows()) / 10);
  const GridFrame frame = GridFrame::around(grids, margin);
  const int64_t longest = std::max(frame.columns(), frame.rows());
  const double cell = std::min(kLargestCell, kGridArea / static_cast<double>(longest));
  double shades = std::max<double>(kLeastShades, std::ceil(cell));
  shades = std::min(shades, kLargestRaster / static_cast<double>(longest));
  int samples = 9;
  while (samples < kLandVertices && samples - 1 < shades) samples = samples * 2 - 1;
  return {frame, cell, shades, samples};
}

Scene drawCellMap(const MapFrame& map, const PluginCells& plugin,
                  const std::vector<PredictedCell>& fates, const std::vector<PluginCells>& against,
                  const std::vector<Overlap>& overlaps, const TerrainMap& terrain,
                  const std::vector<LandClash>& landClashes) {
  const Layout layout(map);
  const FateCounts counts = countFates(fates);
  Scene scene;
  // Line widths follow the cell size, so that at a few pixels a cell the
  // lines do not hide the land: of the outlines, of the crosses, of the
  // arrows and of the overlaps' frames.
  const double outline = std::clamp(layout.cell / 32, 0.4, 1.5);
  const double cross = std::clamp(layout.cell / 12, 0.5, 4.0);
  const double arrow = std::clamp(layout.cell / 16, 0.3, 1.5);
  const double frame = std::clamp(layout.cell / 10, 0.75, 4.0);

  Layer land{"terrain", Raster{shadeTerrain(terrain, layout.frame, map.shades), kLeft, kTop,
                               layout.gridWidth, layout.gridHeight}, {}, {}};
  Layer grid{"grid", {}, {}, {}};
  Layer labels{"axis", {}, {}, {}};
  drawAxes(scene, grid, labels, layout);

  // The other plugins' cells, hatched and edged in their colours.
  Layer others{"against", {}, {}, {}};
  const std::vector<OtherPlugin> visible = drawOtherPlugins(scene, others, layout, against);

  // The plugin's cells after the rules, filled by region.
  const RegionStyles regions(scene, plugin, outline);
  Layer after{"after", {}, {}, {}};
  const double afterInset = outline * 1.5;
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    const int style = regions.style(cell.region);
    const std::string from = joined("from ", gridText(cell.grid));
    switch (fate.fate) {
      case CellFate::kKept:
        after.shapes.push_back(square(layout, cell.grid, style,
            describe(cell.grid, cell, plugin.label,
                     cell.damaged ? "kept: the record is damaged" : "kept"), afterInset));
        break;
      case CellFate::kMoved:
        after.shapes.push_back(square(layout, fate.to, style,
            describe(fate.to, cell, plugin.label, joined("moved here ", from)), afterInset));
        break;
      case CellFate::kCopied:
        after.shapes.push_back(square(layout, cell.grid, style,
            describe(cell.grid, cell, plugin.label, joined("kept; copied to ", gridText(fate.to))),
            afterInset));
        after.shapes.push_back(square(layout, fate.to, style,
            describe(fate.to, cell, plugin.label, joined("copy ", from)), afterInset));
        break;
      case CellFate::kDeleted:
        break;
    }
  }

  // The plugin's cells as they are now: dark outlines, deleted ones crossed.
  Style nowStyle;
  nowStyle.stroke = kInk;
  nowStyle.strokeWidth = outline;
  const int nowOutline = scene.addStyle(nowStyle);
  Style crossStyle;
  crossStyle.stroke = kDarkRed;
  crossStyle.strokeWidth = cross;
  const int crossMark = scene.addStyle(crossStyle);
  Layer now{"now", {}, {}, {}};
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    std::string state = "now here";
    if (fate.fate == CellFate::kMoved) state = joined("now here; moves to ", gridText(fate.to));
    if (fate.fate == CellFate::kDeleted) state = "now here; deleted";
    now.shapes.push_back(square(layout, cell.grid, nowOutline,
                                describe(cell.grid, cell, plugin.label, state), outline / 2));
    if (fate.fate == CellFate::kDeleted) {
      const double x = layout.left(cell.grid.x), y = layout.top(cell.grid.y), s = layout.side();
      now.shapes.push_back({Shape::kPath, 0, 0, 0, 0, {x, y, x + s, y + s, x + s, y, x, y + s},
                            crossMark, ""});
    }
  }

  // Arrows from each moved or copied cell to its new place.
  Style moveStyle;
  moveStyle.stroke = kInk;
  moveStyle.strokeWidth = arrow;
  moveStyle.strokeOpacity = layout.cell >= 10 ? 0.85 : 0.4;  // small cells: many arrows
  moveStyle.arrow = true;
  Style copyStyle = moveStyle;
  copyStyle.dashed = true;
  const int moveArrow = scene.addStyle(moveStyle);
  const int copyArrow = scene.addStyle(copyStyle);
  Layer moves{"move", {}, {}, {}};
  for (const PredictedCell& fate : fates) {
    const bool moved = fate.fate == CellFate::kMoved && !(fate.to == fate.cell->grid);
    if (!moved && fate.fate != CellFate::kCopied) continue;
    const double x = layout.centreX(fate.cell->grid.x), y = layout.centreY(fate.cell->grid.y);
    moves.shapes.push_back({Shape::kLine, x, y, layout.centreX(fate.to.x) - x,
                            layout.centreY(fate.to.y) - y, {}, moved ? moveArrow : copyArrow, ""});
  }

  // The overlaps, in red.
  Style overlapStyle;
  overlapStyle.fill = kRed;
  overlapStyle.fillOpacity = 0.4;
  overlapStyle.stroke = kRed;
  overlapStyle.strokeWidth = frame;
  const int overlapMark = scene.addStyle(overlapStyle);
  Layer clashes{"overlap", {}, {}, {}};
  for (const Overlap& overlap : overlaps) {
    std::string title = joined(gridText(overlap.grid), ": overlap of");
    for (const StandingCell& standing : overlap.cells) {
      title += joined("\n", utf8Text(*standing.plugin), " ",
                      standing.cell ? quotedName(standing.cell->name) : "land without a cell");
      if (standing.how != StandingCell::kInPlace) {
        const bool moved = standing.how == StandingCell::kMovedHere;
        title += joined(moved ? ", moved from " : ", copied from ", gridText(standing.from));
      }
      if (standing.cell) title += standing.land ? ", land" : ", cell only";
    }
    clashes.shapes.push_back(square(layout, overlap.grid, overlapMark, title, frame / 2));
  }
  // The land clashes, framed in orange.
  Style clashStyle;
  clashStyle.fill = kOrange;
  clashStyle.fillOpacity = 0.25;
  clashStyle.stroke = kOrange;
  clashStyle.strokeWidth = frame;
  const int clashMark = landClashes.empty() ? 0 : scene.addStyle(clashStyle);
  for (const LandClash& clash : landClashes) {
    std::string title = joined(gridText(clash.grid), ": land clash of");
    for (const StandingCell& land : clash.lands) title += joined("\n", utf8Text(*land.plugin));
    title += joined("\n", utf8Text(*clash.shown), " shown, heights differ by up to ",
                    std::to_string(clash.heightDifference));
    clashes.shapes.push_back(square(layout, clash.grid, clashMark, title, frame / 2));
  }

  Layer names{"names", {}, {}, {}};
  drawNames(names, layout, fates, against);

  // The legend, beside the grid.
  Layer key{"legend", {}, {}, {}};
  Legend legend(key, kLeft + layout.gridWidth + kGap, kTop + 8);
  for (std::size_t i = 0; i < visible.size() && i < kLegendPlugins; ++i) {
    legend.square(visible[i].swatch, joined("cells of ", utf8Text(visible[i].cells->label)));
  }
  if (visible.size() > kLegendPlugins) {
    legend.line(joined("and ", plural(visible.size() - kLegendPlugins, "plugin"), " more"));
  }
  if (visible.size() < against.size()) {
    legend.line(joined(plural(against.size() - visible.size(), "plugin"), " with no cell here"));
  }
  // The whole load order without a plugin of its own: nothing of a plugin,
  // its rules or its overlaps to explain.
  const bool wholeGame = plugin.label.empty();
  if (!wholeGame) {
    Style nowSwatch = nowStyle;
    nowSwatch.strokeWidth = 2;
    legend.square(scene.addStyle(nowSwatch), joined(utf8Text(plugin.label), " now"));
    legend.line(joined(utf8Text(plugin.label), " after the rules,"));
    legend.line("by region:");
    std::size_t shown = 0;
    for (const std::string& region : regions.regions()) {
      if (shown++ == kLegendRegions) {
        const std::size_t more = regions.regions().size() - kLegendRegions;
        legend.line(joined("and ", std::to_string(more), " regions more"));
        break;
      }
      legend.square(regions.style(region), region.empty() ? "(no region)" : utf8FromWindows1252(region));
    }
    Style legendArrow = moveStyle;
    legendArrow.strokeWidth = 1;
    legendArrow.strokeOpacity = 1;
    legend.mark({Shape::kLine, 0, -4, 14, 0, {}, scene.addStyle(legendArrow), ""},
                "moved; dashed: copied");
    Style legendCross = crossStyle;
    legendCross.strokeWidth = 2;
    legend.mark({Shape::kPath, 0, 0, 0, 0, {0, -11, 14, 3, 14, -11, 0, 3}, scene.addStyle(legendCross), ""},
                "deleted");
    Style overlapSwatch = overlapStyle;
    overlapSwatch.strokeWidth = 2;
    legend.square(scene.addStyle(overlapSwatch), "overlap");
  }
  if (!landClashes.empty()) {
    Style clashSwatch = clashStyle;
    clashSwatch.strokeWidth = 2;
    legend.square(scene.addStyle(clashSwatch), "land clash");
  }
  auto shade = [&](float height) {
    Style style;
    style.fill = terrainColour(height, 1);
    return scene.addStyle(style);
  };
  legend.ramp({shade(-50), shade(-400), shade(-1200), shade(-2048)}, "water, shallow to deep");
  legend.ramp({shade(300), shade(2000), shade(3500), shade(5000), shade(9000)},
              "land, low to high");

  const double width = std::ceil(kLeft + layout.gridWidth + kGap + legend.width());
  const double height =
      std::ceil(std::max(kTop + layout.gridHeight + kBottom, legend.bottom() + 16));
  scene.width = static_cast<int>(width);
  scene.height = static_cast<int>(height);
  scene.title = joined("Cell map of ", utf8Text(plugin.label));
  const std::string heading = joined(
      utf8Text(plugin.label), ": ", std::to_string(counts.kept), " kept, ",
      std::to_string(counts.moved), " moved, ", std::to_string(counts.copied), " copied, ",
      std::to_string(counts.deleted), " deleted; ", plural(overlaps.size(), "overlap"));
  if (wholeGame) {  // the whole load order, without a plugin of its own
    scene.title = "Land clashes of the load order";
    labels.texts.push_back({kLeft, 28, joined(std::to_string(landClashes.size()), " land clash",
                                              landClashes.size() == 1 ? "" : "es"),
                            16, Text::kStart, kInk, true, false});
  } else {
    labels.texts.push_back({kLeft, 28, heading, 16, Text::kStart, kInk, true, false});
  }
  for (Layer* layer : {&land, &others, &grid, &after, &now, &moves, &clashes, &names, &labels, &key}) {
    scene.layers.push_back(std::move(*layer));
  }
  return scene;
}
