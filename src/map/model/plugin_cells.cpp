// Reading the cells and land of plugins. A master file holds about 80 MB in
// 48,000 records, most of them land, objects and dialogue, and a load order
// holds dozens of them: of the plugins checked against, only the first bytes
// of each cell and land record are read, and everything else is stepped over.
#include "map/model/plugin_cells.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/platform/folder_files.h"
#include "base/report.h"
#include "map/model/kept_damage.h"
#include "map/model/land_heights.h"
#include "workfiles/map_errors.h"
#include "records/cell_header.h"
#include "records/plugin_signature.h"
#include "records/record_check.h"
#include "records/record_reader.h"
#include "records/subrecords.h"

namespace {

// The most read from a plugin at a time. The reader reads little behind a
// record it steps over (land, most of a master's bytes) and more and more
// while records follow each other that it reads (the many small records of
// objects and dialogue, whose headers must all be seen).
constexpr std::size_t kReadBuffer = 128 * 1024;

// The first bytes read of a checked plugin's CELL record: enough for its
// header (NAME, DATA and the two subrecords behind them) in every cell the
// game's editor writes. A cell whose header reaches further is read whole.
constexpr std::size_t kCellHeaderBytes = 1024;

// The most read of a plugin's header record (TES3): its masters' names take
// a few kilobytes at most.
constexpr std::size_t kPluginHeaderBytes = 64 * 1024;

// True when the first `available` bytes of a cell's data decide its header as
// the whole record would: they hold NAME, DATA and the two subrecords behind
// them whole, which is all readCellHeader looks at.
bool holdsCellHeader(const uint8_t* data, std::size_t available) {
  SubrecordWalk walk(data, available);
  int whole = 0;
  for (auto it = walk.begin(); it != walk.end(); ++it) {
    if (++whole == 4) return true;
  }
  return false;
}

// What the read found wrong with the file before any record: nothing, or
// the text of the line.
std::optional<std::string> signatureProblem(const std::string& path) {
  const PluginSignature signature = readPluginSignature(path.c_str());
  switch (signature.kind) {
    case PluginSignature::kTes3: return std::nullopt;
    case PluginSignature::kUnreadable: return "cannot read " + path + ": " + systemErrorText();
    case PluginSignature::kEmpty: return path + " is empty, not a TES3 plugin";
    default: return path + " is not a TES3 plugin";
  }
}

// The whole record `next` gave, where it stands in the reader's buffer: one
// that lies there only in part is first brought in whole when it fits
// (most records do), rather than copied into `storage` (which a record
// larger than the buffer still is). Null when it cannot be read (reported).
const uint8_t* readWholeRecord(RecordReader& reader, const RecordHeader& header,
                               std::vector<uint8_t>& storage) {
  reader.peekData(header, header.dataSize);
  return reader.readRecordInPlace(header, storage);
}

// Reads the cells and land of the plugin at `path` into `plugin`. `whole`:
// every CELL and LAND record is read whole and checked for damage; otherwise
// only their first bytes. With `left`, the pointers into those grids as
// well (see PointerSearch). False, with the line's text in `problem`, when
// the file cannot be read or is damaged.
bool readCellsAndLand(const std::string& path, bool whole, const GridsLeft* left,
                      PluginCells& plugin, std::string& problem) {
  if (std::optional<std::string> wrong = signatureProblem(path)) {
    problem = *wrong;
    return false;
  }
  KeepDamage damage(path);
  RecordReader reader(damage, kReadBuffer);
  if (!reader.open(path.c_str())) {
    problem = "cannot read " + path + ": " + systemErrorText();
    return false;
  }
  // A search for pointers reads every cell whole.
  std::size_t cellBytes = whole || left != nullptr ? SIZE_MAX : kCellHeaderBytes;
  for (;;) {
    bool headerCut = false;  // a cell's first bytes did not hold its header
    std::optional<PointerSearch> search;
    if (left != nullptr) search.emplace(*left);
    std::vector<uint8_t> record;
    RecordHeader header;
    while (reader.next(header)) {
      if (header.isType("TES3") && header.dataSize != 0) {
        // The header's MAST subrecords name the plugin's masters in order.
        if (!reader.readData(header, record, kPluginHeaderBytes)) break;
        for (const WalkedSubrecord& s : SubrecordWalk(record.data(), record.size())) {
          if (!s.is("MAST")) continue;
          const char* name = reinterpret_cast<const char*>(record.data() + s.dataOffset());
          plugin.masters.emplace_back(name, strnlen(name, s.size));
        }
        continue;
      }
      const bool cell = header.isType("CELL");
      if (!cell && search && PointerSearch::searches(header.bytes)) {
        const uint8_t* read = readWholeRecord(reader, header, record);
        if (read == nullptr) break;
        search->take(header.bytes, read + kRecordHeaderSize, header.dataSize, plugin.pointers);
        continue;
      }
      if (!cell && !header.isType("LAND")) {
        reader.skip(header);
        continue;
      }
      const uint8_t* data;
      std::size_t available;
      bool damaged = false;
      if (whole) {
        record.resize(header.wholeSize());
        if (!reader.readRecord(header, record.data())) break;
        damaged = describeRecordDamage(record.data(), record.size(), cell ? kCellNeeds : kLandNeeds)
                      .has_value();
        data = record.data() + kRecordHeaderSize;
        available = header.dataSize;
      } else if (cell && cellBytes == SIZE_MAX) {
        const uint8_t* read = readWholeRecord(reader, header, record);
        if (read == nullptr) break;
        data = read + kRecordHeaderSize;
        available = header.dataSize;
      } else {
        // A record without data is stepped over: the reader is never asked
        // for no bytes at all (it would copy nothing to no buffer).
        record.clear();
        if (header.dataSize == 0 ? !reader.skip(header)
                                 : !reader.readData(header, record, cell ? cellBytes : kLandLeadingBytes)) {
          break;
        }
        data = record.data();
        available = record.size();
      }
      if (!cell) {
        if (std::optional<GridCell> grid = landGrid(data, available, header.dataSize)) {
          plugin.lands.push_back({*grid, damaged, header.offset, header.dataSize,
                                  landHeightsPlace(data, available, header.dataSize)});
        }
        continue;
      }
      if (available < header.dataSize && !holdsCellHeader(data, available)) {
        headerCut = true;
        continue;
      }
      if (search) search->take(header.bytes, data, available, plugin.pointers);
      if (std::optional<CellHeader> cellHeader = readCellHeader(data, available)) {
        if (cellHeader->interior) {
          plugin.interiors.push_back(cellHeader->name);
        } else {
          plugin.cells.push_back({cellHeader->grid, cellHeader->name, cellHeader->region, damaged});
          // quendrel carries the markers of the exterior cells it handles.
          if (whole && !damaged) {
            for (const WalkedSubrecord& s : SubrecordWalk(data, available, cellHeader->end)) {
              if (s.is("CNDT")) plugin.markers.push_back(readGrid(data + s.dataOffset()));
            }
          }
        }
      }
    }
    if (!damage.text.empty()) {
      problem = damage.text;
      return false;
    }
    if (!headerCut) return true;
    // Rare enough to read the file once more, every cell whole.
    cellBytes = SIZE_MAX;
    plugin.cells.clear();
    plugin.lands.clear();
    plugin.interiors.clear();
    plugin.markers.clear();
    plugin.masters.clear();
    plugin.pointers.clear();
    reader.rewind(kReadBuffer);
  }
}

}  // namespace

PluginCells readPluginToMove(const std::string& path) {
  PluginCells plugin;
  plugin.label = fileNameOf(path);
  std::string problem;
  if (!readCellsAndLand(path, true, nullptr, plugin, problem)) {
    failMap("quendrel-map: %s\n", problem.c_str());
  }
  return plugin;
}

std::optional<PluginCells> readCheckedPlugin(const std::string& path, bool mustRead,
                                             const GridsLeft* left) {
  return reportCheckedRead(readCheckedPluginQuietly(path, left), mustRead);
}

CheckedRead readCheckedPluginQuietly(const std::string& path, const GridsLeft* left) {
  CheckedRead read;
  PluginCells plugin;
  plugin.label = fileNameOf(path);
  if (readCellsAndLand(path, false, left, plugin, read.problem)) read.plugin = std::move(plugin);
  return read;
}

std::optional<PluginCells> reportCheckedRead(CheckedRead read, bool mustRead) {
  if (read.plugin) return std::move(read.plugin);
  if (mustRead) failMap("quendrel-map: %s\n", read.problem.c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "quendrel-map: %s; left out of the check\n", read.problem.c_str());
  return std::nullopt;
}

GridRegions soundCellRegions(const PluginCells& plugin) {
  GridRegions regions;
  for (const ExteriorCell& cell : plugin.cells) {
    if (!cell.damaged) regions.note(cell.grid, cell.region);
  }
  return regions;
}
