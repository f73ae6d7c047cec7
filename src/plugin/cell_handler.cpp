// The CELL handler: the cell header (NAME, DATA, RGNN and an interior
// marker), the rules' verdict on the cell, and in the write pass the walk
// over the cell's moved-reference markers and placed references.
#include "plugin/cell_handler.h"

#include <cstdio>
#include <optional>

#include "base/report.h"
#include "base/run_files.h"
#include "base/run_state.h"
#include "plugin/cell_header.h"
#include "plugin/plugin_cells.h"
#include "plugin/references.h"
#include "plugin/record_layout.h"
#include "plugin/rule_verdict.h"
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

// A moved-reference marker names the cell its reference now stands in. Only a
// move of that cell carries the marker along, with the rule's note in the run
// log; a copy or deletion of the target is no business of this cell and
// leaves no note. Returns the grids the following reference is shifted
// between.
ReferenceShift handleMovedReferenceMarker(const RuleTable& rules, uint8_t* cndt) {
  const GridCell target = readGrid(cndt);
  cellState.oldX = cellState.newX = target.x;
  cellState.oldY = cellState.newY = target.y;
  std::snprintf(cellState.regionName, sizeof cellState.regionName, "%s",
                regionOfPluginCell(target.x, target.y));
  const RuleVerdict verdict =
      evaluateRules(rules, exteriorLocation(target.x, target.y, cellState.regionName));
  const GridCell to{verdict.newX, verdict.newY};
  if (verdict.fate != CellFate::kMoved || to == target) {
    return ReferenceShift{target.x, target.y, target.x, target.y};
  }
  logVerdictNotes(verdict);
  cellState.newX = to.x;
  cellState.newY = to.y;
  writeGrid(cndt, to);
  appendRunLog(formatMessage("- (MVRF-CNTD) MODIFIED to (%d, %d).\n", to.x, to.y));
  if (outputDecision.writeOriginal == kYes && outputDecision.writeModified == kNo) {
    writeModifiedOnly(outputDecision);
  }
  return ReferenceShift{target.x, target.y, to.x, to.y};
}

// The write pass's walk over the rest of the cell.
void walkCellContents(const RuleTable& rules, uint8_t* data, std::size_t dataSize,
                      std::size_t offset, uint8_t* originalData) {
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
        markerShift = handleMovedReferenceMarker(rules, data + offset + kSubrecordHeaderSize);
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

void handleCell(const RuleTable& rules, uint8_t* data, uint32_t recordSize,
                uint8_t* originalData) {
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  // The record check guarantees NAME and a 12-byte DATA.
  const std::optional<CellHeader> header = readCellHeader(data, dataSize);
  if (!header) return;
  std::snprintf(cellState.cellName, sizeof cellState.cellName, "%s", header->name.c_str());
  std::snprintf(cellState.regionName, sizeof cellState.regionName, "%s", header->region.c_str());
  cellState.isInterior = header->interior;
  cellState.oldX = cellState.newX = header->grid.x;
  cellState.oldY = cellState.newY = header->grid.y;

  if (cellState.isInterior) {
    cellState.regionName[0] = '\0';
    if (writePass() && runOptions.verbose) {
      appendRunLog(formatMessage(" [INTERIOR] \"%s\" ", cellState.cellName));
    }
    const RuleVerdict verdict = evaluateRules(rules, interiorLocation(cellState.cellName));
    takeVerdict(verdict);
    writeCopyNames(verdict, reinterpret_cast<char*>(data + header->nameRecord.offset +
                                                    kSubrecordHeaderSize),
                   header->nameRecord.size);
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
    const RuleVerdict verdict = evaluateRules(
        rules, exteriorLocation(cellState.oldX, cellState.oldY, cellState.regionName));
    takeVerdict(verdict);
    cellState.newX = verdict.newX;
    cellState.newY = verdict.newY;
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
      writeGrid(data + header->gridOffset, {cellState.newX, cellState.newY});
      ++runCounters.cellsAndLandsModified;
      appendRunLog(formatMessage("- MODIFIED to (%d, %d).\n", cellState.newX, cellState.newY));
    }
  }
  if (!writePass() || runOptions.listCells) return;
  walkCellContents(rules, data, dataSize, header->end, originalData);
}

RunFile cellListFile{kCellListFile};

void appendCellLog() {
  const std::string& lines =
      formatMessage("# (%d,%d)\t\"%s\"\t\"%s\"\r\n%d, %d\r\n", cellState.oldX, cellState.oldY,
                    cellState.cellName, cellState.regionName, cellState.oldX, cellState.oldY);
  if (!appendToRunFile(cellListFile, lines.data(), lines.size())) {
    failRun("Unable to open %s for writing a list of the cells in your ESP file: %s\n",
            kCellListFile, systemErrorText());
  }
}
