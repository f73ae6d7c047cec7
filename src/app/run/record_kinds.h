// The record kinds quendrel handles, one row each: the record type, the
// progress character shown for it, what its subrecords must hold before it is
// handled, the summary count it adds to, its summary lines, and its handlers.
// A record of any other type is written as read. Adding a record type whose
// positions move is one row here and one handler: the passes, the closing
// summary and the run log's "ignoring record" line all read this table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/record_check.h"
#include "plugin/run_context.h"

// Reads the record in the scan pass: learns what the write pass needs.
using ScanHandler = void (*)(const ScanInputs&, ScanState&, RecordInHand&);
// Handles the record in the write pass; returns what is written for it.
using WriteHandler = OutputDecision (*)(const WriteInputs&, WriteState&, RecordInHand&);

// What sets a kind apart in the passes.
enum RecordTrait : unsigned {
  kStartsCell = 1,     // the name of the last cell is forgotten before it is handled
  kShownTwice = 2,     // its progress character shows twice in the write pass
  kScriptText = 4,     // left alone under -d (counted all the same)
  kLineEndAfter = 8,   // under -v, the write pass ends its log line after the handler
  kCountedInScan = 16, // counted in the scan pass (so also under -l), not the write pass
};

// One line of the closing summary after its heading: one count, or two
// ("modified/found"). `place` orders the lines of all kinds.
struct SummaryLine {
  int place = 0;  // 0: no line
  const char* label = nullptr;
  int32_t RunCounters::*first = nullptr;
  int32_t RunCounters::*second = nullptr;  // null for a line of one count
};

struct RecordKind {
  const char* type;
  char progress;
  const RecordNeeds* needs;
  int32_t RunCounters::*found;  // counted once for every record (null: not counted)
  ScanHandler scan;             // null: the scan pass steps over the record
  WriteHandler write;
  unsigned traits;
  SummaryLine summary[2];
  // How much of the modified copy the write handler reads and changes, from
  // its first byte; 0: all of it. The pass copies no more, and writes the
  // rest of a modified copy from the record as read.
  std::size_t reach = 0;
  bool has(RecordTrait trait) const { return (traits & trait) != 0; }
};

// The row for the record's type; null for a type quendrel does not handle.
const RecordKind* recordKindOf(const uint8_t* type);

// The summary lines of every kind, in their order.
std::vector<SummaryLine> summaryLines();

// The types the table holds, as the run log names them for any other
// record: "CELL, LAND, SCPT, NPC_, PGRD or INFO".
const std::string& handledTypesText();
