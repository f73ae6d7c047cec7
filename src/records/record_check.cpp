// Checking a record's subrecord chain before a handler walks it.
#include "records/record_check.h"

#include <algorithm>
#include <cstdio>

#include "records/record_layout.h"

namespace {

// A cell: NAME (any name), DATA of flags, grid X and grid Y; then each
// moved-reference target (CNDT), door destination (DODT) and reference
// position (DATA) holds an X and a Y.
constexpr FieldNeed kCellFields[] = {
    {nullptr, 1, 1, kCellDataSize},
    {"CNDT", 2, kAnyPosition, kXYSize},
    {"DODT", 2, kAnyPosition, kXYSize},
    {"DATA", 2, kAnyPosition, kXYSize},
};
// Land and path grids name their grid, X and Y, in their first subrecord.
constexpr FieldNeed kLandFields[] = {{"INTV", 0, 0, kXYSize}};
constexpr FieldNeed kPathGridFields[] = {{"DATA", 0, 0, kXYSize}};
// A character's packages and travel services hold a destination's X and Y.
constexpr FieldNeed kNpcFields[] = {
    {"AI_T", 0, kAnyPosition, kXYSize},
    {"AI_E", 0, kAnyPosition, kXYSize},
    {"AI_F", 0, kAnyPosition, kXYSize},
    {"DODT", 0, kAnyPosition, kXYSize},
};

std::string describe(const char* format, const std::string& tag, unsigned long long number = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, tag.c_str(), number);
  return text;
}

std::size_t bytesNeeded(const RecordNeeds& needs, const uint8_t* name, std::size_t position) {
  for (const FieldNeed& need : needs.fields) {
    if (position < need.first || position > need.last) continue;
    if (need.name == nullptr || hasTag(name, need.name)) return need.bytes;
  }
  return 0;
}

}  // namespace

const RecordNeeds kCellNeeds{kCellFields, 2, "the cell has no NAME and DATA"};
const RecordNeeds kLandNeeds{kLandFields, 1, "the record has no subrecords"};
const RecordNeeds kPathGridNeeds{kPathGridFields, 1, "the record has no subrecords"};
const RecordNeeds kNpcNeeds{kNpcFields, 0, ""};
const RecordNeeds kNoNeeds{{}, 0, ""};

std::string printableTag(const uint8_t* tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    text += (tag[i] >= 0x20 && tag[i] < 0x7f) ? static_cast<char>(tag[i]) : '?';
  }
  return text;
}

std::optional<std::string> describeRecordDamage(const uint8_t* record, std::size_t recordSize,
                                                const RecordNeeds& needs) {
  if (recordSize < kRecordHeaderSize) return "the record header is cut short";
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  // A subrecord at least as long as every field asked for is long enough
  // whatever its name; most are (a cell's references: NAME, DATA of 24
  // bytes), so that few are looked at by name.
  std::size_t mostNeeded = 0;
  for (const FieldNeed& need : needs.fields) mostNeeded = std::max(mostNeeded, need.bytes);
  // The walk of SubrecordWalk, written out: a master's check passes some
  // 860,000 subrecords, and this loop keeps its place in registers.
  std::size_t position = 0;
  std::size_t at = 0;
  while (at < dataSize) {
    const std::optional<Subrecord> s = subrecordAt(data, dataSize, at);
    if (!s) {
      const std::size_t left = dataSize - at;
      if (left < kSubrecordHeaderSize) {
        return describe("%s%llu stray bytes after the last subrecord", "", left);
      }
      return describe("subrecord %s runs past the end of the record",
                      printableTag(data + at));
    }
    if (s->size < mostNeeded && s->size < bytesNeeded(needs, data + at, position)) {
      return describe("subrecord %s is too short: %llu bytes", printableTag(data + at), s->size);
    }
    at = subrecordEnd(*s);
    ++position;
  }
  if (position < needs.leastSubrecords) return needs.tooFew;
  return std::nullopt;
}
