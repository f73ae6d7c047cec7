// Decoding the heights of LAND records and reading them from a plugin. Only
// as many heights are kept as the picture shows: a cell of a few pixels
// needs 17 × 17 (about 1 KB), one of 64 pixels all 65 × 65 (about 17 KB),
// and the picture frames fewer cells the larger they are drawn. Of a record
// the walk over its file found, only VHGT and WNAM are read (4.3 KB of its
// 30 KB) where the walk learnt their place; a record of any other shape is
// read whole.
#include "map/model/land_heights.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <type_traits>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "base/platform/folder_files.h"
#include "base/platform/platform.h"
#include "base/report.h"
#include "base/text_lines.h"
#include "map/model/kept_damage.h"
#include "workfiles/map_errors.h"
#include "records/plugin_signature.h"
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
// What is read of a record whose heights' place is known: VHGT and the WNAM
// behind it, headers included, as the editor writes them:
// 8 + 4,232 + 8 + 81 = 4,329 bytes (against the record's 30,259).
constexpr std::size_t kHeightsWindow = kSubrecordHeaderSize + kVhgtSize + 3 +
                                       kSubrecordHeaderSize + kWnamSize;
// Kept heights are held within this many game units of the water, far beyond
// any land (the game's highest peaks stand some 10,000 above it), so that the
// slopes between them stay finite numbers.
constexpr float kHeightLimit = 1e6;

// Below this offset's size (in units of 8) no height can leave
// kHeightLimit, nor stop being a finite number: the steps of one vertex's
// row and column add up to 129 × 128 = 16,512 at most, and
// (100,000 + 16,512) × 8 = 932,096.
constexpr float kPlainOffsetLimit = 100000;
// Kept rows decoded side by side: each row's sum is a chain of additions,
// each waiting for the last; four chains at once keep the processor busy.
constexpr int kRowsAtOnce = 4;

// The kept rows' heights, every `kStep`th vertex of every `kStep`th row, each
// row summed from its start (`rowStarts`) along its own steps.
template <int kStep>
void sumKeptRows(const uint8_t* steps, const float* rowStarts, float* samples) {
  constexpr int kSide = (kLandVertices - 1) / kStep + 1;
  auto sumRows = [&](int kept, auto lanes) {
    constexpr int kLanes = decltype(lanes)::value;
    const int8_t* row[kLanes];
    float value[kLanes];
    float* out[kLanes];
    for (int lane = 0; lane < kLanes; ++lane) {
      row[lane] = reinterpret_cast<const int8_t*>(steps) + (kept + lane) * kStep * kLandVertices;
      value[lane] = rowStarts[(kept + lane) * kStep];
      out[lane] = samples + (kept + lane) * kSide;
      out[lane][0] = value[lane] * kHeightUnit;
    }
    for (int column = 1; column < kSide; ++column) {
      for (int at = (column - 1) * kStep + 1; at <= column * kStep; ++at) {
        for (int lane = 0; lane < kLanes; ++lane) value[lane] += static_cast<float>(row[lane][at]);
      }
      for (int lane = 0; lane < kLanes; ++lane) out[lane][column] = value[lane] * kHeightUnit;
    }
  };
  int kept = 0;
  for (; kept + kRowsAtOnce <= kSide; kept += kRowsAtOnce) {
    sumRows(kept, std::integral_constant<int, kRowsAtOnce>{});
  }
  for (; kept < kSide; ++kept) sumRows(kept, std::integral_constant<int, 1>{});
}

// The kept vertices of a VHGT subrecord's data, decoded as decodeVertexHeights
// decodes them but only along the rows kept: each row's start follows from
// the first column's steps, and a kept row's values from its own steps, the
// same additions in the same order, so the same numbers to the last bit.
// Nothing when the offset makes heights that are not finite numbers (at such
// a size the steps change nothing, so the kept heights tell for all).
std::optional<std::vector<float>> sampleVertexHeights(const uint8_t* vhgt, int side) {
  const uint8_t* steps = vhgt + kVhgtStepsOffset;
  const float offset = readF32(vhgt);
  float rowStarts[kLandVertices];
  float rowStart = offset;
  for (int row = 0; row < kLandVertices; ++row) {
    rowStart += static_cast<float>(static_cast<int8_t>(steps[row * kLandVertices]));
    rowStarts[row] = rowStart;
  }
  std::vector<float> samples(static_cast<std::size_t>(side) * side);
  switch (side) {
    case 9: sumKeptRows<8>(steps, rowStarts, samples.data()); break;
    case 17: sumKeptRows<4>(steps, rowStarts, samples.data()); break;
    case 33: sumKeptRows<2>(steps, rowStarts, samples.data()); break;
    case 65: sumKeptRows<1>(steps, rowStarts, samples.data()); break;
    default: return std::nullopt;  // no detail isLandDetail knows
  }
  if (std::fabs(offset) < kPlainOffsetLimit) return samples;
  for (float& height : samples) {
    if (!std::isfinite(height)) return std::nullopt;
    height = std::clamp(height, -kHeightLimit, kHeightLimit);
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

namespace {

// Where the heights of one LAND record lie: its VHGT data (at least the
// offset and the steps) and its WNAM data (at least 9 × 9 bytes), the first
// of each, either of them missing; a deleted record shows no land.
struct LandSources {
  GridCell grid;
  const uint8_t* vhgt = nullptr;
  const uint8_t* wnam = nullptr;
  bool deleted = false;
};

// The sources of a whole record; nothing when its data does not begin with
// its grid.
std::optional<LandSources> findLandSources(const uint8_t* record, std::size_t recordSize) {
  if (recordSize < kRecordHeaderSize) return std::nullopt;
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  const std::optional<GridCell> grid = landGrid(data, dataSize, dataSize);
  if (!grid) return std::nullopt;
  LandSources sources{*grid};
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (s.is("VHGT") && s.size >= kVhgtSize && !sources.vhgt) sources.vhgt = data + s.dataOffset();
    if (s.is("WNAM") && s.size >= kWnamSize && !sources.wnam) sources.wnam = data + s.dataOffset();
    if (s.is("DELE")) sources.deleted = true;
  }
  return sources;
}

// The heights from VHGT, or where it has none or makes no finite heights
// from WNAM; none at all for a deleted record. Nothing when VHGT makes no
// finite heights and the sources do not tell WNAM (`wnamKnown` false): the
// record must then be read whole.
std::optional<LandHeights> heightsOf(const LandSources& sources, int samples, bool wnamKnown) {
  LandHeights land{sources.grid, samples, {}};
  if (sources.deleted) return land;
  std::optional<std::vector<float>> heights;
  if (sources.vhgt != nullptr) heights = sampleVertexHeights(sources.vhgt, samples);
  if (heights) {
    land.heights = std::move(*heights);
  } else if (!wnamKnown) {
    return std::nullopt;
  } else if (sources.wnam) {
    land.heights = sampleWorldMap(sources.wnam, samples);
  }
  return land;
}

}  // namespace

std::optional<LandHeights> decodeLand(const uint8_t* record, std::size_t recordSize, int samples) {
  if (!isLandDetail(samples)) return std::nullopt;
  const std::optional<LandSources> sources = findLandSources(record, recordSize);
  if (!sources) return std::nullopt;
  return heightsOf(*sources, samples, true);
}

uint32_t landHeightsPlace(const uint8_t* data, std::size_t available, std::size_t dataSize) {
  available = std::min(available, dataSize);
  std::size_t at = 0;
  std::size_t vhgt = 0;
  bool walkEnds = false;  // a subrecord runs past the data: the walk stops at it
  while (at + kSubrecordHeaderSize <= available) {
    const uint8_t* name = data + at;
    if (hasTag(name, "DELE") || (vhgt == 0 && hasTag(name, "WNAM"))) return 0;
    if (vhgt == 0 && hasTag(name, "VHGT")) {
      vhgt = at;
      // Only a walk over the whole data can tell that no DELE follows.
      if (available < dataSize) break;
    }
    const uint64_t next = uint64_t{at} + kSubrecordHeaderSize + readU32(name + kSubrecordSizeOffset);
    if (next > dataSize) {
      walkEnds = true;
      break;
    }
    at = static_cast<std::size_t>(next);
  }
  if (vhgt == 0) {
    // Expected where the headers seen end, when they end beyond the bytes
    // at hand.
    if (walkEnds || available == dataSize || at + kSubrecordHeaderSize > dataSize) return 0;
    vhgt = at;
  }
  return vhgt <= UINT32_MAX ? static_cast<uint32_t>(vhgt) : 0;
}

namespace {

// True when some view frames the grid.
bool shownInSome(const std::vector<LandView>& views, GridCell grid) {
  for (const LandView& view : views) {
    if (view.frame.holds(grid)) return true;
  }
  return false;
}

// The heights of one record for each view that shows it (with `framed`;
// every view without), nothing for the others. The vertices are decoded
// once, at the finest detail asked for; a coarser view's are every 2nd, 4th
// or 8th of those, the same vertices decoded the same way: 9 a side from 33
// are the vertices 0, 4, ... 32 of each 4th row. Nothing when heightsOf
// gives nothing for a view.
std::optional<std::vector<std::optional<LandHeights>>> heightsForViews(
    const LandSources& sources, const std::vector<LandView>& views, bool framed, bool wnamKnown) {
  std::vector<std::optional<LandHeights>> kept(views.size());
  int finest = 0;
  for (const LandView& view : views) {
    if (isLandDetail(view.samples) && (!framed || view.frame.holds(sources.grid))) {
      finest = std::max(finest, view.samples);
    }
  }
  if (finest == 0) return kept;
  std::optional<std::vector<float>> fine;
  if (!sources.deleted && sources.vhgt != nullptr) fine = sampleVertexHeights(sources.vhgt, finest);
  // Without heights from VHGT (none, none that are finite numbers, or a
  // deleted record) as heightsOf goes on: from WNAM where it is known.
  if (!fine && !sources.deleted && !wnamKnown) return std::nullopt;
  std::size_t finestView = views.size();  // takes the decoded heights themselves
  for (std::size_t i = 0; i < views.size(); ++i) {
    const int side = views[i].samples;
    if (!isLandDetail(side) || (framed && !views[i].frame.holds(sources.grid))) continue;
    if (!fine) {
      kept[i] = LandHeights{sources.grid, side, {}};
      if (!sources.deleted && sources.wnam != nullptr) kept[i]->heights = sampleWorldMap(sources.wnam, side);
      continue;
    }
    if (side == finest && finestView == views.size()) {
      finestView = i;
      continue;
    }
    const int step = (finest - 1) / (side - 1);
    LandHeights land{sources.grid, side, {}};
    land.heights.reserve(static_cast<std::size_t>(side) * side);
    for (int row = 0; row < side; ++row) {
      const float* from = fine->data() + static_cast<std::size_t>(row) * step * finest;
      for (int column = 0; column < side; ++column) land.heights.push_back(from[column * step]);
    }
    kept[i] = std::move(land);
  }
  if (finestView < views.size()) kept[finestView] = LandHeights{sources.grid, finest, std::move(*fine)};
  return kept;
}

// Decodes one LAND record, given whole, into each view that shows it (with
// `framed`; into every view without).
void keepLand(const uint8_t* record, std::size_t size, const std::vector<LandView>& views,
              bool framed, std::vector<PluginLand>& plugins) {
  const std::optional<LandSources> sources = findLandSources(record, size);
  if (!sources) return;
  std::optional<std::vector<std::optional<LandHeights>>> kept =
      heightsForViews(*sources, views, framed, true);
  for (std::size_t i = 0; i < views.size(); ++i) {
    if ((*kept)[i]) plugins[i].lands.push_back(std::move(*(*kept)[i]));
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

namespace {

// One place the land pass reads, in the order of the file.
struct ListedPlace {
  uint64_t offset;
  const LandRecord* shown;   // the record a view shows; null when none does
  std::size_t wanted;        // its index in the places asked for; SIZE_MAX when not asked for
};

// The places to read: the records shown and those asked for, merged by
// place (both lists run in file order).
std::vector<ListedPlace> listedPlaces(const std::vector<LandRecord>& lands,
                                      const std::vector<LandView>& views, bool framed,
                                      const std::vector<LandRecord>& wanted) {
  std::vector<ListedPlace> places;
  for (const LandRecord& land : lands) {
    if (!framed || shownInSome(views, land.grid)) places.push_back({land.offset, &land, SIZE_MAX});
  }
  const std::size_t shown = places.size();
  for (std::size_t i = 0; i < wanted.size(); ++i) places.push_back({wanted[i].offset, nullptr, i});
  std::inplace_merge(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(shown),
                     places.end(),
                     [](const ListedPlace& a, const ListedPlace& b) { return a.offset < b.offset; });
  // A place both shown and asked for is read once.
  std::vector<ListedPlace> merged;
  for (const ListedPlace& place : places) {
    if (!merged.empty() && merged.back().offset == place.offset) {
      if (place.shown != nullptr) merged.back().shown = place.shown;
      if (place.wanted != SIZE_MAX) merged.back().wanted = place.wanted;
    } else {
      merged.push_back(place);
    }
  }
  return merged;
}

// The sources of a record's heights from the bytes read at its heights'
// place (`window`, `size` of them, as many as the data holds there up to
// kHeightsWindow): its VHGT, whole, and the WNAM right behind it when the
// window holds that. Nothing when VHGT is not there as expected: the record
// is then read whole. The walk made sure no subrecord in front of the place
// is one decodeLand looks at.
std::optional<LandSources> windowSources(const LandRecord& land, const uint8_t* window,
                                         std::size_t size, bool& wnamKnown) {
  const std::size_t room = land.dataSize - land.heightsAt;  // data bytes from the place on
  if (size < kSubrecordHeaderSize || !hasTag(window, "VHGT")) return std::nullopt;
  const uint32_t vhgtSize = readU32(window + kSubrecordSizeOffset);
  if (vhgtSize < kVhgtSize || vhgtSize > room - kSubrecordHeaderSize ||
      kSubrecordHeaderSize + kVhgtSize > size) {
    return std::nullopt;
  }
  LandSources sources{land.grid, window + kSubrecordHeaderSize};
  const std::size_t wnamAt = kSubrecordHeaderSize + std::size_t{vhgtSize};
  wnamKnown = false;
  if (wnamAt + kSubrecordHeaderSize <= size && hasTag(window + wnamAt, "WNAM")) {
    const uint32_t wnamSize = readU32(window + wnamAt + kSubrecordSizeOffset);
    if (wnamSize >= kWnamSize && wnamSize <= room - wnamAt - kSubrecordHeaderSize &&
        wnamAt + kSubrecordHeaderSize + kWnamSize <= size) {
      sources.wnam = window + wnamAt + kSubrecordHeaderSize;
      wnamKnown = true;
    }
  }
  return sources;
}

// Reads the heights of `land` alone from its heights' place: into each
// view that shows it when it is `shown`, and into `digest` when that is
// given (which needs the WNAM behind VHGT, where the editor puts it). False
// when they are not there as expected, the file ends before the record does,
// or the read fails: the caller then reads the record whole, which finds
// what is wrong and reports it as ever.
bool keepLandFromWindow(std::FILE* file, uint64_t fileSize, const LandRecord& land, bool shown,
                        const std::vector<LandView>& views, bool framed,
                        std::vector<PluginLand>& plugins, LandDigest* digest,
                        std::vector<uint8_t>& window) {
  if (file == nullptr || land.heightsAt == 0 || land.heightsAt >= land.dataSize ||
      land.dataSize < kLeadingGridBytes ||
      land.offset + kRecordHeaderSize + land.dataSize > fileSize) {
    return false;
  }
  const std::size_t want = std::min<std::size_t>(kHeightsWindow, land.dataSize - land.heightsAt);
  window.resize(kHeightsWindow);
  const std::optional<std::size_t> got =
      readFileAt(file, land.offset + kRecordHeaderSize + land.heightsAt, window.data(), want);
  if (!got || *got < want) return false;
  bool wnamKnown = false;
  const std::optional<LandSources> sources = windowSources(land, window.data(), want, wnamKnown);
  if (!sources || (digest != nullptr && !wnamKnown)) return false;
  if (shown) {
    std::optional<std::vector<std::optional<LandHeights>>> kept =
        heightsForViews(*sources, views, framed, wnamKnown);
    if (!kept) return false;
    for (std::size_t i = 0; i < views.size(); ++i) {
      if ((*kept)[i]) plugins[i].lands.push_back(std::move(*(*kept)[i]));
    }
  }
  if (digest != nullptr) {
    digest->bodySize = land.dataSize - kLeadingGridBytes;
    digest->vhgt.assign(sources->vhgt, sources->vhgt + kVhgtSize);
    digest->wnam.assign(sources->wnam, sources->wnam + kWnamSize);
  }
  return true;
}

// The digest of a whole record for the clash check.
LandDigest digestLand(const uint8_t* record, std::size_t size) {
  LandDigest digest;
  digest.digested = true;
  const std::size_t skip = kRecordHeaderSize + kLeadingGridBytes;
  if (size >= skip) {
    digest.bodySize = size - skip;
    const XXH128_hash_t hash = XXH3_128bits(record + skip, size - skip);
    digest.digest[0] = hash.low64;
    digest.digest[1] = hash.high64;
  }
  if (const std::optional<LandSources> sources = findLandSources(record, size)) {
    if (sources->vhgt) digest.vhgt.assign(sources->vhgt, sources->vhgt + kVhgtSize);
    if (sources->wnam) digest.wnam.assign(sources->wnam, sources->wnam + kWnamSize);
    digest.deleted = sources->deleted;
  }
  return digest;
}

}  // namespace

SameLand compareLand(const LandDigest& a, const LandDigest& b) {
  if (a.bodySize != b.bodySize || a.vhgt != b.vhgt || a.wnam != b.wnam) return SameLand::kDifferent;
  if (!a.digested || !b.digested) return SameLand::kUnknown;
  return a.digest[0] == b.digest[0] && a.digest[1] == b.digest[1] ? SameLand::kSame
                                                                  : SameLand::kDifferent;
}

std::vector<float> digestHeights(const LandDigest& land) {
  LandSources sources{{0, 0}, land.vhgt.empty() ? nullptr : land.vhgt.data(),
                      land.wnam.empty() ? nullptr : land.wnam.data(), land.deleted};
  return heightsOf(sources, kLandVertices, true)->heights;
}

ListedLand readListedLandForViews(const std::string& path, const std::vector<LandRecord>& lands,
                                  const std::vector<LandView>& views, bool framed,
                                  const std::vector<LandRecord>& wanted) {
  ListedLand listed;
  listed.views.assign(views.size(), PluginLand{fileNameOf(path), {}});
  listed.wanted.assign(wanted.size(), LandDigest{});
  const std::vector<ListedPlace> places = listedPlaces(lands, views, framed, wanted);
  if (places.empty()) return listed;
  const PluginSignature signature = readPluginSignature(path.c_str());
  if (signature.kind == PluginSignature::kUnreadable) {
    listed.problem = "cannot read " + path + ": " + systemErrorText();
    return listed;
  }
  if (signature.kind != PluginSignature::kTes3) {
    listed.problem = path + " is not a TES3 plugin";
    return listed;
  }
  KeepDamage damage(path);
  RecordReader reader(damage, kListedReadBuffer);
  if (!reader.open(path.c_str())) {
    listed.problem = "cannot read " + path + ": " + systemErrorText();
    return listed;
  }
  // The heights alone are read through a handle of their own, leaving the
  // reader's place and buffer to the records read whole.
  std::unique_ptr<std::FILE, FileCloser> heightsFile(std::fopen(path.c_str(), "rb"));
  std::vector<uint8_t> window, storage;
  RecordHeader header;
  for (const ListedPlace& place : places) {
    const LandRecord& land = place.shown != nullptr ? *place.shown : wanted[place.wanted];
    LandDigest* digest = place.wanted != SIZE_MAX ? &listed.wanted[place.wanted] : nullptr;
    if (keepLandFromWindow(heightsFile.get(), reader.fileSize(), land, place.shown != nullptr,
                           views, framed, listed.views, digest, window)) {
      continue;
    }
    const uint8_t* record = reader.readRecordAt(place.offset, header, storage);
    if (record == nullptr) break;  // damage, kept as its line's text
    const std::size_t size = static_cast<std::size_t>(header.wholeSize());
    if (place.shown != nullptr) keepLand(record, size, views, framed, listed.views);
    if (place.wanted != SIZE_MAX) listed.wanted[place.wanted] = digestLand(record, size);
  }
  listed.problem = damage.text;
  return listed;
}

PluginLand readPluginLand(const std::string& path, int samples, const GridFrame* only) {
  const GridFrame anywhere{INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX};
  return std::move(readLandForViews(path, {{only != nullptr ? *only : anywhere, samples}},
                                    only != nullptr)[0]);
}
