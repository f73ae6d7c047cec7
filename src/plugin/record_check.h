// The one check every handled record passes before its handler runs: its
// subrecords must lie wholly inside it, and every subrecord a handler reads
// a field from must be long enough for that field. A record that fails is
// written on unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// What is wrong with the record (whole record, header included), or nothing.
std::optional<std::string> describeRecordDamage(const uint8_t* record, std::size_t recordSize);

// Four name bytes as printable text: bytes outside printable ASCII become '?'.
std::string printableTag(const uint8_t* tag);
