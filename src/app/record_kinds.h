// The record kinds quendrel handles, one row each: the record type, the
// progress character shown for it, what its subrecords must hold before it is
// handled, the summary count it adds to, and its handler. A record of any
// other type is written as read. Adding a record type whose positions move
// is one row here and one handler.
#pragma once

#include <cstdint>

#include "records/record_check.h"
#include "plugin/run_context.h"

using RecordHandler = OutputDecision (*)(RunContext&, RecordInHand&);

// What sets a kind apart in the passes.
enum RecordTrait : unsigned {
  kHandledInBothPasses = 1,  // handled in the scan pass too, not only in the write pass
  kStartsCell = 2,           // the names of the last cell are forgotten before it is handled
  kShownTwice = 4,           // its progress character shows twice in the write pass
  kScriptText = 8,           // left alone under -d (counted all the same)
  kLineEndAfter = 16,        // under -v, the write pass ends its log line after the handler
};

struct RecordKind {
  const char* type;
  char progress;
  const RecordNeeds* needs;
  int32_t RunCounters::*found;  // counted once for every record, in the pass below
  int countedInPass;
  RecordHandler handler;
  unsigned traits;
  bool has(RecordTrait trait) const { return (traits & trait) != 0; }
};

// The row for the record's type; null for a type quendrel does not handle.
const RecordKind* recordKindOf(const uint8_t* type);
