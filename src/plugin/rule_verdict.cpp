// Acting on the rules' verdict: the notes, the count and the decision.
#include "plugin/rule_verdict.h"

void logVerdictNotes(RunLog& log, const RuleVerdict& verdict) {
  for (const std::string& note : verdict.notes) log.append(note);
}

OutputDecision decideByVerdict(const RuleVerdict& verdict, OutputDecision decision) {
  switch (verdict.fate) {
    case CellFate::kKept:
      break;
    case CellFate::kMoved:
      writeModifiedOnly(decision);
      break;
    case CellFate::kCopied:
      decision = {true, true};
      break;
    case CellFate::kDeleted:
      decision = {false, false};
      break;
  }
  return decision;
}

OutputDecision takeVerdict(WriteState& state, const RuleVerdict& verdict,
                           OutputDecision decision) {
  logVerdictNotes(state.log, verdict);
  state.counters.cellsAndLandsModified += verdict.countedMatches;
  return decideByVerdict(verdict, decision);
}
