// Acting on the rules' verdict: the notes, the count and the decision.
#include "plugin/rule_verdict.h"

void logVerdictNotes(RunLog& log, const RuleVerdict& verdict) {
  for (const std::string& note : verdict.notes) log.append(note);
}

OutputDecision takeVerdict(RunContext& context, const RuleVerdict& verdict,
                           OutputDecision decision) {
  if (context.writePass()) {
    logVerdictNotes(context.log, verdict);
    context.counters.cellsAndLandsModified += verdict.countedMatches;
  }
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
