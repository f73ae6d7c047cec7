// The LAND and PGRD handlers.
#include "plugin/land_handler.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/ascii.h"
#include "base/text_format.h"
#include "records/cell_header.h"
#include "records/record_layout.h"
#include "plugin/rule_verdict.h"
#include "records/subrecords.h"
#include "records/text_fields.h"
#include "rules/rules.h"

namespace {

// Land and path grids come after all cells in a plugin, so the region a rule
// sees for them is that of the plugin's own cell at their grid. Land with no
// cell of the plugin at its grid (a stray edit, or land whose cell is the
// master's) has no region at all: no region rule moves it, rules for every
// cell and for its grid do.
CellLocation landLocation(const ScanFacts& facts, GridCell grid) {
  return exteriorLocation(grid.x, grid.y, facts.regionAt(grid));
}
// A path grid is rewritten only where the plugin's own cell moved.
CellLocation pathGridLocation(const ScanFacts& facts, GridCell grid) {
  const char* region = facts.regionAt(grid);
  return exteriorLocation(grid.x, grid.y, region != nullptr ? region : "");
}

// Every interior path grid carries the grid (0, 0) and names its cell; such
// a grid belongs to no exterior cell and never moves. The interior cell list
// holds every interior cell of the plugin, and the user's own list others.
// An empty name is never an interior cell's (an exterior cell without a name
// gives its path grid an empty one), whatever blank lines the lists hold.
bool namesInteriorCell(const WriteInputs& in, const uint8_t* data, std::size_t dataSize) {
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (!s.is("NAME")) continue;
    char name[kNameFieldSize];
    copySubrecordText(name, sizeof name, data + s.dataOffset(), s.size);
    lowerCaseCopy(name, std::strlen(name), name);
    return name[0] != '\0' && in.interiors().isInteriorCellQuietly(name);
  }
  return false;
}

// The grid subrecord a LAND or PGRD record starts with: `name`, holding grid
// X and Y. When the record starts otherwise, the warning (a format taking the
// four name bytes found) goes to the run log and nothing is returned.
// The grid that leads the data; `available` of its bytes are at hand.
uint8_t* leadingGrid(RunLog& log, uint8_t* data, std::size_t available, std::size_t dataSize,
                     const char* name, const char* warning) {
  if (beginsWithGrid(data, available, dataSize, name)) return data + kSubrecordHeaderSize;
  auto byte = [&](std::size_t i) { return dataSize >= 4 ? data[i] : ' '; };
  log.append(formatted(warning, byte(0), byte(1), byte(2), byte(3)));
  return nullptr;
}

}  // namespace

OutputDecision handleLand(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  OutputDecision decision;
  RunLog& log = state.log;
  const bool verbose = in.options.verbose;
  uint8_t* grid = leadingGrid(
      log, record.modifiedData(), std::min(record.dataSize(), kLandHandlerReach - kRecordHeaderSize),
      record.dataSize(), "INTV",
      "WARNING: I couldn't find the INTV header (got [%c%c%c%c] - ignoring record.\n");
  if (grid == nullptr) return decision;
  const GridCell from = readGrid(grid);
  if (in.facts.regionAt(from) == nullptr) state.seen.landWithoutCell.push_back(from);
  if (verbose) log.append(formatted("LAND co-ords: (%d, %d) ", from.x, from.y));
  const RuleVerdict verdict = evaluateRules(in.rules, landLocation(in.facts, from));
  decision = takeVerdict(state, verdict, decision);
  const GridCell to{verdict.newX, verdict.newY};
  if (to == from) {
    if (verbose) log.append("\n");
    return decision;
  }
  writeGrid(grid, to);
  ++state.counters.cellsAndLandsModified;
  if (!verbose) log.append(formatted("LAND co-ords: (%d, %d), ", from.x, from.y));
  log.append(formatted(" - MODIFIED to (%d, %d)\n", to.x, to.y));
  return decision;
}

OutputDecision handlePathGrid(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  OutputDecision decision;
  RunLog& log = state.log;
  const bool verbose = in.options.verbose;
  uint8_t* data = record.modifiedData();
  const std::size_t dataSize = record.dataSize();
  uint8_t* grid = leadingGrid(log, data, dataSize, dataSize, "DATA",
                              "Unknown field in PGRD entry - expected DATA, but found: %c%c%c%c\n");
  if (grid == nullptr) return decision;
  const GridCell from = readGrid(grid);
  if (verbose) {
    log.append(" [PATH GRID] ");
    if (!state.lastCellName.empty()) {
      log.append(formatted(" \"%s\" ", state.lastCellName.c_str()));
    } else {
      log.append("(Path Grid has no name) ");
    }
    log.append(formatted(" (%d, %d) ", from.x, from.y));
  }
  if (namesInteriorCell(in, data, dataSize)) return decision;
  const std::optional<GridCell> offset = in.facts.moves.find(from);
  if (!offset) return decision;
  const int64_t newX = int64_t{from.x} + offset->x;
  const int64_t newY = int64_t{from.y} + offset->y;
  if (newX < INT32_MIN || newX > INT32_MAX || newY < INT32_MIN || newY > INT32_MAX) {
    return decision;
  }
  // The rules decide what is written; the new grid is the change list's.
  decision =
      takeVerdict(state, evaluateRules(in.rules, pathGridLocation(in.facts, from)), decision);
  const GridCell to{static_cast<int32_t>(newX), static_cast<int32_t>(newY)};
  writeGrid(grid, to);
  ++state.counters.pathGridsModified;
  if (!verbose) {
    log.append(" [PATH GRID] ");
    log.append(formatted(" (%d, %d) ", from.x, from.y));
  }
  log.append(formatted("- MODIFIED to (%d, %d).\n", to.x, to.y));
  return decision;
}
