// The LAND and PGRD handlers.
#include "plugin/land_handler.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "base/ascii.h"
#include "base/report.h"
#include "base/run_state.h"
#include "plugin/plugin_cells.h"
#include "plugin/record_layout.h"
#include "plugin/rule_verdict.h"
#include "plugin/text_fields.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

// Land and path grids come after all cells in a plugin, so the region a rule
// sees for them is that of the plugin's own cell at their grid.
void loadExteriorLocation(int32_t x, int32_t y) {
  cellState.oldX = cellState.newX = x;
  cellState.oldY = cellState.newY = y;
  cellState.isInterior = 0;
  std::snprintf(cellState.regionName, sizeof cellState.regionName, "%s", regionOfPluginCell(x, y));
}

CellLocation currentExteriorLocation() {
  return exteriorLocation(cellState.oldX, cellState.oldY, cellState.regionName);
}

// Every interior path grid carries the grid (0, 0) and names its cell; such
// a grid belongs to no exterior cell and never moves. The interior cell list
// holds every interior cell of the plugin, and the user's own list others.
// An empty name is never an interior cell's (an exterior cell without a name
// gives its path grid an empty one), whatever blank lines the lists hold.
bool namesInteriorCell(const uint8_t* data, std::size_t dataSize) {
  std::size_t offset = 0;
  while (offset < dataSize) {
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    if (!subrecord) return false;
    if (hasTag(data + offset, "NAME")) {
      char name[kNameFieldSize];
      copySubrecordText(name, sizeof name, data + offset + kSubrecordHeaderSize, subrecord->size);
      lowerCaseCopy(name, std::strlen(name), name);
      return name[0] != '\0' && isInteriorCellQuietly(name);
    }
    offset = subrecordEnd(*subrecord);
  }
  return false;
}

// The grid subrecord a LAND or PGRD record starts with: `name`, holding grid
// X and Y. When the record starts otherwise, the warning (a format taking the
// four name bytes found) goes to the run log and nothing is returned.
uint8_t* leadingGrid(uint8_t* data, std::size_t dataSize, const char* name, const char* warning) {
  std::optional<Subrecord> first = subrecordAt(data, dataSize, 0);
  if (first && hasTag(data, name) && first->size >= kXYSize) return data + kSubrecordHeaderSize;
  auto byte = [&](std::size_t i) { return dataSize >= 4 ? data[i] : ' '; };
  appendRunLog(formatMessage(warning, byte(0), byte(1), byte(2), byte(3)));
  return nullptr;
}

}  // namespace

void handleLand(const RuleTable& rules, uint8_t* data, uint32_t recordSize) {
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  uint8_t* grid = leadingGrid(
      data, dataSize, "INTV",
      "WARNING: I couldn't find the INTV header (got [%c%c%c%c] - ignoring record.\n");
  if (grid == nullptr) return;
  const GridCell cell = readGrid(grid);
  loadExteriorLocation(cell.x, cell.y);
  if (runOptions.verbose) {
    appendRunLog(formatMessage("LAND co-ords: (%d, %d) ", cellState.oldX, cellState.oldY));
  }
  const RuleVerdict verdict = evaluateRules(rules, currentExteriorLocation());
  takeVerdict(verdict);
  cellState.newX = verdict.newX;
  cellState.newY = verdict.newY;
  if (cellState.newX == cellState.oldX && cellState.newY == cellState.oldY) {
    if (runOptions.verbose) appendRunLog("\n");
    return;
  }
  writeGrid(grid, {cellState.newX, cellState.newY});
  ++runCounters.cellsAndLandsModified;
  if (!runOptions.verbose) {
    appendRunLog(formatMessage("LAND co-ords: (%d, %d), ", cellState.oldX, cellState.oldY));
  }
  appendRunLog(formatMessage(" - MODIFIED to (%d, %d)\n", cellState.newX, cellState.newY));
}

void handlePathGrid(const RuleTable& rules, uint8_t* record, uint32_t recordSize) {
  uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  uint8_t* grid = leadingGrid(data, dataSize, "DATA",
                              "Unknown field in PGRD entry - expected DATA, but found: %c%c%c%c\n");
  if (grid == nullptr) return;
  const auto [x, y] = readGrid(grid);
  cellState.oldX = cellState.newX = x;
  cellState.oldY = cellState.newY = y;
  if (runOptions.verbose) {
    appendRunLog(" [PATH GRID] ");
    if (cellState.cellName[0] != '\0') {
      appendRunLog(formatMessage(" \"%s\" ", cellState.cellName));
    } else {
      appendRunLog("(Path Grid has no name) ");
    }
    appendRunLog(formatMessage(" (%d, %d) ", x, y));
  }
  if (namesInteriorCell(data, dataSize)) return;
  int32_t dX, dY;
  if (!findChange(x, y, dX, dY)) return;
  const int64_t newX = int64_t{x} + dX;
  const int64_t newY = int64_t{y} + dY;
  if (newX < INT32_MIN || newX > INT32_MAX || newY < INT32_MIN || newY > INT32_MAX) return;
  loadExteriorLocation(x, y);
  // The rules decide what is written; the new grid is the change list's.
  takeVerdict(evaluateRules(rules, currentExteriorLocation()));
  cellState.newX = static_cast<int32_t>(newX);
  cellState.newY = static_cast<int32_t>(newY);
  writeGrid(grid, {cellState.newX, cellState.newY});
  ++runCounters.pathGridsModified;
  if (!runOptions.verbose) {
    appendRunLog(" [PATH GRID] ");
    appendRunLog(formatMessage(" (%d, %d) ", x, y));
  }
  appendRunLog(formatMessage("- MODIFIED to (%d, %d).\n", cellState.newX, cellState.newY));
}
