// Decoding the heights of LAND records and reading them from a plugin. Only
// as many heights are kept as the picture shows: a cell of a few pixels
// needs 17 × 17 (about 1 KB), one of 64 pixels all 65 × 65 (about 17 KB),
// and the picture frames fewer cells the larger they are drawn.
#include "map/model/land_heights.h"

#include <algorithm>
#include <cmath>

#include "base/platform/folder_files.h"
#include "base/report.h"
#include "workfiles/map_errors.h"
#include "records/plugin_signature.h"
#include "records/record_check.h"
#include "records/record_reader.h"
#include "records/subrecords.h"

namespace {

// VHGT: the offset (float32), then the steps (int8, 65 × 65); 3 unused bytes
// may follow.
constexpr std::size_t kVhgtStepsOffset = 4;
constexpr std::size_t kVhgtSize = kVhgtStepsOffset + kLandVertices * kLandVertices;  // 4229
// Heights are stored in units of 8 game units.
constexpr float kHeightUnit = 8;
// WNAM: 9 × 9 signed bytes, the height at the south-west corner of each
// ninth of the cell. The editor stores a height above 0 divided by 128 and
// one at or below 0 divided by 16 (as OpenMW's generateWnam in
// components/esm3/loadland.cpp writes them): the byte 18 stands for 2304 game
// units, the byte -52 for -832.
constexpr int kWorldMapSide = 9;
constexpr std::size_t kWnamSize = kWorldMapSide * kWorldMapSide;  // 81
constexpr float kWorldMapUnitAbove = 128;
constexpr float kWorldMapUnitBelow = 16;
// The most read at a time of the records at known places: a run of land
// records side by side (the rows of a picture's frame) is read in pieces of
// this size, a lone record whole.
constexpr std::size_t kListedReadBuffer = 128 * 1024;
// Kept heights are held within this many game units of the water, far beyond
// any land (the game's highest peaks stand some 10,000 above it), so that the
// slopes between them stay finite numbers.
constexpr float kHeightLimit = 1e6;

// The kept vertices of a VHGT subrecord's data, decoded as decodeVertexHeights
// decodes them but only along the rows kept: each row's start follows from
// the first column's steps, and a kept row's values from its own steps.
// Nothing when the offset makes heights that are not finite numbers (at such
// a size the steps change nothing, so the kept heights tell for all).
std::optional<std::vector<float>> sampleVertexHeights(const uint8_t* vhgt, int side) {
  const int step = (kLandVertices - 1) / (side - 1);  // 4 for 17 a side
  const uint8_t* steps = vhgt + kVhgtStepsOffset;
  std::vector<float> samples(static_cast<std::size_t>(side) * side);
  float rowStart = readF32(vhgt);
  for (int row = 0; row < kLandVertices; ++row) {
    rowStart += static_cast<float>(static_cast<int8_t>(steps[row * kLandVertices]));
    if (row % step != 0) continue;
    float value = rowStart;
    float* kept = samples.data() + static_cast<std::size_t>(row / step) * side;
    const uint8_t* rowSteps = steps + row * kLandVertices;
    // The kept columns counted as they come (no division in the loop: the
    // page decodes the land of a whole game).
    for (int column = 0, nextKept = 0; column < kLandVertices; ++column) {
      if (column > 0) value += static_cast<float>(static_cast<int8_t>(rowSteps[column]));
      if (column != nextKept) continue;
      nextKept += step;
      const float height = value * kHeightUnit;
      if (!std::isfinite(height)) return std::nullopt;
      *kept++ = std::clamp(height, -kHeightLimit, kHeightLimit);
    }
  }
  return samples;
}

// The world-map heights spread over the samples, each between the four
// nearest bytes; the northern and eastern edges take the last row's and
// column's.
std::vector<float> sampleWorldMap(const uint8_t* wnam, int side) {
  auto height = [&](int row, int column) {
    const auto value = static_cast<float>(static_cast<int8_t>(wnam[row * kWorldMapSide + column]));
    return value * (value > 0 ? kWorldMapUnitAbove : kWorldMapUnitBelow);
  };
  std::vector<float> samples(static_cast<std::size_t>(side) * side);
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      const float y = static_cast<float>(row) * kWorldMapSide / static_cast<float>(side - 1);
      const float x = static_cast<float>(column) * kWorldMapSide / static_cast<float>(side - 1);
      const int row0 = std::min(static_cast<int>(y), kWorldMapSide - 1);
      const int column0 = std::min(static_cast<int>(x), kWorldMapSide - 1);
      const int row1 = std::min(row0 + 1, kWorldMapSide - 1);
      const int column1 = std::min(column0 + 1, kWorldMapSide - 1);
      const float fy = std::min(y - static_cast<float>(row0), 1.0f);
      const float fx = std::min(x - static_cast<float>(column0), 1.0f);
      const float south = height(row0, column0) * (1 - fx) + height(row0, column1) * fx;
      const float north = height(row1, column0) * (1 - fx) + height(row1, column1) * fx;
      samples[row * side + column] = south * (1 - fy) + north * fy;
    }
  }
  return samples;
}

// The first damage the reader meets ends the run with its own line.
class EndOnDamage : public DamageReporter {
 public:
  explicit EndOnDamage(const std::string& path) : path_(path) {}
  void damaged(const RecordDamage& damage) override {
    if (damage.readFailed) {
      failMap("quendrel-map: cannot read %s: %s\n", path_.c_str(), damage.reason.c_str());
    }
    failMap("quendrel-map: %s ends inside the record at byte %llu\n", path_.c_str(),
            static_cast<unsigned long long>(damage.offset));
  }

 private:
  const std::string& path_;
};

// Opens the plugin at `path` for `reader`; a file that cannot be read or is
// no TES3 plugin ends the run with one line.
void openLandFile(const std::string& path, RecordReader& reader) {
  const PluginSignature signature = readPluginSignature(path.c_str());
  if (signature.kind == PluginSignature::kUnreadable) {
    failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  }
  if (signature.kind != PluginSignature::kTes3) {
    failMap("quendrel-map: %s is not a TES3 plugin\n", path.c_str());
  }
  if (!reader.open(path.c_str())) {
    failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  }
}

}  // namespace

bool isLandDetail(int samples) {
  return samples == 9 || samples == 17 || samples == 33 || samples == 65;
}

std::optional<std::vector<float>> decodeVertexHeights(const uint8_t* vhgt, std::size_t size) {
  if (size < kVhgtSize) return std::nullopt;
  const uint8_t* steps = vhgt + kVhgtStepsOffset;
  std::vector<float> heights(kLandVertices * kLandVertices);
  float rowStart = readF32(vhgt);
  for (int row = 0; row < kLandVertices; ++row) {
    rowStart += static_cast<float>(static_cast<int8_t>(steps[row * kLandVertices]));
    float value = rowStart;
    heights[row * kLandVertices] = value * kHeightUnit;
    for (int column = 1; column < kLandVertices; ++column) {
      value += static_cast<float>(static_cast<int8_t>(steps[row * kLandVertices + column]));
      heights[row * kLandVertices + column] = value * kHeightUnit;
    }
  }
  // An offset of NaN or an infinity makes no land anyone can draw.
  if (!std::all_of(heights.begin(), heights.end(), [](float h) { return std::isfinite(h); })) {
    return std::nullopt;
  }
  return heights;
}

std::optional<LandHeights> decodeLand(const uint8_t* record, std::size_t recordSize, int samples) {
  if (recordSize < kRecordHeaderSize || !isLandDetail(samples)) return std::nullopt;
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  const std::optional<GridCell> grid = landGrid(data, dataSize, dataSize);
  if (!grid) return std::nullopt;
  LandHeights land{*grid, samples, {}, false};
  land.damaged = describeRecordDamage(record, recordSize, kLandNeeds).has_value();
  const uint8_t* vhgt = nullptr;
  const uint8_t* wnam = nullptr;
  bool deleted = false;
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (s.is("VHGT") && s.size >= kVhgtSize && !vhgt) vhgt = data + s.dataOffset();
    if (s.is("WNAM") && s.size >= kWnamSize && !wnam) wnam = data + s.dataOffset();
    if (s.is("DELE")) deleted = true;
  }
  if (deleted) return land;
  std::optional<std::vector<float>> heights;
  if (vhgt != nullptr) heights = sampleVertexHeights(vhgt, samples);
  if (heights) {
    land.heights = std::move(*heights);
  } else if (wnam) {
    land.heights = sampleWorldMap(wnam, samples);
  }
  return land;
}

namespace {

// True when some view frames the grid.
bool shownInSome(const std::vector<LandView>& views, GridCell grid) {
  for (const LandView& view : views) {
    if (view.frame.holds(grid)) return true;
  }
  return false;
}

// Decodes one LAND record, given whole, into each view that shows it (with
// `framed`; into every view without).
void keepLand(const uint8_t* record, std::size_t size, const std::vector<LandView>& views,
              bool framed, std::vector<PluginLand>& plugins) {
  for (std::size_t i = 0; i < views.size(); ++i) {
    std::optional<LandHeights> land = decodeLand(record, size, views[i].samples);
    if (land && (!framed || views[i].frame.holds(land->grid))) {
      plugins[i].lands.push_back(std::move(*land));
    }
  }
}

}  // namespace

std::vector<PluginLand> readLandForViews(const std::string& path, const std::vector<LandView>& views,
                                         bool framed) {
  const std::string label = fileNameOf(path);
  std::vector<PluginLand> plugins(views.size(), PluginLand{label, {}});
  EndOnDamage endOnDamage(path);
  RecordReader reader(endOnDamage, 64 * 1024);
  openLandFile(path, reader);
  std::vector<uint8_t> record;
  RecordHeader header;
  while (reader.next(header)) {
    if (!header.isType("LAND")) {
      reader.skip(header);
      continue;
    }
    // Land outside every frame is stepped over unread: its grid is the
    // first thing in it (INTV, grid X, grid Y).
    if (framed) {
      const uint8_t* first = reader.peekData(header, kLeadingGridBytes);
      const std::optional<GridCell> grid =
          first != nullptr ? landGrid(first, kLeadingGridBytes, header.dataSize) : std::nullopt;
      if (grid && !shownInSome(views, *grid)) {
        reader.skip(header);
        continue;
      }
    }
    record.resize(header.wholeSize());
    if (!reader.readRecord(header, record.data())) break;
    keepLand(record.data(), record.size(), views, framed, plugins);
  }
  return plugins;
}

std::vector<PluginLand> readListedLandForViews(const std::string& path,
                                               const std::vector<LandRecord>& lands,
                                               const std::vector<LandView>& views, bool framed,
                                               const std::vector<uint64_t>& wanted,
                                               std::vector<std::vector<uint8_t>>& wantedRecords) {
  const std::string label = fileNameOf(path);
  std::vector<PluginLand> plugins(views.size(), PluginLand{label, {}});
  wantedRecords.assign(wanted.size(), {});
  std::vector<uint64_t> shown;
  for (const LandRecord& land : lands) {
    if (!framed || shownInSome(views, land.grid)) shown.push_back(land.offset);
  }
  std::vector<uint64_t> offsets = shown;
  offsets.insert(offsets.end(), wanted.begin(), wanted.end());
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  if (offsets.empty()) return plugins;
  EndOnDamage endOnDamage(path);
  RecordReader reader(endOnDamage, kListedReadBuffer);
  openLandFile(path, reader);
  std::vector<uint8_t> storage;
  RecordHeader header;
  for (uint64_t offset : offsets) {
    const uint8_t* record = reader.readRecordAt(offset, header, storage);
    if (record == nullptr) break;
    const std::size_t size = static_cast<std::size_t>(header.wholeSize());
    if (std::binary_search(shown.begin(), shown.end(), offset)) {
      keepLand(record, size, views, framed, plugins);
    }
    const auto at = std::lower_bound(wanted.begin(), wanted.end(), offset);
    if (at != wanted.end() && *at == offset) {
      wantedRecords[static_cast<std::size_t>(at - wanted.begin())].assign(record, record + size);
    }
  }
  return plugins;
}

PluginLand readPluginLand(const std::string& path, int samples, const GridFrame* only) {
  const GridFrame anywhere{INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
  return std::move(readLandForViews(path, {{only != nullptr ? *only : anywhere, samples}},
                                    only != nullptr)[0]);
}
