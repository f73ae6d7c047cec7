// Checking a record's subrecord chain before a handler walks it.
#include "records/record_check.h"

#include <cstdio>

#include "records/record_layout.h"
#include "records/subrecords.h"

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

std::size_t bytesNeeded(const RecordNeeds& needs, const WalkedSubrecord& s, std::size_t position) {
  for (const FieldNeed& need : needs.fields) {
    if (position < need.first || position > need.last) continue;
    if (need.name == nullptr || s.is(need.name)) return need.bytes;
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
  std::size_t position = 0;
  SubrecordWalk walk(data, dataSize);
  for (const WalkedSubrecord& s : walk) {
    const std::size_t needed = bytesNeeded(needs, s, position);
    if (s.size < needed) {
      return describe("subrecord %s is too short: %llu bytes", printableTag(s.name), s.size);
    }
    ++position;
  }
  if (walk.overran()) {
    const std::size_t left = dataSize - walk.offset();
    if (left < kSubrecordHeaderSize) {
      return describe("%s%llu stray bytes after the last subrecord", "", left);
    }
    return describe("subrecord %s runs past the end of the record",
                    printableTag(data + walk.offset()));
  }
  if (position < needs.leastSubrecords) return needs.tooFew;
  return std::nullopt;
}
