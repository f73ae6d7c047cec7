// The run's options: from the command line or, when it has no argument, from
// the options line of the rules file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "plugin/run_context.h"

// The arguments of a run: the program name first. `words` owns the texts
// that the options line supplies; `vector` points at every argument and is
// ended by a null entry once parsing begins.
struct ArgumentVector {
  std::vector<std::string> words;
  std::vector<char*> vector;
};

// Finds the first line of the rules file whose first nine characters are
// "quendrel " in any case and appends its arguments to `arguments`. A rules
// file that cannot be opened ends the run.
void readOptionsLine(const char* rulesPath, ArgumentVector& arguments);

// The rules file the command line names with --rules, and whether it holds
// any other argument: without one, the options come from the rules file's
// options line.
struct RulesFileNamed {
  std::string path;  // empty: none named
  bool otherArguments = false;
};
RulesFileNamed findRulesFile(const ArgumentVector& arguments);

// What the command line says: the options, where the plugin path stands, and
// whether an option ends the run where it stands (-V, --version, --help, or
// a letter no option has; the options before it have been taken).
struct ParsedOptions {
  RunOptions options;
  int pathIndex = 0;  // of the plugin path in the permuted vector (its last entry)
  int firstPathIndex = 0;  // of the first argument that is no option; the paths run to pathIndex
  enum class Ending { kNone, kVersion, kHelp, kUnknownOption, kMissingFile } ending =
      Ending::kNone;
  char unknownLetter = '-';  // the letter an unknown option is reported by
  std::string unknownLong;    // or what is wrong with a long option
  std::string missingFileOf;  // the option that lacks its file name
};
ParsedOptions parseOptions(ArgumentVector& arguments);

// The texts of the options that end a run.
void printVersion();
void printHelp(const ArgumentVector& arguments, std::FILE* stream = stdout);
// getopt's diagnostic and the second usage text, on standard error; for a
// long option, the line saying what is wrong with it and the --help text.
void printUnknownOption(const ArgumentVector& arguments, const ParsedOptions& parsed);
void printMissingFile(const ArgumentVector& arguments, const std::string& option);
// The usage text shown when there is no argument at all, on standard error.
void printFirstUsage(const ArgumentVector& arguments);
