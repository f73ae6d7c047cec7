// The shared run state.
#include "base/run_state.h"

#include <cstring>

#include "base/report.h"

RunOptions runOptions;
CellState cellState;
OutputDecision outputDecision;
RunCounters runCounters;
ScriptLists scriptLists;

const char* const kRulesFile = "quendrel.cfg";
const char* const kRunLogFile = "qnlog.txt";
const char* const kMessageFile = "qnmsg.txt";
const char* const kCellListFile = "cell_log.txt";
const char* const kOutputPlugin = "QNOUT.ESP";
const char* const kScriptTextFile = "qnscpt0.txt";
const char* const kRewrittenTextFile = "qnscpt1.txt";

void clearRunState() {
  runOptions = RunOptions{};
  cellState = CellState{};
  outputDecision = OutputDecision{};
  runCounters = RunCounters{};
  scriptLists = ScriptLists{};
  messageBuffer.clear();
}

void addScriptToList(std::vector<std::string>& list, const char* name) {
  if (list.size() >= kScriptListCapacity) return;
  list.emplace_back(name, strnlen(name, kScriptNameMax));
}
