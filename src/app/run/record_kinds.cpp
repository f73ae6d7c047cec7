// The table of record kinds.
#include "app/run/record_kinds.h"

#include <algorithm>
#include <iterator>

#include "plugin/cell_handler.h"
#include "plugin/land_handler.h"
#include "plugin/npc_handler.h"
#include "records/record_layout.h"
#include "script/script_text.h"

namespace {

// In the order the run log names them.
const RecordKind kRecordKinds[] = {
    {"CELL", 'C', &kCellNeeds, &RunCounters::cellsFound, scanCell, handleCell,
     kStartsCell | kCountedInScan,
     {{1, "Total CELL records found:                     ", &RunCounters::cellsFound},
      {4, "Total objects modified/found:                 ", &RunCounters::objectsModified,
       &RunCounters::objectsFound}}},
    {"LAND", 'L', &kLandNeeds, &RunCounters::landsFound, nullptr, handleLand,
     kShownTwice | kCountedInScan,
     {{2, "Total LAND records found:                     ", &RunCounters::landsFound},
      {3, "Total CELL/LAND records modified or copied:   ",
       &RunCounters::cellsAndLandsModified}},
     kLandHandlerReach},
    {"SCPT", 'S', &kNoNeeds, &RunCounters::scriptsFound, nullptr, rewriteScriptRecord,
     kScriptText,
     {{5, "Total Script Commands modified/Scripts found: ",
       &RunCounters::scriptCommandsModified, &RunCounters::scriptsFound}}},
    {"NPC_", 'N', &kNpcNeeds, nullptr, nullptr, handleNpc, kLineEndAfter,
     {{8, "Total AI Packages     modified/found:         ", &RunCounters::aiPackagesModified,
       &RunCounters::aiPackagesFound},
      {9, "Total Travel Services modified/found:         ", &RunCounters::travelModified,
       &RunCounters::travelFound}}},
    {"PGRD", 'P', &kPathGridNeeds, &RunCounters::pathGridsFound, nullptr, handlePathGrid,
     kLineEndAfter,
     {{7, "Total Path Grids      modified/found:         ", &RunCounters::pathGridsModified,
       &RunCounters::pathGridsFound}}},
    {"INFO", 'I', &kNoNeeds, &RunCounters::dialogFound, nullptr, rewriteDialogueRecord,
     kScriptText,
     {{6, "Total Dialog entries  modified/found:         ", &RunCounters::dialogModified,
       &RunCounters::dialogFound}}},
};

}  // namespace

const RecordKind* recordKindOf(const uint8_t* type) {
  for (const RecordKind& kind : kRecordKinds) {
    if (hasTag(type, kind.type)) return &kind;
  }
  return nullptr;
}

std::vector<SummaryLine> summaryLines() {
  std::vector<SummaryLine> lines;
  for (const RecordKind& kind : kRecordKinds) {
    for (const SummaryLine& line : kind.summary) {
      if (line.place != 0) lines.push_back(line);
    }
  }
  std::sort(lines.begin(), lines.end(),
            [](const SummaryLine& a, const SummaryLine& b) { return a.place < b.place; });
  return lines;
}

const std::string& handledTypesText() {
  static const std::string text = [] {
    std::string list;
    const std::size_t count = std::size(kRecordKinds);
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) list += i + 1 == count ? " or " : ", ";
      list.append(kRecordKinds[i].type, kTagSize);
    }
    return list;
  }();
  return text;
}
