// The CELL handler: the cell header (NAME, DATA, RGNN and an interior
// marker), the rules' verdict on the cell, and in the write pass the walk
// over the cell's moved-reference markers and placed references.
#include "plugin/cell_handler.h"

#include <optional>

#include "base/report.h"
#include "base/text_format.h"
#include "records/cell_header.h"
#include "records/record_layout.h"
#include "plugin/references.h"
#include "plugin/rule_verdict.h"
#include "records/subrecords.h"
#include "rules/rules.h"

const char* const kCellListFile = "cell_log.txt";

namespace {

// " [EXTERIOR] " and the cell's name, region and grid.
void logExteriorDescription(RunLog& log, const CellHeader& cell) {
  log.append(" [EXTERIOR] ");
  if (!cell.name.empty()) {
    log.append(formatted(" \"%s\" ", cell.name.c_str()));
  } else {
    log.append("(Cell has no name) ");
  }
  if (!cell.region.empty()) {
    log.append(formatted(" \"%s\" ", cell.region.c_str()));
  } else {
    log.append("(No Associated Region) ");
  }
  log.append(formatted(" (%d, %d) ", cell.grid.x, cell.grid.y));
}

// The cell's two lines in cell_log.txt.
void appendCellLog(RunFile& file, const CellHeader& cell) {
  const std::string lines =
      formatted("# (%d,%d)\t\"%s\"\t\"%s\"\r\n%d, %d\r\n", cell.grid.x, cell.grid.y,
                cell.name.c_str(), cell.region.c_str(), cell.grid.x, cell.grid.y);
  if (!file.append(lines)) {
    failRun("Unable to open %s for writing a list of the cells in your ESP file: %s\n",
            kCellListFile, systemErrorText());
  }
}

// A moved-reference marker names the cell its reference now stands in. Only a
// move of that cell carries the marker along, with the rule's note in the run
// log; a copy or deletion of the target is no business of this cell and
// leaves no note. Returns the grids the following reference is shifted
// between.
ReferenceShift handleMovedReferenceMarker(RunContext& context, uint8_t* cndt,
                                          OutputDecision& decision) {
  const GridCell target = readGrid(cndt);
  const char* region = context.facts.regionAt(target);
  const RuleVerdict verdict = evaluateRules(
      context.rules, exteriorLocation(target.x, target.y, region != nullptr ? region : ""));
  const GridCell to{verdict.newX, verdict.newY};
  if (verdict.fate != CellFate::kMoved || to == target) {
    return ReferenceShift{target.x, target.y, target.x, target.y};
  }
  logVerdictNotes(context.log, verdict);
  writeGrid(cndt, to);
  context.log.append(formatted("- (MVRF-CNTD) MODIFIED to (%d, %d).\n", to.x, to.y));
  if (decision.writeOriginal && !decision.writeModified) writeModifiedOnly(decision);
  return ReferenceShift{target.x, target.y, to.x, to.y};
}

// The write pass's walk over the rest of the cell.
void walkCellContents(RunContext& context, RecordInHand& record, std::size_t offset,
                      bool interior, const ReferenceShift& cellShift, OutputDecision& decision) {
  uint8_t* data = record.modifiedData();
  const std::size_t dataSize = record.dataSize();
  // A moved-reference marker decides the shift of the one reference behind it.
  ReferenceShift markerShift = cellShift;
  bool markerPending = false;
  SubrecordWalk walk(data, dataSize, offset);
  for (const WalkedSubrecord& s : walk) {
    if (s.is("CNDT")) {
      if (!interior) {
        markerShift = handleMovedReferenceMarker(context, data + s.dataOffset(), decision);
        markerPending = true;
      }
    } else if (s.is("FRMR")) {
      ++context.counters.objectsFound;
      const ReferenceShift shift = markerPending ? markerShift : cellShift;
      markerPending = false;
      const ReferenceWalk reference{data,     dataSize, record.originalData(),
                                    interior, shift,    decision};
      walk.continueAt(handleReference(context, reference, s.offset));
    }
  }
}

}  // namespace

OutputDecision handleCell(RunContext& context, RecordInHand& record) {
  OutputDecision decision;
  const RunOptions& options = context.options;
  const bool writePass = context.writePass();
  RunLog& log = context.log;
  uint8_t* data = record.modifiedData();
  // The record check guarantees NAME and a 12-byte DATA.
  const std::optional<CellHeader> header = readCellHeader(data, record.dataSize());
  if (!header) return decision;
  context.lastCellName = header->name;
  const GridCell grid = header->grid;
  ReferenceShift shift{grid.x, grid.y, grid.x, grid.y};

  if (header->interior) {
    if (writePass && options.verbose) {
      log.append(formatted(" [INTERIOR] \"%s\" ", header->name.c_str()));
    }
    const RuleVerdict verdict = evaluateRules(context.rules, interiorLocation(header->name.c_str()));
    decision = takeVerdict(context, verdict, decision);
    writeCopyNames(verdict,
                   reinterpret_cast<char*>(data + header->nameRecord.offset + kSubrecordHeaderSize),
                   header->nameRecord.size);
    if (writePass && options.verbose) log.append("\n");
    if (!writePass) {
      noteInteriorName(context.files.interiorList, context.facts.interiors, log, header->name);
    }
  } else {
    if (!writePass) context.facts.regions.note(grid, header->region);
    if (options.listCells) {
      appendCellLog(context.files.cellList, *header);
      return decision;
    }
    if (writePass && options.verbose) logExteriorDescription(log, *header);
    const RuleVerdict verdict = evaluateRules(
        context.rules, exteriorLocation(grid.x, grid.y, header->region.c_str()));
    decision = takeVerdict(context, verdict, decision);
    const GridCell to{verdict.newX, verdict.newY};
    if (to == grid) {
      if (writePass && options.verbose) log.append("\n");
    } else if (!writePass) {
      // Only moves are followed; a copy leaves its original where it is.
      if (!decision.writeOriginal) {
        noteMove(context.files.changeList, context.facts.moves,
                 CellMove{grid, GridCell{to.x - grid.x, to.y - grid.y}});
      }
      return decision;
    } else {
      if (!options.verbose) logExteriorDescription(log, *header);
      writeGrid(data + header->gridOffset, to);
      ++context.counters.cellsAndLandsModified;
      log.append(formatted("- MODIFIED to (%d, %d).\n", to.x, to.y));
      shift = ReferenceShift{grid.x, grid.y, to.x, to.y};
    }
  }
  if (!writePass || options.listCells) return decision;
  walkCellContents(context, record, header->end, header->interior, shift, decision);
  return decision;
}
