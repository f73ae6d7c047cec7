// The table of record kinds.
#include "app/record_kinds.h"

#include "plugin/cell_handler.h"
#include "plugin/land_handler.h"
#include "plugin/npc_handler.h"
#include "records/record_layout.h"
#include "script/script_text.h"

namespace {

// In the order the passes test the types.
const RecordKind kRecordKinds[] = {
    {"CELL", 'C', &kCellNeeds, &RunCounters::cellsFound, 1, handleCell,
     kHandledInBothPasses | kStartsCell},
    {"LAND", 'L', &kLandNeeds, &RunCounters::landsFound, 1, handleLand, kShownTwice},
    {"SCPT", 'S', &kNoNeeds, &RunCounters::scriptsFound, 2, rewriteScriptRecord, kScriptText},
    {"INFO", 'I', &kNoNeeds, &RunCounters::dialogFound, 2, rewriteDialogueRecord, kScriptText},
    {"PGRD", 'P', &kPathGridNeeds, &RunCounters::pathGridsFound, 2, handlePathGrid,
     kLineEndAfter},
    {"NPC_", 'N', &kNpcNeeds, nullptr, 2, handleNpc, kLineEndAfter},
};

}  // namespace

const RecordKind* recordKindOf(const uint8_t* type) {
  for (const RecordKind& kind : kRecordKinds) {
    if (hasTag(type, kind.type)) return &kind;
  }
  return nullptr;
}
