// Reading the exterior cells of a plugin. A master file holds about 80 MB in
// 48,000 records, most of them land, objects and dialogue; only its few
// thousand CELL records are read, and everything else is stepped over with a
// seek, so that the whole file is never read.
#include "map/exterior_cells.h"

#include <optional>

#include "base/report.h"
#include "map/map_errors.h"
#include "records/cell_header.h"
#include "records/plugin_signature.h"
#include "records/record_check.h"
#include "records/record_reader.h"

namespace {

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

}  // namespace

PluginCells readExteriorCells(const std::string& path) {
  // The plugin is named by its file name alone, without the folders.
  PluginCells plugin{path.substr(path.find_last_of("/\\") + 1), {}};
  const PluginSignature signature = readPluginSignature(path.c_str());
  if (signature.kind == PluginSignature::kUnreadable) {
    failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  }
  if (signature.kind != PluginSignature::kTes3) {
    failMap("quendrel-map: %s is not a TES3 plugin\n", path.c_str());
  }
  EndOnDamage endOnDamage(path);
  // Most of a master is stepped over: a small buffer reads little of it.
  RecordReader reader(endOnDamage, 64 * 1024);
  if (!reader.open(path.c_str())) {
    failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  }
  std::vector<uint8_t> record;
  RecordHeader header;
  while (reader.next(header)) {
    if (!header.isType("CELL")) {
      reader.skip(header);
      continue;
    }
    record.resize(header.wholeSize());
    if (!reader.readRecord(header, record.data())) break;
    std::optional<CellHeader> cell =
        readCellHeader(record.data() + kRecordHeaderSize, header.dataSize);
    if (cell && !cell->interior) {
      const bool damaged = describeRecordDamage(record.data(), record.size(), kCellNeeds).has_value();
      plugin.cells.push_back({cell->grid, cell->name, cell->region, damaged});
    }
  }
  return plugin;
}
