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
#include "world/pointers.h"

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
ReferenceShift handleMovedReferenceMarker(const WriteInputs& in, WriteState& state, uint8_t* cndt,
                                          OutputDecision& decision) {
  const GridCell target = readGrid(cndt);
  const char* region = in.facts.regionAt(target);
  const RuleVerdict verdict = evaluateRules(
      in.rules, exteriorLocation(target.x, target.y, region != nullptr ? region : ""));
  const GridCell to{verdict.newX, verdict.newY};
  if (verdict.fate != CellFate::kMoved || to == target) {
    return ReferenceShift{target.x, target.y, target.x, target.y};
  }
  logVerdictNotes(state.log, verdict);
  writeGrid(cndt, to);
  state.log.append(formatted("- (MVRF-CNTD) MODIFIED to (%d, %d).\n", to.x, to.y));
  if (decision.writeOriginal && !decision.writeModified) writeModifiedOnly(decision);
  return ReferenceShift{target.x, target.y, to.x, to.y};
}

// The write pass's walk over the rest of the cell.
void walkCellContents(const WriteInputs& in, WriteState& state, RecordInHand& record, std::size_t offset,
                      bool interior, const ReferenceShift& cellShift, OutputDecision& decision) {
  uint8_t* data = record.modifiedData();
  const std::size_t dataSize = record.dataSize();
  // A moved-reference marker decides the shift of the one reference behind it.
  ReferenceShift markerShift = cellShift;
  bool markerPending = false;
  SubrecordWalk walk(data, dataSize, offset);
  for (const WalkedSubrecord& s : walk) {
    if (pointerRow(PointerKind::kMarker).holdsSubrecord(s)) {
      if (!interior) {
        markerShift = handleMovedReferenceMarker(in, state, data + s.dataOffset(), decision);
        markerPending = true;
      }
    } else if (s.is("FRMR")) {
      ++state.counters.objectsFound;
      const ReferenceShift shift = markerPending ? markerShift : cellShift;
      markerPending = false;
      const ReferenceWalk reference{data,     dataSize, record.originalData(),
                                    interior, shift,    decision};
      walk.continueAt(handleReference(in, state, reference, s.offset));
    }
  }
}

}  // namespace

void scanCell(const ScanInputs& in, ScanState& scan, RecordInHand& record) {
  const uint8_t* data = record.originalData();
  // The record check guarantees NAME and a 12-byte DATA.
  const std::optional<CellHeader> header = readCellHeader(data, record.dataSize());
  if (!header) return;
  scan.lastCellName = header->name;
  if (header->interior) {
    noteInteriorName(scan.files.interiorList, scan.facts.interiors, scan.log, header->name);
    scan.seen.interiors.push_back(header->name);
    return;
  }
  const GridCell grid = header->grid;
  scan.facts.regions.note(grid, header->region);
  scan.seen.cells.emplace_back(grid, header->region);
  if (in.options.listCells) {
    appendCellLog(scan.files.cellList, *header);
    return;
  }
  const RuleVerdict verdict =
      evaluateRules(in.rules, exteriorLocation(grid.x, grid.y, header->region.c_str()));
  const GridCell to{verdict.newX, verdict.newY};
  // Only moves are followed; a copy leaves its original where it is.
  if (to != grid && !decideByVerdict(verdict, OutputDecision{}).writeOriginal) {
    noteMove(scan.files.changeList, scan.facts.moves,
             CellMove{grid, GridCell{to.x - grid.x, to.y - grid.y}});
  }
}

OutputDecision handleCell(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  OutputDecision decision;
  const RunOptions& options = in.options;
  RunLog& log = state.log;
  uint8_t* data = record.modifiedData();
  // The record check guarantees NAME and a 12-byte DATA.
  const std::optional<CellHeader> header = readCellHeader(data, record.dataSize());
  if (!header) return decision;
  state.lastCellName = header->name;
  const GridCell grid = header->grid;
  ReferenceShift shift{grid.x, grid.y, grid.x, grid.y};

  if (header->interior) {
    if (options.verbose) log.append(formatted(" [INTERIOR] \"%s\" ", header->name.c_str()));
    const RuleVerdict verdict = evaluateRules(in.rules, interiorLocation(header->name.c_str()));
    decision = takeVerdict(state, verdict, decision);
    writeCopyNames(verdict,
                   reinterpret_cast<char*>(data + header->nameRecord.offset + kSubrecordHeaderSize),
                   header->nameRecord.size);
    if (options.verbose) log.append("\n");
  } else {
    if (options.verbose) logExteriorDescription(log, *header);
    const RuleVerdict verdict =
        evaluateRules(in.rules, exteriorLocation(grid.x, grid.y, header->region.c_str()));
    decision = takeVerdict(state, verdict, decision);
    const GridCell to{verdict.newX, verdict.newY};
    if (to == grid) {
      if (options.verbose) log.append("\n");
    } else {
      if (!options.verbose) logExteriorDescription(log, *header);
      writeGrid(data + header->gridOffset, to);
      ++state.counters.cellsAndLandsModified;
      log.append(formatted("- MODIFIED to (%d, %d).\n", to.x, to.y));
      shift = ReferenceShift{grid.x, grid.y, to.x, to.y};
    }
  }
  walkCellContents(in, state, record, header->end, header->interior, shift, decision);
  return decision;
}
