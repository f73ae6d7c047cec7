// Drawing the cell map. The text of cells and regions is Windows-1252, as
// the game's editor writes it; the picture is UTF-8.
#include "map/svg_map.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>

#include "base/text_format.h"
#include "map/map_text.h"

namespace {

constexpr double kGridArea = 1000;   // the grid's longer side at most, in pixels
constexpr double kLargestCell = 40;  // a cell's side at most
constexpr double kLeft = 64;         // room for the Y labels
constexpr double kTop = 64;          // room for the heading
constexpr double kBottom = 48;       // room for the X labels
constexpr double kGap = 32;          // between the grid and the legend
constexpr double kLegendWidth = 220;  // at least
constexpr double kLegendLine = 20;
constexpr double kLabelRoom = 40;    // the least room between two axis labels
constexpr std::size_t kLegendRegions = 40;
constexpr std::size_t kLegendPlugins = 12;

// Region colours: no red, which marks overlaps, and no grey, which marks the
// other plugins' cells.
const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#59a14f", "#b07aa1", "#edc948",
                                "#76b7b2", "#ff9da7", "#9c755f", "#8cd17d", "#499894",
                                "#d37295", "#a0cbe8", "#ffbe7d", "#b6992d", "#d4a6c8",
                                "#2f4b7c", "#665191", "#00a6a6", "#7f5539", "#c3d350"};
const char* const kNoRegionColour = "#e2cf9f";

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xc0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    out += static_cast<char>(0xe0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  }
}

// Windows-1252 text as UTF-8 with the XML specials escaped. Bytes 0x80 to
// 0x9f are the code page's own letters and signs (0 where it has none);
// control characters, which XML forbids, become '?'.
std::string xmlText(const std::string& bytes) {
  static const uint16_t kHighControls[32] = {
      0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
      0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};
  std::string out;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"': out += "&quot;"; continue;
      default: break;
    }
    if (byte >= 0x80 && byte < 0xa0) {
      appendUtf8(out, kHighControls[byte - 0x80] != 0 ? kHighControls[byte - 0x80] : '?');
    } else if (byte < 0x20 || byte == 0x7f) {
      out += '?';
    } else {
      appendUtf8(out, byte);
    }
  }
  return out;
}

// Where grid positions fall in the picture.
struct Layout {
  int64_t minX, maxX, minY, maxY;
  double cell;          // a cell's side in pixels
  double gridWidth, gridHeight;
  double left(int64_t x) const { return kLeft + static_cast<double>(x - minX) * cell; }
  double top(int64_t y) const { return kTop + static_cast<double>(maxY - y) * cell; }
  double centreX(int64_t x) const { return left(x) + cell / 2; }
  double centreY(int64_t y) const { return top(y) + cell / 2; }
  // Squares are drawn at least this big, so that a cell of a far-flung world
  // still shows.
  double side() const { return std::max(cell, 1.5); }
};

Layout layOut(const std::vector<GridCell>& grids) {
  Layout layout{0, 0, 0, 0, kLargestCell, 0, 0};
  if (!grids.empty()) {
    layout.minX = layout.maxX = grids[0].x;
    layout.minY = layout.maxY = grids[0].y;
  }
  for (GridCell g : grids) {
    layout.minX = std::min<int64_t>(layout.minX, g.x);
    layout.maxX = std::max<int64_t>(layout.maxX, g.x);
    layout.minY = std::min<int64_t>(layout.minY, g.y);
    layout.maxY = std::max<int64_t>(layout.maxY, g.y);
  }
  const auto spanX = static_cast<double>(layout.maxX - layout.minX + 1);
  const auto spanY = static_cast<double>(layout.maxY - layout.minY + 1);
  layout.cell = std::min(kLargestCell, kGridArea / std::max(spanX, spanY));
  layout.gridWidth = spanX * layout.cell;
  layout.gridHeight = spanY * layout.cell;
  return layout;
}

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
  std::string quoted = "\"";
  quoted += xmlText(name);
  quoted += '"';
  return quoted;
}

// A square's title: grid, name, region, plugin, and what became of it.
std::string describe(GridCell at, const ExteriorCell& cell, const std::string& plugin,
                     const std::string& fate) {
  std::string text = joined(gridText(at), " ");
  text += quotedName(cell.name);
  text += joined("\nregion: ", cell.region.empty() ? "(none)" : xmlText(cell.region));
  text += joined("\nplugin: ", xmlText(plugin));
  if (!fate.empty()) text += joined("\n", fate);
  return text;
}

void square(std::string& out, const Layout& layout, GridCell at, const char* extra,
            const std::string& title, double inset = 0) {
  const double side = layout.side() - 2 * inset;
  appendFormatted(out, "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"%s>",
      layout.left(at.x) + inset, layout.top(at.y) + inset, side, side, extra);
  out += joined("<title>", title, "</title></rect>\n");
}

class RegionColours {
 public:
  explicit RegionColours(const PluginCells& plugin) {
    for (const ExteriorCell& cell : plugin.cells) regions_.insert(cell.region);
    int index = 0;
    for (const std::string& region : regions_) index_[region] = index++;
  }
  const std::set<std::string>& regions() const { return regions_; }
  // The CSS class of the region's fill, e.g. "f3".
  std::string fill(const std::string& region) const {
    return joined("f", std::to_string(index_.at(region)));
  }
  std::string colour(const std::string& region) const {
    if (region.empty()) return kNoRegionColour;
    return kPalette[index_.at(region) % std::size(kPalette)];
  }
  std::string styles() const {
    std::string css;
    for (const std::string& region : regions_) {
      css += joined(".", fill(region), "{fill:", colour(region), "}\n");
    }
    return css;
  }

 private:
  std::set<std::string> regions_;
  std::map<std::string, int> index_;
};

void drawAxes(std::string& out, const Layout& layout) {
  appendFormatted(out, "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" class=\"frame\"/>\n",
      kLeft, kTop, layout.gridWidth, layout.gridHeight);
  // A line between every two cells while cells are big enough to tell apart.
  if (layout.cell >= 6) {
    out += "<path class=\"lines\" d=\"";
    for (int64_t x = layout.minX + 1; x <= layout.maxX; ++x) {
      appendFormatted(out, "M%.2f %.2fv%.2f", layout.left(x), kTop, layout.gridHeight);
    }
    for (int64_t y = layout.minY; y < layout.maxY; ++y) {
      appendFormatted(out, "M%.2f %.2fh%.2f", kLeft, layout.top(y), layout.gridWidth);
    }
    out += "\"/>\n";
  }
  const int64_t step = labelStep(layout.cell);
  out += "<g class=\"axis\">\n";
  for (int64_t x = firstMultiple(layout.minX, step); x <= layout.maxX; x += step) {
    appendFormatted(out, "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\">%lld</text>\n",
        layout.centreX(x), kTop + layout.gridHeight + 16, static_cast<long long>(x));
  }
  for (int64_t y = firstMultiple(layout.minY, step); y <= layout.maxY; y += step) {
    appendFormatted(out, "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"end\">%lld</text>\n", kLeft - 6,
        layout.centreY(y) + 4, static_cast<long long>(y));
  }
  appendFormatted(out, "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\">X: east</text>\n",
      kLeft + layout.gridWidth / 2, kTop + layout.gridHeight + 36);
  appendFormatted(out, "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"end\">Y: north</text>\n", kLeft - 6,
      kTop - 10);
  out += "</g>\n";
}

// The legend: one line of text each, most after a small swatch.
struct Legend {
  std::string& out;
  double x, y;
  std::size_t widest = 0;  // characters in the longest line
  // `swatch` is a shape whose position stands as " @"; "cross" and "arrow"
  // draw the marks of a deleted and of a moved cell. Their lines keep one
  // width whatever the cells' size.
  void line(const std::string& swatch, const std::string& text) {
    char at[160];
    if (swatch == "arrow") {
      std::snprintf(at, sizeof at,
                    "<line class=\"move\" style=\"stroke-width:1\" x1=\"%.2f\" y1=\"%.2f\" "
                    "x2=\"%.2f\" y2=\"%.2f\" marker-end=\"url(#arrow)\"/>",
                    x, y - 4, x + 14, y - 4);
      out += joined(at, "\n");
    } else if (swatch == "cross") {
      std::snprintf(at, sizeof at,
                    "<path class=\"cross\" style=\"stroke-width:2\" d=\"M%.2f %.2fl14 "
                    "14m-14 0l14 -14\"/>",
                    x, y - 11);
      out += joined(at, "\n");
    } else if (!swatch.empty()) {
      std::snprintf(at, sizeof at, " x=\"%.2f\" y=\"%.2f\" width=\"14\" height=\"14\"", x,
                    y - 11);
      std::string shape = swatch;
      shape.replace(shape.find(" @"), 2, at);
      out += joined(shape, "\n");
    }
    appendFormatted(out, "<text x=\"%.2f\" y=\"%.2f\">", x + 22, y);
    out += joined(text, "</text>\n");
    widest = std::max(widest, text.size());
    y += kLegendLine;
  }
  // Room for the longest line at about 7 pixels a character.
  double width() const { return std::max(kLegendWidth, 40 + 7.0 * static_cast<double>(widest)); }
};

std::string plural(int count, const char* word) {
  return joined(std::to_string(count), " ", word, count == 1 ? "" : "s");
}

}  // namespace

SvgPicture drawCellMap(const PluginCells& plugin, const std::vector<PredictedCell>& fates,
                       const std::vector<PluginCells>& against,
                       const std::vector<Overlap>& overlaps) {
  std::vector<GridCell> grids;
  for (const PredictedCell& fate : fates) {
    grids.push_back(fate.cell->grid);
    grids.push_back(fate.to);
  }
  for (const PluginCells& other : against) {
    for (const ExteriorCell& cell : other.cells) grids.push_back(cell.grid);
    for (const LandRecord& land : other.lands) grids.push_back(land.grid);
  }
  const Layout layout = layOut(grids);
  const RegionColours colours(plugin);
  const FateCounts counts = countFates(fates);
  // Line widths follow the cell size, so that at a few pixels a cell the
  // lines do not hide the colours: of the outlines, of the white between
  // filled cells, of the crosses, of the arrows and of the overlaps' frames.
  const double outline = std::clamp(layout.cell / 14, 0.3, 3.0);
  const double separator = layout.cell >= 4 ? layout.cell / 40 : 0;
  const double cross = std::clamp(layout.cell / 10, 0.5, 4.0);
  const double arrow = std::clamp(layout.cell / 12, 0.25, 1.0);
  const double arrowOpacity = layout.cell >= 10 ? 0.7 : 0.3;  // small cells: many arrows
  const double frame = std::clamp(layout.cell / 8, 0.75, 5.0);

  std::string body;
  drawAxes(body, layout);

  body += "<g class=\"against\">\n";
  for (const PluginCells& other : against) {
    std::set<std::pair<int32_t, int32_t>> cellGrids;
    for (const ExteriorCell& cell : other.cells) {
      square(body, layout, cell.grid, "", describe(cell.grid, cell, other.label, ""));
      cellGrids.insert({cell.grid.x, cell.grid.y});
    }
    // Land without a cell of its plugin occupies its grid as well.
    for (const LandRecord& land : other.lands) {
      if (cellGrids.insert({land.grid.x, land.grid.y}).second) {
        square(body, layout, land.grid, "",
               joined(gridText(land.grid), " land without a cell\nplugin: ", xmlText(other.label)));
      }
    }
  }
  body += "</g>\n<g class=\"after\">\n";
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    const std::string fill = joined(" class=\"", colours.fill(cell.region), "\"");
    const std::string from = joined("from ", gridText(cell.grid));
    switch (fate.fate) {
      case CellFate::kKept:
        square(body, layout, cell.grid, fill.c_str(),
               describe(cell.grid, cell, plugin.label,
                        cell.damaged ? "kept: the record is damaged" : "kept"));
        break;
      case CellFate::kMoved:
        square(body, layout, fate.to, fill.c_str(),
               describe(fate.to, cell, plugin.label, joined("moved here ", from)));
        break;
      case CellFate::kCopied:
        square(body, layout, cell.grid, fill.c_str(),
               describe(cell.grid, cell, plugin.label,
                        joined("kept; copied to ", gridText(fate.to))));
        square(body, layout, fate.to, fill.c_str(),
               describe(fate.to, cell, plugin.label, joined("copy ", from)));
        break;
      case CellFate::kDeleted:
        break;
    }
  }
  body += "</g>\n<g class=\"now\">\n";
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    std::string now = "now here";
    if (fate.fate == CellFate::kMoved) now = joined("now here; moves to ", gridText(fate.to));
    if (fate.fate == CellFate::kDeleted) now = "now here; deleted";
    square(body, layout, cell.grid, "", describe(cell.grid, cell, plugin.label, now), outline / 2);
    if (fate.fate == CellFate::kDeleted) {
      const double x = layout.left(cell.grid.x), y = layout.top(cell.grid.y), s = layout.side();
      appendFormatted(body, "<path class=\"cross\" d=\"M%.2f %.2fl%.2f %.2fM%.2f %.2fl%.2f %.2f\"/>\n", x, y,
          s, s, x + s, y, -s, s);
    }
  }
  body += "</g>\n<g class=\"move\" marker-end=\"url(#arrow)\">\n";
  for (const PredictedCell& fate : fates) {
    const bool moved = fate.fate == CellFate::kMoved && !(fate.to == fate.cell->grid);
    if (!moved && fate.fate != CellFate::kCopied) continue;
    appendFormatted(body, "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"%s/>\n",
        layout.centreX(fate.cell->grid.x), layout.centreY(fate.cell->grid.y),
        layout.centreX(fate.to.x), layout.centreY(fate.to.y),
        moved ? "" : " class=\"copy\"");
  }
  body += "</g>\n<g class=\"overlap\">\n";
  for (const Overlap& overlap : overlaps) {
    std::string title = joined(gridText(overlap.grid), ": overlap of");
    for (const StandingCell& standing : overlap.cells) {
      title += joined("\n", xmlText(*standing.plugin), " ",
                      standing.cell ? quotedName(standing.cell->name) : "land without a cell");
      if (standing.how != StandingCell::kInPlace) {
        const bool moved = standing.how == StandingCell::kMovedHere;
        title += joined(moved ? ", moved from " : ", copied from ", gridText(standing.from));
      }
      if (standing.cell) title += standing.land ? ", land" : ", cell only";
    }
    square(body, layout, overlap.grid, "", title);
  }
  body += "</g>\n";

  // The legend, beside the grid.
  std::string legendText;
  Legend legend{legendText, kLeft + layout.gridWidth + kGap, kTop + 8};
  // A load order of hundreds of plugins gets one line.
  if (against.size() > kLegendPlugins) {
    legend.line("<rect class=\"against\" @/>",
                joined("cells and land of ", std::to_string(against.size()), " plugins"));
  } else {
    for (const PluginCells& other : against) {
      legend.line("<rect class=\"against\" @/>", joined("cells of ", xmlText(other.label)));
    }
  }
  legend.line("<rect class=\"legend-now\" @/>", joined(xmlText(plugin.label), " now"));
  legend.line("", joined(xmlText(plugin.label), " after the rules,"));
  legend.line("", "by region:");
  std::size_t shown = 0;
  for (const std::string& region : colours.regions()) {
    if (shown++ == kLegendRegions) {
      const std::size_t more = colours.regions().size() - kLegendRegions;
      legend.line("", joined("and ", std::to_string(more), " regions more"));
      break;
    }
    legend.line(joined("<rect class=\"", colours.fill(region), "\" @/>"),
                region.empty() ? "(no region)" : xmlText(region));
  }
  legend.line("arrow", "moved; dashed: copied");
  legend.line("cross", "deleted");
  legend.line("<rect class=\"overlap\" style=\"stroke-width:2\" @/>", "overlap");

  const double width = std::ceil(kLeft + layout.gridWidth + kGap + legend.width());
  const double height = std::ceil(std::max(kTop + layout.gridHeight + kBottom, legend.y + 16));
  SvgPicture picture{"", static_cast<int>(width), static_cast<int>(height)};
  std::string& svg = picture.text;
  appendFormatted(svg,
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
      "viewBox=\"0 0 %d %d\">\n",
      picture.width, picture.height, picture.width, picture.height);
  svg += joined("<title>Cell map of ", xmlText(plugin.label), "</title>\n<style>\n");
  appendFormatted(svg,
      "text{font-family:sans-serif;font-size:12px;fill:#222}\n"
      ".axis text{font-size:11px;fill:#555}\n"
      ".frame{fill:none;stroke:#999;stroke-width:1}\n"
      ".lines{fill:none;stroke:#eee;stroke-width:0.5}\n"
      ".against{fill:#c8c8c8;stroke:#fff;stroke-width:%.2f}\n"
      ".after rect{stroke:#fff;stroke-width:%.2f}\n"
      ".now rect{fill:none;stroke:#333;stroke-width:%.2f}\n"
      ".cross{stroke:#7a0000;stroke-width:%.2f}\n"
      ".move{stroke:#222;stroke-width:%.2f;opacity:%.2f}\n"
      ".copy{stroke-dasharray:4 3}\n"
      ".overlap{fill:#e00000;fill-opacity:0.4;stroke:#e00000;stroke-width:%.2f}\n"
      ".legend-now{fill:none;stroke:#333;stroke-width:2}\n",
      separator, separator, outline, cross, arrow, arrowOpacity, frame);
  svg += colours.styles();
  svg += "</style>\n<defs><marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" "
         "markerWidth=\"6\" markerHeight=\"6\" orient=\"auto\"><path d=\"M0 0L10 5L0 10z\" "
         "fill=\"#222\"/></marker></defs>\n";
  appendFormatted(svg, "<rect width=\"%d\" height=\"%d\" fill=\"#fff\"/>\n", picture.width, picture.height);
  const std::string heading =
      joined(xmlText(plugin.label), ": ", std::to_string(counts.kept), " kept, ",
             std::to_string(counts.moved), " moved, ", std::to_string(counts.copied), " copied, ",
             std::to_string(counts.deleted), " deleted; ",
             plural(static_cast<int>(overlaps.size()), "overlap"));
  appendFormatted(svg, "<text x=\"%.2f\" y=\"28\" style=\"font-size:16px;font-weight:bold\">", kLeft);
  svg += joined(heading, "</text>\n", body, legendText, "</svg>\n");
  return picture;
}
