// Command-line options and the options line of quendrel.cfg.
#include "app/options.h"

#include <getopt.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/file_names.h"
#include "base/ascii.h"
#include "base/platform/platform.h"
#include "base/report.h"
#include "base/text_format.h"
#include "base/text_lines.h"
#include "plugin/cell_handler.h"
#include "rules/rule_lines.h"

namespace {

const char* const kUsageFirstLine1 = "Usage: %s [-r -v -l -n -d] original.esp\n\n";
const char* const kUsageFirstLine2 = "Usage: %s [-r -v -d -l -n] original.esp\n\n";
const char* const kUsageBody =
    "\t-v : Verbose mode: Log file (%s) contains lots of output\n"
    "\t-l : List all cells in ESP file to %s\n"
    "\t-n : Create a new ESP containing only copied land, cells and objects.\n"
    "\t-r : Display verbose version of the Rules in %s, then exit.\n"
    "\t-d : Don't modify Scripts or Dialog Commands.\n"
    "\t-V : Display current Version, then exit.\n";

const char* const kVersionLine =
    "Quendrel Version " QUENDREL_RELEASE ": (Sep-2003 -> Mar-2009): "
    "cell transposition for TES3 plugins, by the Quendrel developers\n";

// What --help adds to the first usage text: the long options beside the letters.
const char* const kLongOptionsHelp =
    "\t--rules FILE  : Read the rules (and, with no other argument, the options line)\n"
    "\t                from FILE instead of %s.\n"
    "\t--output FILE : Write the new plugin to FILE instead of %s.\n"
    "\t--sync-header : Give the new plugin's header its record count and each\n"
    "\t                master's present size.\n"
    "\t--follow MOD  : Make the plugin follow MOD's move: each grid of MOD's that the\n"
    "\t                rules move, copy or delete is moved, copied or deleted in the\n"
    "\t                plugin too, and its doors, travel services, AI packages, moved\n"
    "\t                references and script and dialogue commands into MOD's moved\n"
    "\t                grids follow them. MOD is the original, unmoved mod.\n"
    "\t--help        : Display this text, then exit.\n"
    "\t--version     : Display current Version, then exit.\n";

// The option letters, and the long options. An unknown letter or long option
// ends the run with the diagnostic glibc's getopt prints for a letter outside
// the string, printed here so that it reads the same wherever the program
// runs. The leading ':' tells a long option without its file name apart.
const char* const kOptionLetters = ":dlnrvV";
constexpr int kHelpOption = 0x100;
constexpr int kVersionOption = 0x101;
constexpr int kRulesOption = 0x102;
constexpr int kOutputOption = 0x103;
constexpr int kSyncHeaderOption = 0x104;
constexpr int kFollowOption = 0x105;
const option kLongOptions[] = {
    {"help", no_argument, nullptr, kHelpOption},
    {"version", no_argument, nullptr, kVersionOption},
    {"rules", required_argument, nullptr, kRulesOption},
    {"output", required_argument, nullptr, kOutputOption},
    {"sync-header", no_argument, nullptr, kSyncHeaderOption},
    {"follow", required_argument, nullptr, kFollowOption},
    {nullptr, 0, nullptr, 0},
};

// A long option given a value it takes none of, in glibc's words.
std::string valueNotTaken(const std::string& word) {
  return formatted("option '%s' doesn't allow an argument", word.substr(0, word.find('=')).c_str());
}

bool isLineEnd(char c) { return c == '\n' || c == '\r' || c == '\0'; }

// Splits the options line behind its keyword into arguments the way a
// command line would hold them; a double quote may enclose an argument
// holding blanks. Blanks and tabs between arguments are stepped over, and
// blanks before the line end make no further argument.
void splitOptionsLine(const char* text, std::vector<std::string>& words) {
  const char* p = text;
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (isLineEnd(*p)) return;
    bool quoted = *p == '"';
    if (quoted) ++p;
    const char* start = p;
    while (!isLineEnd(*p) && *p != '"' && (quoted || !isAsciiSpace(*p))) ++p;
    words.emplace_back(start, p);
    if (*p == '"') ++p;
  }
}

const char* programName(const ArgumentVector& arguments) {
  return arguments.vector.empty() || arguments.vector[0] == nullptr ? "quendrel"
                                                                     : arguments.vector[0];
}

void printUsage(std::FILE* stream, const char* firstLine, const char* program) {
  std::fprintf(stream, firstLine, program);
  std::fprintf(stream, kUsageBody, kRunLogFile, kCellListFile, kRulesFile);
}

}  // namespace

void readOptionsLine(const char* rulesPath, ArgumentVector& arguments) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(rulesPath, "rb"));
  if (!file) {
    failRun("Unable to open your Cell Transposition rules file (%s): %s\n", rulesPath,
            systemErrorText());
  }
  RuleLineReader lines(file.get());
  while (lines.next()) {
    if (!lines.isOptionsLine()) continue;
    std::size_t first = arguments.words.size();
    splitOptionsLine(lines.optionsArguments(), arguments.words);
    for (std::size_t i = first; i < arguments.words.size(); ++i) {
      arguments.vector.push_back(arguments.words[i].data());
    }
    return;
  }
}

ParsedOptions parseOptions(ArgumentVector& arguments) {
  ParsedOptions parsed;
  RunOptions& options = parsed.options;
  int count = static_cast<int>(arguments.vector.size());
  arguments.vector.push_back(nullptr);
  char** argv = arguments.vector.data();
  optind = 0;  // 0 makes getopt start afresh, also on a second run in one process
  opterr = 0;
  int option;
  while ((option = getopt_long(count, argv, kOptionLetters, kLongOptions, nullptr)) != -1) {
    switch (option) {
      case 'v':
        options.verbose = true;
        break;
      case 'l':
        // cell_log.txt is deleted once the folder is claimed for the run.
        options.listCells = true;
        break;
      case 'n':
        options.copiesOnly = true;
        break;
      case 'r':
        options.rulesOnly = true;
        break;
      case 'd':
        options.modifyScripts = false;
        break;
      case 'V':
      case kVersionOption:
        parsed.ending = ParsedOptions::Ending::kVersion;
        return parsed;
      case kHelpOption:
        parsed.ending = ParsedOptions::Ending::kHelp;
        return parsed;
      case kRulesOption:
        options.rulesPath = optarg;
        break;
      case kOutputOption:
        options.outputPath = optarg;
        break;
      case kSyncHeaderOption:
        options.syncHeader = true;
        break;
      case kFollowOption:
        options.followPath = optarg;
        break;
      case ':':
        if (valueGivenToLongOption(argv[optind - 1])) {
          parsed.ending = ParsedOptions::Ending::kUnknownOption;
          parsed.unknownLong = valueNotTaken(argv[optind - 1]);
          return parsed;
        }
        parsed.ending = ParsedOptions::Ending::kMissingFile;
        parsed.missingFileOf = argv[optind - 1];
        return parsed;
      default:
        parsed.ending = ParsedOptions::Ending::kUnknownOption;
        if (optopt > 0 && optopt < 0x100) {
          parsed.unknownLetter = static_cast<char>(optopt);
        } else {
          // A long option: unknown (optopt 0), or given a value it takes none of.
          const std::string word = argv[optind - 1];
          parsed.unknownLong = optopt == 0
                                   ? formatted("unrecognized option '%s'", word.c_str())
                                   : valueNotTaken(word);
        }
        return parsed;
    }
  }
  parsed.pathIndex = count - 1;
  parsed.firstPathIndex = optind;
  return parsed;
}

void printVersion() { std::fputs(kVersionLine, stdout); }

void printHelp(const ArgumentVector& arguments, std::FILE* stream) {
  printUsage(stream, kUsageFirstLine1, programName(arguments));
  std::fprintf(stream, kLongOptionsHelp, kRulesFile, kOutputPlugin);
}

void printMissingFile(const ArgumentVector& arguments, const std::string& option) {
  std::fprintf(stderr, "%s: option '%s' requires an argument\n", programName(arguments),
               option.c_str());
  printUsage(stderr, kUsageFirstLine2, programName(arguments));
}

RulesFileNamed findRulesFile(const ArgumentVector& arguments) {
  RulesFileNamed named;
  const std::vector<char*>& words = arguments.vector;
  for (std::size_t i = 1; i < words.size() && words[i] != nullptr; ++i) {
    const std::string word = words[i];
    if (word == "--rules" && i + 1 < words.size() && words[i + 1] != nullptr) {
      named.path = words[++i];
    } else if (word.rfind("--rules=", 0) == 0) {
      named.path = word.substr(8);
    } else {
      named.otherArguments = true;
    }
  }
  return named;
}

void printUnknownOption(const ArgumentVector& arguments, const ParsedOptions& parsed) {
  if (!parsed.unknownLong.empty()) {
    // A long option is mistyped more often than a letter: the whole text,
    // long options and all.
    std::fprintf(stderr, "%s: %s\n", programName(arguments), parsed.unknownLong.c_str());
    printHelp(arguments, stderr);
    return;
  }
  std::fprintf(stderr, "%s: invalid option -- '%c'\n", programName(arguments),
               parsed.unknownLetter);
  printUsage(stderr, kUsageFirstLine2, programName(arguments));
}

void printFirstUsage(const ArgumentVector& arguments) {
  printUsage(stderr, kUsageFirstLine1, programName(arguments));
}
