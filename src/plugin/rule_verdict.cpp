// Acting on the rules' verdict: the notes, the count and the OutputDecision.
#include "plugin/rule_verdict.h"

#include "base/report.h"
#include "base/run_state.h"

void logVerdictNotes(const RuleVerdict& verdict) {
  for (const std::string& note : verdict.notes) appendRunLog(note);
}

void takeVerdict(const RuleVerdict& verdict) {
  if (runOptions.pass == 2) {
    logVerdictNotes(verdict);
    runCounters.cellsAndLandsModified += verdict.countedMatches;
  }
  switch (verdict.fate) {
    case CellFate::kKept:
      break;
    case CellFate::kMoved:
      writeModifiedOnly(outputDecision);
      break;
    case CellFate::kCopied:
      outputDecision.writeOriginal = kYes;
      outputDecision.writeModified = kYes;
      break;
    case CellFate::kDeleted:
      outputDecision.writeOriginal = kNo;
      outputDecision.writeModified = kNo;
      break;
  }
}
