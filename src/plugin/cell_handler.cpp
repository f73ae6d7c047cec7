// The CELL handler: the cell header (NAME, DATA, RGNN and an interior
// marker), the rules' verdict on the cell, and in the write pass the walk
// over the cell's moved-reference markers and placed references.
#include "plugin/cell_handler.h"

#include <cstdio>
#include <optional>

#include "base/report.h"
#include "base/run_state.h"
#include "plugin/plugin_cells.h"
#include "plugin/references.h"
#include "plugin/record_layout.h"
#include "plugin/text_fields.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

bool writePass() { return runOptions.pass == 2; }

void logText(const std::string& text) { appendRunLog(text); }

// " [EXTERIOR] " and the cell's name, region and grid.
void logExteriorDescription() {
  logText(" [EXTERIOR] ");
  if (cellState.cellName[0] != '\0') {
    logText(formatMessage(" \"%s\" ", cellState.cellName));
  } else {
    logText("(Cell has no name) ");
  }
  if (cellState.regionName[0] != '\0') {
    logText(formatMessage(" \"%s\" ", cellState.regionName));
  } else {
    logText("(No Associated Region) ");
  }
  logText(formatMessage(" (%d, %d) ", cellState.oldX, cellState.oldY));
}

bool isMove() { return outputDecision.writeOriginal == kNo && outputDecision.writeModified == kYes; }

// A moved-reference marker names the cell its reference now stands in. Only a
// move of that cell carries the marker along; the containing cell's fate is
// not the marker's to decide. Returns the grids the following reference is
// shifted between.
ReferenceShift handleMovedReferenceMarker(uint8_t* cndt) {
  const OutputDecision cellDecision = outputDecision;
  const int32_t cellsAndLandsModified = runCounters.cellsAndLandsModified;
  const GridCell target = readGrid(cndt);
  const int32_t targetX = target.x;
  const int32_t targetY = target.y;
  auto loadTarget = [&] {
    cellState.oldX = cellState.newX = targetX;
    cellState.oldY = cellState.newY = targetY;
    std::snprintf(cellState.regionName, sizeof cellState.regionName, "%s",
                  regionOfPluginCell(targetX, targetY));
  };
  // Asked quietly first: a copy or deletion of the target is no business of
  // this cell and must leave no note in the run log.
  loadTarget();
  runOptions.pass = 1;
  evaluateRules(kRulesFile);
  runOptions.pass = 2;
  bool moved = isMove() && (cellState.newX != targetX || cellState.newY != targetY);
  ReferenceShift shift{targetX, targetY, targetX, targetY};
  if (moved) {
    loadTarget();
    outputDecision = cellDecision;
    evaluateRules(kRulesFile);  // again, for the rule's note in the run log
    writeGrid(cndt, {cellState.newX, cellState.newY});
    appendRunLog(formatMessage("- (MVRF-CNTD) MODIFIED to (%d, %d).\n", cellState.newX,
                               cellState.newY));
    shift = ReferenceShift{targetX, targetY, cellState.newX, cellState.newY};
  }
  outputDecision = cellDecision;
  runCounters.cellsAndLandsModified = cellsAndLandsModified;
  if (moved && outputDecision.writeOriginal == kYes && outputDecision.writeModified == kNo) {
    writeModifiedOnly(outputDecision);
  }
  return shift;
}

// The write pass's walk over the rest of the cell.
void walkCellContents(uint8_t* data, std::size_t dataSize, std::size_t offset,
                      uint8_t* originalData) {
  const ReferenceShift cellShift{cellState.oldX, cellState.oldY, cellState.newX, cellState.newY};
  const bool interior = cellState.isInterior != 0;
  // A moved-reference marker decides the shift of the one reference behind it.
  ReferenceShift markerShift = cellShift;
  bool markerPending = false;
  while (offset < dataSize) {
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    if (!subrecord) return;
    const uint8_t* name = data + offset;
    if (hasTag(name, "CNDT")) {
      if (!interior) {
        markerShift = handleMovedReferenceMarker(data + offset + kSubrecordHeaderSize);
        markerPending = true;
      }
      offset = subrecordEnd(*subrecord);
    } else if (hasTag(name, "FRMR")) {
      ++runCounters.objectsFound;
      ReferenceShift shift = markerPending ? markerShift : cellShift;
      markerPending = false;
      ReferenceWalk walk{data, dataSize, originalData, interior, shift};
      offset += handleReference(walk, offset);
    } else {
      offset = subrecordEnd(*subrecord);
    }
  }
}

}  // namespace

void handleCell(uint8_t* data, uint32_t recordSize, uint8_t* originalData) {
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  // The record check guarantees NAME and a 12-byte DATA.
  std::optional<Subrecord> nameRecord = subrecordAt(data, dataSize, 0);
  if (!nameRecord) return;
  std::optional<Subrecord> cellData = subrecordAt(data, dataSize, subrecordEnd(*nameRecord));
  if (!cellData || cellData->size < kCellDataSize) return;

  uint8_t* nameText = data + kSubrecordHeaderSize;
  copySubrecordText(cellState.cellName, sizeof cellState.cellName, nameText, nameRecord->size);
  const uint8_t* fields = data + cellData->offset + kSubrecordHeaderSize;
  cellState.isInterior = (readU32(fields + kCellFlagsOffset) & 1) != 0;
  const GridCell grid = readGrid(fields + kCellGridOffset);
  cellState.oldX = cellState.newX = grid.x;
  cellState.oldY = cellState.newY = grid.y;

  std::size_t offset = subrecordEnd(*cellData);
  std::optional<Subrecord> next = subrecordAt(data, dataSize, offset);
  if (next && hasTag(data + offset, "RGNN")) {
    copySubrecordText(cellState.regionName, sizeof cellState.regionName,
                      data + offset + kSubrecordHeaderSize, next->size);
    offset = subrecordEnd(*next);
    next = subrecordAt(data, dataSize, offset);
  }
  if (next && (hasTag(data + offset, "INTV") || hasTag(data + offset, "AMBI") ||
               hasTag(data + offset, "WHGT"))) {
    cellState.isInterior = 1;
    offset = subrecordEnd(*next);
  }

  if (cellState.isInterior) {
    cellState.regionName[0] = '\0';
    if (writePass() && runOptions.verbose) {
      appendRunLog(formatMessage(" [INTERIOR] \"%s\" ", cellState.cellName));
    }
    evaluateRules(kRulesFile, reinterpret_cast<char*>(nameText), nameRecord->size);
    if (writePass() && runOptions.verbose) appendRunLog("\n");
    if (!writePass()) appendInteriorName(cellState.cellName);
  } else {
    if (!writePass()) {
      rememberExteriorCell(cellState.oldX, cellState.oldY, cellState.regionName);
    }
    if (runOptions.listCells) {
      appendCellLog();
      return;
    }
    if (writePass() && runOptions.verbose) logExteriorDescription();
    evaluateRules(kRulesFile);
    if (cellState.newX == cellState.oldX && cellState.newY == cellState.oldY) {
      if (writePass() && runOptions.verbose) appendRunLog("\n");
    } else if (!writePass()) {
      if (outputDecision.writeOriginal == kNo) {
        appendChange(cellState.oldX, cellState.oldY, cellState.newX - cellState.oldX,
                     cellState.newY - cellState.oldY);
      }
      return;
    } else {
      if (!runOptions.verbose) logExteriorDescription();
      uint8_t* fields = data + cellData->offset + kSubrecordHeaderSize;
      writeGrid(fields + kCellGridOffset, {cellState.newX, cellState.newY});
      ++runCounters.cellsAndLandsModified;
      appendRunLog(formatMessage("- MODIFIED to (%d, %d).\n", cellState.newX, cellState.newY));
    }
  }
  if (!writePass() || runOptions.listCells) return;
  walkCellContents(data, dataSize, offset, originalData);
}

void appendCellLog() {
  std::FILE* file = std::fopen(kCellListFile, "ab");
  if (file == nullptr) {
    failRun("Unable to open %s for writing a list of the cells in your ESP file: %s\n",
            kCellListFile, systemErrorText());
  }
  std::fprintf(file, "# (%d,%d)\t\"%s\"\t\"%s\"\r\n%d, %d\r\n", cellState.oldX, cellState.oldY,
               cellState.cellName, cellState.regionName, cellState.oldX, cellState.oldY);
  std::fflush(file);
  std::fclose(file);
}
