// Rule evaluation: lists the rules of one kind in words at start-up, and
// during the passes decides what becomes of the current cell - where it goes,
// whether its original and a modified copy are written, and what the run log
// says about it.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/report.h"
#include "base/run_state.h"
#include "rules/rule_reader.h"
#include "base/numbers.h"

namespace {

// Parameters 1 to 4 of the rule line just split, read afresh at each use.
int32_t number(int parameter) { return readLeadingInt(ruleFields[parameter]); }
const char* text(int parameter) { return ruleFields[parameter]; }

// Offsets are turned into world units by multiplying by 8192, which must
// still fit in 32 bits.
constexpr int64_t kLargestOffset = 262143;

void writeListingLine(const std::string& line) {
  appendRunLog(line);
  if (runOptions.rulesOnly) std::fwrite(line.data(), 1, line.size(), stdout);
}

// Writes one rule in words. A copy name longer than the cell it copies would
// not fit in the record, so such a rule ends the run here, at start-up.
void listRule(RuleCode code, int n) {
  switch (code) {
    case RuleCode::kTA:
      formatMessage("Rule %d: All external cells will be transposed by (%d, %d) cells.\n", n,
                    number(1), number(2));
      break;
    case RuleCode::kCA:
      formatMessage("Rule %d: All external cells will be copied by an offset of (%d, %d) cells.\n",
                    n, number(1), number(2));
      break;
    case RuleCode::kTR:
      formatMessage("Rule %d: All cells in the region (%s) will be transposed by (%d, %d) cells.\n",
                    n, text(1), number(2), number(3));
      break;
    case RuleCode::kCR:
      formatMessage(
          "Rule %d: A copy of each cell in the region (%s) will be placed at an offset of (%d, "
          "%d) cells.\n",
          n, text(1), number(2), number(3));
      break;
    case RuleCode::kMC:
      formatMessage("Rule %d: Move the cell at (%d, %d) to (%d, %d).\n", n, number(1), number(2),
                    number(3), number(4));
      break;
    case RuleCode::kCE:
      formatMessage("Rule %d: Make a copy of the cell (%d, %d) at (%d, %d).\n", n, number(1),
                    number(2), number(3), number(4));
      break;
    case RuleCode::kTC:
      formatMessage("Rule %d: Move the cell at (%d, %d) by an offset of (%d, %d).\n", n, number(1),
                    number(2), number(3), number(4));
      break;
    case RuleCode::kDA:
      formatMessage("Rule %d: All external cells will be deleted.\n", n);
      break;
    case RuleCode::kDR:
      formatMessage("Rule %d: Any cells within the region (%s) will be deleted.\n", n, text(1));
      break;
    case RuleCode::kDE:
      formatMessage("Rule %d: Any cells found at (%d, %d) will be deleted.\n", n, number(1),
                    number(2));
      break;
    case RuleCode::kCI:
      formatMessage(
          "Rule %d: If an interior cell called (%s) is found, a copy of it called (%s) will be "
          "created.\n",
          n, text(1), text(2));
      break;
    case RuleCode::kDI:
      formatMessage("Rule %d: Any interior cells called (%s) will be deleted.\n", n, text(1));
      break;
    case RuleCode::kNone:
      return;
  }
  writeListingLine(messageBuffer);
  if (code == RuleCode::kCI && std::strlen(text(2)) > std::strlen(text(1))) {
    writeListingLine(formatMessage(
        "   Actually I cannot do this yet: please make the copy name the same size or shorter "
        "than the original cell name: You can rename the copy in TES.\n"));
    endRun(1);
  }
}

bool onGrid(int64_t x, int64_t y) { return x == cellState.oldX && y == cellState.oldY; }

bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

// Moves the cell to (x, y) unless the new position or the offset from the old
// one leaves the range the plugin and the world-unit shifts can hold. A rule
// that would do so is passed over as if it did not match, with a warning in
// the write pass.
bool placeCell(int n, int64_t x, int64_t y) {
  const int64_t offsetX = x - cellState.oldX;
  const int64_t offsetY = y - cellState.oldY;
  const bool fits = fitsInt32(x) && fitsInt32(y) && offsetX >= -kLargestOffset &&
                    offsetX <= kLargestOffset && offsetY >= -kLargestOffset &&
                    offsetY <= kLargestOffset;
  if (!fits) {
    if (runOptions.pass == 2) {
      appendRunLog(formatMessage(
          "WARNING: rule %d would move the cell at (%d, %d) off the grid - rule ignored.\n", n,
          cellState.oldX, cellState.oldY));
    }
    return false;
  }
  cellState.newX = static_cast<int32_t>(x);
  cellState.newY = static_cast<int32_t>(y);
  return true;
}

bool shiftCell(int n, int32_t byX, int32_t byY) {
  return placeCell(n, int64_t{cellState.newX} + byX, int64_t{cellState.newY} + byY);
}

void decide(int writeOriginal, int writeModified) {
  outputDecision.writeOriginal = writeOriginal;
  outputDecision.writeModified = writeModified;
}

void noteInWritePass(const std::string& note) {
  if (runOptions.pass == 2) appendRunLog(note);
}

void countInWritePass() {
  if (runOptions.pass == 2) ++runCounters.cellsAndLandsModified;
}

// Writes the copy's name and its terminator over the start of the record's
// name text, inside the name's own bytes; the rest of the old name stays.
void renameCopy(char* recordName, std::size_t recordNameSize, const char* copyName) {
  if (recordName == nullptr) return;
  const std::size_t length = std::min(std::strlen(copyName) + 1, recordNameSize);
  std::memcpy(recordName, copyName, length);
}

enum class Outcome { kNoMatch, kGoOn, kEndCall };

Outcome matchRule(RuleCode code, int n, char* recordName, std::size_t recordNameSize) {
  const char* region = cellState.regionName;
  const char* name = cellState.cellName;
  switch (code) {
    case RuleCode::kTA:
      if (!shiftCell(n, number(1), number(2))) return Outcome::kNoMatch;
      decide(kNo, kYes);
      noteInWritePass(" [TA: Transpose All rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kCA:
      if (!shiftCell(n, number(1), number(2))) return Outcome::kNoMatch;
      decide(kYes, kYes);
      noteInWritePass(" [CA: Transpose All rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kTR:
      if (std::strcmp(region, text(1)) != 0 || !shiftCell(n, number(2), number(3))) {
        return Outcome::kNoMatch;
      }
      decide(kNo, kYes);
      noteInWritePass(" [TR: Transpose Region rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kCR:
      if (std::strcmp(region, text(1)) != 0 || !shiftCell(n, number(2), number(3))) {
        return Outcome::kNoMatch;
      }
      decide(kYes, kYes);
      noteInWritePass(" [CR: Copy Region rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kMC:
      if (!onGrid(number(1), number(2)) || !placeCell(n, number(3), number(4))) {
        return Outcome::kNoMatch;
      }
      decide(kNo, kYes);
      noteInWritePass(" [MC: Move Cell rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kCE:
      if (!onGrid(number(1), number(2)) || !placeCell(n, number(3), number(4))) {
        return Outcome::kNoMatch;
      }
      decide(kYes, kYes);
      noteInWritePass(" [CE: Copy Exterior Cell rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kTC:
      if (!onGrid(number(1), number(2)) || !shiftCell(n, number(3), number(4))) {
        return Outcome::kNoMatch;
      }
      decide(kNo, kYes);
      noteInWritePass(" [TC: Transpose Exterior Cell rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kDA:
      decide(kNo, kNo);
      countInWritePass();
      if (runOptions.pass == 2) {
        appendRunLog(formatMessage("Exterior Cell at (%d,%d) DELETED [Delete All matched].\n",
                                   cellState.oldX, cellState.oldY));
      }
      return Outcome::kEndCall;
    case RuleCode::kDR:
      if (std::strcmp(region, text(1)) != 0) return Outcome::kNoMatch;
      decide(kNo, kNo);
      countInWritePass();
      if (runOptions.pass == 2) {
        appendRunLog(formatMessage("Exterior Cell at (%d,%d) DELETED [Delete Region matched].\n",
                                   cellState.oldX, cellState.oldY));
      }
      return Outcome::kEndCall;
    case RuleCode::kDE:
      if (!onGrid(number(1), number(2))) return Outcome::kNoMatch;
      decide(kNo, kNo);
      countInWritePass();
      if (runOptions.pass == 2) {
        appendRunLog(
            formatMessage("Exterior Cell at (%d,%d) DELETED [DE: Delete Exterior Cell matched].\n",
                          cellState.oldX, cellState.oldY));
      }
      return Outcome::kEndCall;
    case RuleCode::kCI:
      if (std::strcmp(name, text(1)) != 0) return Outcome::kNoMatch;
      decide(kYes, kYes);
      renameCopy(recordName, recordNameSize, text(2));
      countInWritePass();
      // The title is the one this note has always carried, odd as it is.
      if (runOptions.pass == 2) {
        appendRunLog(formatMessage(
            " [CI: Delete Exterior Cell rule matched]  - making a copy of \"%s\" called \"%s\"\n",
            name, text(2)));
      }
      return Outcome::kGoOn;
    case RuleCode::kDI:
      if (std::strcmp(name, text(1)) != 0) return Outcome::kNoMatch;
      decide(kNo, kNo);
      countInWritePass();
      noteInWritePass(" [DI: Delete Interior Cell rule matched] ");
      return Outcome::kEndCall;
    case RuleCode::kNone:
      break;
  }
  return Outcome::kNoMatch;
}

}  // namespace

void evaluateRules(const char* rulesPath, char* recordName, std::size_t recordNameSize) {
  const bool listing = cellState.recordSize == 0;
  RulesFile file = openRulesFile(rulesPath);
  char line[kRuleLineSize];
  int ruleNumber = 0;
  while (readRuleCandidate(file.get(), line)) {
    const RuleCode code = ruleCodeOf(line, cellState.isInterior);
    if (code == RuleCode::kNone) continue;
    ++ruleNumber;
    if (listing) {
      listRule(code, ruleNumber);
    } else if (matchRule(code, ruleNumber, recordName, recordNameSize) == Outcome::kEndCall) {
      return;
    }
  }
}
