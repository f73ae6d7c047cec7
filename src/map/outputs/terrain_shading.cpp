// Shading the land under the map: the height at each pixel is taken between
// the four nearest kept heights of its cell, and the light from the slope
// between the neighbouring pixels.
#include "map/outputs/terrain_shading.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct ColourStop {
  float at;
  float r, g, b;
};

// Water by depth below 0, land by height above 0, in game units (a cell is
// 8192 wide; the sea floor without land lies at 2048 below the surface).
constexpr ColourStop kWater[] = {{0, 172, 216, 242},    {200, 132, 190, 230},
                                 {800, 94, 154, 210},   {2048, 64, 116, 182},
                                 {4096, 40, 80, 140}};
constexpr ColourStop kLand[] = {{0, 118, 168, 96},      {1200, 152, 180, 106},
                                {2500, 178, 160, 108},  {4000, 150, 118, 84},
                                {5500, 136, 129, 122},  {8000, 205, 205, 205},
                                {12000, 245, 245, 245}};

template <std::size_t N>
Colour ramp(const ColourStop (&stops)[N], float value, float light) {
  std::size_t i = 1;
  while (i < N - 1 && value > stops[i].at) ++i;
  const ColourStop& low = stops[i - 1];
  const ColourStop& high = stops[i];
  const float t = std::clamp((value - low.at) / (high.at - low.at), 0.0f, 1.0f);
  auto channel = [&](float a, float b) {
    return static_cast<uint8_t>(std::clamp((a + (b - a) * t) * light, 0.0f, 255.0f));
  };
  return {channel(low.r, high.r), channel(low.g, high.g), channel(low.b, high.b)};
}

// Slopes are steepened this much for the light, so that hills read at a few
// pixels a cell.
constexpr float kRelief = 1.5f;
// Towards the light, a unit vector (east, north, up): from the north-west,
// 45 degrees above the horizon.
constexpr float kLightEast = -0.5f, kLightNorth = 0.5f, kLightUp = 0.70710678f;

}  // namespace

Colour terrainColour(float height, float light) {
  if (height <= 0) return ramp(kWater, -height, 1);
  return ramp(kLand, height, light);
}

Image shadeTerrain(const TerrainMap& terrain, const GridFrame& frame, double pixelsPerCell) {
  const int width = std::max(1, static_cast<int>(std::lround(static_cast<double>(frame.columns()) * pixelsPerCell)));
  const int height = std::max(1, static_cast<int>(std::lround(static_cast<double>(frame.rows()) * pixelsPerCell)));
  // Where a pixel's centre lies: in which cell, and how far into it (a
  // share of its side, from its western or its southern edge).
  auto place = [&](int pixel, int64_t first, bool southwards, int64_t& grid, float& into) {
    const double cells = (pixel + 0.5) / pixelsPerCell;
    const double whole = std::floor(cells);
    grid = southwards ? first - static_cast<int64_t>(whole) : first + static_cast<int64_t>(whole);
    into = static_cast<float>(southwards ? 1 - (cells - whole) : cells - whole);
  };
  // Each column's place is the same in every row: found once.
  std::vector<int64_t> columnGrids(static_cast<std::size_t>(width));
  std::vector<float> columnInto(static_cast<std::size_t>(width));
  for (int column = 0; column < width; ++column) {
    place(column, frame.minX, false, columnGrids[column], columnInto[column]);
  }
  // The columns in runs that lie in one cell, found once: [first, end).
  std::vector<std::pair<int, int>> runs;
  for (int column = 0; column < width; ++column) {
    if (column == 0 || columnGrids[column] != columnGrids[column - 1]) runs.emplace_back(column, column);
    runs.back().second = column + 1;
  }
  // Where each column falls among a cell's heights when it has `side` of
  // them a side: the western of the two it lies between, and how far past
  // that one. Found once for each detail the land has (mostly one); a
  // deque keeps those found in place as more are added.
  struct Across {
    int side;
    std::vector<int> west;
    std::vector<float> fx;
  };
  std::deque<Across> acrosses;
  auto acrossFor = [&](int side) -> const Across& {
    for (const Across& across : acrosses) {
      if (across.side == side) return across;
    }
    Across& added = acrosses.emplace_back(Across{side, std::vector<int>(static_cast<std::size_t>(width)),
                                                 std::vector<float>(static_cast<std::size_t>(width))});
    for (int column = 0; column < width; ++column) {
      const float across = columnInto[column] * static_cast<float>(side - 1);
      added.west[column] = std::min(static_cast<int>(across), side - 2);
      added.fx[column] = across - static_cast<float>(added.west[column]);
    }
    return added;
  };
  // The height at the centre of each pixel, between the four nearest kept
  // heights of its cell. Every one is set below: not set to zeros first.
  const std::unique_ptr<float[]> heights(new float[static_cast<std::size_t>(width) * height]);
  for (int row = 0; row < height; ++row) {
    int64_t gridY;
    float y;
    place(row, frame.maxY, true, gridY, y);
    float* out = heights.get() + static_cast<std::size_t>(row) * width;
    // A cell's pixels of the row lie side by side: its land is looked up
    // once for them all.
    for (const auto& [first, end] : runs) {
      const LandHeights* land = terrain.at(columnGrids[first], gridY);
      if (land == nullptr) {
        std::fill(out + first, out + end, kOpenSeaHeight);
        continue;
      }
      const int side = land->samples;
      const Across& across = acrossFor(side);
      const float up = y * static_cast<float>(side - 1);
      const int south = std::min(static_cast<int>(up), side - 2);
      const float fy = up - static_cast<float>(south);
      const float* southern = land->heights.data() + south * side;
      for (int column = first; column < end; ++column) {
        const float* s = southern + across.west[column];
        const float fx = across.fx[column];
        const float below = s[0] * (1 - fx) + s[1] * fx;
        const float above = s[side] * (1 - fx) + s[side + 1] * fx;
        out[column] = below * (1 - fy) + above * fy;
      }
    }
  }
  Image image(width, height, {0, 0, 0});
  const auto pixel = static_cast<float>(kCellSize / pixelsPerCell);  // game units
  for (int row = 0; row < height; ++row) {
    // The rows above and below, the edge's own at the edge.
    const float* line = heights.get() + static_cast<std::size_t>(row) * width;
    const float* above = row > 0 ? line - width : line;
    const float* below = row + 1 < height ? line + width : line;
    uint8_t* out = image.rgb.data() + static_cast<std::size_t>(row) * width * 3;
    // Neighbours often share a height and light (the open sea, a plain):
    // their colour is found once.
    float lastHeight = 0, lastLight = -1;  // no light is negative
    Colour last{0, 0, 0};
    for (int column = 0; column < width; ++column, out += 3) {
      const float here = line[column];
      float light = 1;  // water is flat: no light to find
      if (here > 0) {
        const float west = line[std::max(column - 1, 0)], east = line[std::min(column + 1, width - 1)];
        const float eastwards = (east - west) / (2 * pixel) * kRelief;
        const float north = (above[column] - below[column]) / (2 * pixel) * kRelief;
        // The surface's normal is (-east, -north, 1), scaled to unit length.
        const float lit = (-eastwards * kLightEast - north * kLightNorth + kLightUp) /
                          std::sqrt(eastwards * eastwards + north * north + 1);
        light = std::clamp(lit / kLightUp, 0.5f, 1.25f);
      }
      if (here != lastHeight || light != lastLight) {
        last = terrainColour(here, light);
        lastHeight = here;
        lastLight = light;
      }
      out[0] = last.r;
      out[1] = last.g;
      out[2] = last.b;
    }
  }
  return image;
}
