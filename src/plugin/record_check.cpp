// Checking a record's subrecord chain before a handler walks it.
#include "plugin/record_check.h"

#include <cstdio>

#include "plugin/record_layout.h"

namespace {

// The smallest data size each handler relies on, by record type and
// subrecord name; `position` is the subrecord's place in the record.
std::size_t fieldBytesNeeded(const uint8_t* type, const uint8_t* name, std::size_t position) {
  if (hasTag(type, "CELL")) {
    if (position == 1) return kCellDataSize;  // flags, grid X, grid Y
    if (position > 1 && (hasTag(name, "CNDT") || hasTag(name, "DODT") || hasTag(name, "DATA"))) {
      return kXYSize;  // a grid or a world position: X and Y
    }
  } else if (hasTag(type, "LAND")) {
    if (position == 0 && hasTag(name, "INTV")) return kXYSize;
  } else if (hasTag(type, "PGRD")) {
    if (position == 0 && hasTag(name, "DATA")) return kXYSize;
  } else if (hasTag(type, "NPC_")) {
    if (hasTag(name, "AI_T") || hasTag(name, "AI_E") || hasTag(name, "AI_F") ||
        hasTag(name, "DODT")) {
      return kXYSize;
    }
  }
  return 0;
}

std::string describe(const char* format, const std::string& tag, unsigned long long number = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, tag.c_str(), number);
  return text;
}

}  // namespace

std::string printableTag(const uint8_t* tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    text += (tag[i] >= 0x20 && tag[i] < 0x7f) ? static_cast<char>(tag[i]) : '?';
  }
  return text;
}

std::optional<std::string> describeRecordDamage(const uint8_t* record, std::size_t recordSize) {
  if (recordSize < kRecordHeaderSize) return "the record header is cut short";
  const uint8_t* type = record;
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  std::size_t offset = 0;
  std::size_t position = 0;
  while (offset < dataSize) {
    if (dataSize - offset < kSubrecordHeaderSize) {
      return describe("%s%llu stray bytes after the last subrecord", "", dataSize - offset);
    }
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    std::string tag = printableTag(data + offset);
    if (!subrecord) return describe("subrecord %s runs past the end of the record", tag);
    std::size_t needed = fieldBytesNeeded(type, data + offset, position);
    if (subrecord->size < needed) {
      return describe("subrecord %s is too short: %llu bytes", tag, subrecord->size);
    }
    offset = subrecordEnd(*subrecord);
    ++position;
  }
  // A cell is its NAME and DATA at the least; land and path grids name their
  // grid in their first subrecord.
  if (hasTag(type, "CELL") && position < 2) return "the cell has no NAME and DATA";
  if ((hasTag(type, "LAND") || hasTag(type, "PGRD")) && position == 0) {
    return "the record has no subrecords";
  }
  return std::nullopt;
}
