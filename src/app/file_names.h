// The files a run of quendrel reads and writes in the current folder (the
// work files have their names beside their code: workfiles/, and the cell
// list beside the CELL handler).
#pragma once

inline constexpr const char* kRulesFile = "quendrel.cfg";
inline constexpr const char* kRunLogFile = "qnlog.txt";
inline constexpr const char* kMessageFile = "qnmsg.txt";
inline constexpr const char* kOutputPlugin = "QNOUT.ESP";
// The new plugin while the write pass writes it; renamed to QNOUT.ESP once
// it is whole.
inline constexpr const char* kTemporaryOutput = "QNOUT.ESP.tmp";
// The lock file of the folder; left behind on purpose, it never blocks.
inline constexpr const char* kLockFile = "quendrel.lock";
// The script work files of earlier versions, which carried each script's text
// out of its record and back; the text now stays in memory, and a run still
// clears them away at its end.
inline constexpr const char* kScriptTextFile = "qnscpt0.txt";
inline constexpr const char* kRewrittenTextFile = "qnscpt1.txt";
