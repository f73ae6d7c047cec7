// The heights of the land of exterior cells, read from a plugin's LAND
// records, for the terrain under the cell map.
//
// A LAND record (after the record header) holds INTV (grid X, grid Y as
// int32), DATA (flags) and then, among others:
//   VHGT  4232 bytes: float32 offset, int8 steps[65][65], 3 bytes unused;
//   WNAM  81 bytes:   int8 heights[9][9] for the world map.
// Both run row by row from the cell's southern edge northwards, each row from
// west to east; the 65 vertices of a row span the cell edge to edge, so the
// last of one cell lies on the first of its neighbour. (Layout as the UESP
// wiki's "Morrowind Mod:Mod File Format/LAND" and OpenMW's
// components/esm3/loadland.cpp read it.)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "map/model/plugin_cells.h"
#include "records/record_layout.h"

// Vertices per side of a cell in VHGT.
constexpr int kLandVertices = 65;
// Heights kept per side of a cell: 9, 17, 33 or 65, every 8th, 4th, 2nd or
// every vertex, both edges included (with 17: vertices 0, 4, ... 64, 512
// game units apart). The picture asks for as many as its cells' size shows.
bool isLandDetail(int samples);
// The depth the engine gives a grid without land: open sea.
constexpr float kOpenSeaHeight = -2048;

struct LandHeights {
  GridCell grid;
  int samples;  // heights a side
  // samples² heights in game units, row by row from the southern edge
  // northwards, each row from west to east. Empty when the record holds
  // neither VHGT nor WNAM, or is marked deleted: its grid is then drawn as
  // open sea, as the engine shows it.
  std::vector<float> heights;
};

struct PluginLand {
  std::string label;               // the file name, without its folder
  std::vector<LandHeights> lands;  // in file order
};

// The 65 × 65 vertex heights of a VHGT subrecord's data, in game units, in
// its order (south to north, west to east); nothing when it is shorter than
// the offset and the steps, or when its offset makes heights that are not
// finite numbers. Each row's first value is the previous row's
// first plus its step (the first row's: the offset plus its step), each other
// value the one to its west plus its step, all times 8: the offset 10.0 with
// the steps 1, 2 beginning the first row gives (10 + 1) × 8 = 88 and
// (11 + 2) × 8 = 104; a step of -3 beginning the second row gives its first
// vertex (11 - 3) × 8 = 64.
std::optional<std::vector<float>> decodeVertexHeights(const uint8_t* vhgt, std::size_t size);

// The grid and `samples` (isLandDetail) heights a side of one LAND record,
// given whole with its header: from VHGT, or where it has none from WNAM.
// Nothing when the record does not begin with its grid (quendrel leaves such
// a record alone, and nobody can tell where it lies).
std::optional<LandHeights> decodeLand(const uint8_t* record, std::size_t recordSize, int samples);

// A rectangle of grids, bounds included.
struct GridFrame {
  int64_t minX, maxX, minY, maxY;
  int64_t columns() const { return maxX - minX + 1; }
  int64_t rows() const { return maxY - minY + 1; }
  bool holds(GridCell g) const { return g.x >= minX && g.x <= maxX && g.y >= minY && g.y <= maxY; }
  // The smallest frame holding every grid, widened by `margin` cells on
  // each side; (0, 0) alone, widened, when there are none.
  static GridFrame around(const std::vector<GridCell>& grids, int64_t margin) {
    GridFrame frame{0, 0, 0, 0};
    if (!grids.empty()) frame = {grids[0].x, grids[0].x, grids[0].y, grids[0].y};
    for (GridCell g : grids) {
      frame.minX = std::min<int64_t>(frame.minX, g.x);
      frame.maxX = std::max<int64_t>(frame.maxX, g.x);
      frame.minY = std::min<int64_t>(frame.minY, g.y);
      frame.maxY = std::max<int64_t>(frame.maxY, g.y);
    }
    return {frame.minX - margin, frame.maxX + margin, frame.minY - margin, frame.maxY + margin};
  }
};

// What one picture needs of the land: the grids it shows, and the heights a
// side its detail needs (isLandDetail).
struct LandView {
  GridFrame frame;
  int samples;
};

// Reads the LAND records of a TES3 plugin once for several pictures: one
// PluginLand for each view, in their order, at the view's samples; with
// `framed`, only the land inside the view's frame (a record outside every
// frame is stepped over unread), else all of it. Every other record is
// stepped over. A file that cannot be read, that is no TES3 plugin, or that
// ends inside a record ends the run with one line on standard error.
std::vector<PluginLand> readLandForViews(const std::string& path, const std::vector<LandView>& views,
                                         bool framed);

// The first bytes of a LAND record's data the walk over a file reads
// (readCheckedPlugin): its grid, and the subrecord headers that tell where
// its heights lie. As the editor writes it, the data runs
//   INTV 8, DATA 4, VNML 12,675, VHGT 4,232, WNAM 81, VCLR 12,675, VTEX 512
// (30,243 bytes), so its first 36 bytes show VNML's header, and VHGT stands
// at byte 16 + 12 + 8 + 12,675 = 12,711.
constexpr std::size_t kLandLeadingBytes = 64;

// Where in a LAND record's data (`dataSize` bytes, of which the first
// `available` are at hand) its VHGT subrecord is expected: behind the
// subrecords whose headers those bytes show, none of them one decodeLand
// looks at (VHGT, WNAM, DELE); with the whole data at hand, where its VHGT
// is when no DELE follows. 0 when that cannot be told: the record is then
// read whole.
uint32_t landHeightsPlace(const uint8_t* data, std::size_t available, std::size_t dataSize);

// What the clash check needs of a LAND record: the bytes its heights come
// from (4.3 KB at most, a quarter of the heights themselves), decoded only
// where land clashes; read from their place alone where the walk learnt it
// and they stand as the editor writes them (VHGT, then WNAM), else with the
// whole record, and then with a digest of its data behind the grid it
// begins with (a move rewrites the grid alone).
struct LandDigest {
  uint64_t bodySize = 0;  // bytes behind the grid
  bool digested = false;  // read whole: `digest` holds
  uint64_t digest[2] = {0, 0};  // XXH3, 128 bits, of those bytes
  std::vector<uint8_t> vhgt;    // its first VHGT's offset and steps; empty when none
  std::vector<uint8_t> wnam;    // its first WNAM's 9 × 9 heights; empty when none
  bool deleted = false;
};
// Whether two LAND records hold the same data behind their grids:
// different where their sizes or their heights' bytes differ (the same data
// holds the same subrecords in the same places), else as their digests tell
// (128 bits of them); unknown until both are read whole.
enum class SameLand { kDifferent, kSame, kUnknown };
SameLand compareLand(const LandDigest& a, const LandDigest& b);
// The 65 × 65 heights of the digested record, those decodeLand gives; empty
// when it holds none.
std::vector<float> digestHeights(const LandDigest& land);

// The land of one file read for the views and the clash check.
struct ListedLand {
  std::vector<PluginLand> views;    // one for each view, in their order
  std::vector<LandDigest> wanted;   // one for each place asked for, in its order
  std::string problem;              // why the file could not be read; empty when it could
};

// As readLandForViews, for the LAND records a walk over the file found
// (readCheckedPlugin, readPluginToMove): only those of `lands` inside a
// view's frame (every one without `framed`) are read, straight from their
// places in the file, and of a record whose heights' place the walk learnt
// (LandRecord::heightsAt) only its VHGT and WNAM. In the same pass the
// records `wanted` (in increasing order of place, each once) are read for
// the clash check, whole into one buffer where their heights' place is not
// known (0), and kept in its order. Ends nothing
// and prints nothing (several files are read at once): a file that cannot
// be read, is no TES3 plugin or ends inside a record gives the text of its
// line in `problem`, and what was read before is not to be used.
ListedLand readListedLandForViews(const std::string& path, const std::vector<LandRecord>& lands,
                                  const std::vector<LandView>& views, bool framed,
                                  const std::vector<LandRecord>& wanted);

// Reads the LAND records of a TES3 plugin or master at `samples` heights a
// side, those outside `only` (when given) left out; every other record is
// stepped over. A file that cannot be read, that is no TES3 plugin, or that
// ends inside a record ends the run with one line on standard error.
PluginLand readPluginLand(const std::string& path, int samples, const GridFrame* only);
