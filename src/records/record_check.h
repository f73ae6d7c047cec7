// The one check every handled record passes before its handler runs: its
// subrecords must lie wholly inside it, and every subrecord a handler reads
// a field from must be long enough for that field. A record that fails is
// written on unchanged. What each kind of record needs is a RecordNeeds of
// its own, named in the table of record kinds; quendrel-map checks cells
// with the very same needs, so that it knows which cells quendrel leaves
// where they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// A subrecord a handler reads `bytes` bytes from: by name (null: whatever
// its name), at the positions first to last among the record's subrecords
// (0 is the first).
struct FieldNeed {
  const char* name;
  std::size_t first, last;
  std::size_t bytes;
};
constexpr std::size_t kAnyPosition = SIZE_MAX;

struct RecordNeeds {
  std::span<const FieldNeed> fields;
  std::size_t leastSubrecords;  // a record with fewer is damaged...
  const char* tooFew;           // ...and this says how
};

extern const RecordNeeds kCellNeeds;
extern const RecordNeeds kLandNeeds;
extern const RecordNeeds kPathGridNeeds;
extern const RecordNeeds kNpcNeeds;
extern const RecordNeeds kNoNeeds;  // subrecords inside the record, nothing more

// What is wrong with the record (whole record, header included), or nothing.
std::optional<std::string> describeRecordDamage(const uint8_t* record, std::size_t recordSize,
                                                const RecordNeeds& needs);

// Four name bytes as printable text: bytes outside printable ASCII become '?'.
std::string printableTag(const uint8_t* tag);
