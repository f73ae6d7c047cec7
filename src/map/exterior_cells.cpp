// Reading the exterior cells of a plugin. A master file holds about 80 MB in
// 48,000 records, most of them land, objects and dialogue; only its few
// thousand CELL records are read, and everything else is stepped over with a
// seek, so that the whole file is never read.
#include "map/exterior_cells.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "base/platform.h"
#include "base/report.h"
#include "base/text_lines.h"
#include "plugin/cell_header.h"
#include "plugin/record_check.h"

namespace {

// Moves the file position on by `count` bytes, in steps a long can hold on
// every system.
bool skipBytes(std::FILE* file, uint64_t count) {
  constexpr uint64_t kLargestStep = uint64_t{1} << 30;
  while (count > 0) {
    const uint64_t step = count < kLargestStep ? count : kLargestStep;
    if (std::fseek(file, static_cast<long>(step), SEEK_CUR) != 0) return false;
    count -= step;
  }
  return true;
}

}  // namespace

PluginCells readExteriorCells(const std::string& path) {
  // The plugin is named by its file name alone, without the folders.
  PluginCells plugin{path.substr(path.find_last_of("/\\") + 1), {}};
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) failRun("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  const std::optional<uint64_t> size = sizeOfOpenFile(file.get());
  if (!size) failRun("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  const uint64_t fileSize = *size;

  std::vector<uint8_t> record;
  uint64_t offset = 0;
  while (offset < fileSize) {
    uint8_t header[kRecordHeaderSize];
    const std::size_t got = std::fread(header, 1, sizeof header, file.get());
    if (got == 0 && std::ferror(file.get())) {
      failRun("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
    }
    if (offset == 0 && (got < kTagSize || !hasTag(header, "TES3"))) {
      failRun("quendrel-map: %s is not a TES3 plugin\n", path.c_str());
    }
    const uint64_t dataSize = readU32(header + kRecordSizeOffset);
    const uint64_t left = fileSize - offset;
    if (got < sizeof header || left < sizeof header || left - sizeof header < dataSize) {
      failRun("quendrel-map: %s ends inside the record at byte %llu\n", path.c_str(),
              static_cast<unsigned long long>(offset));
    }
    if (hasTag(header, "CELL")) {
      record.assign(header, header + sizeof header);
      record.resize(sizeof header + dataSize);
      if (std::fread(record.data() + sizeof header, 1, dataSize, file.get()) != dataSize) {
        failRun("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
      }
      std::optional<CellHeader> cell =
          readCellHeader(record.data() + kRecordHeaderSize, static_cast<std::size_t>(dataSize));
      if (cell && !cell->interior) {
        const bool damaged = describeRecordDamage(record.data(), record.size()).has_value();
        plugin.cells.push_back({cell->grid, cell->name, cell->region, damaged});
      }
    } else if (!skipBytes(file.get(), dataSize)) {
      failRun("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
    }
    offset += sizeof header + dataSize;
  }
  if (offset == 0) failRun("quendrel-map: %s is not a TES3 plugin\n", path.c_str());
  return plugin;
}
