// Reading the rules file "quendrel.cfg" and splitting a rule line into the
// five rule fields: the rule code and parameters 1 to 4.
//
// A rule line looks like `TC, 3, -2, 0, 1`. Blanks outside double quotes mean
// nothing and vanish wherever they stand, even inside a word; double quotes
// protect blanks and commas and vanish themselves. Only lines that begin with
// a letter are looked at, so anything else is a comment.
#include "rules/rule_reader.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/report.h"

char ruleFields[kRuleFieldCount][kRuleFieldSize];

int tokenizeRule(const char* line) {
  for (char* field : ruleFields) field[0] = '\0';
  std::size_t field = 0;
  std::size_t position = 0;
  bool quoting = false;
  for (const char* p = line; *p != '\0'; ++p) {
    // The newline ends the fifth field, so anything at all behind a fifth
    // separator, even a blank, is one parameter too many.
    if (field == kRuleFieldCount) {
      std::fflush(stdout);
      std::fputs("Invalid Rule: You've specified too many parameters for this command!\n", stderr);
      std::fflush(stderr);
      return -1;
    }
    const char c = *p;
    if (c == ' ' && !quoting) continue;
    if (c == '"') {
      quoting = !quoting;
      continue;
    }
    if ((c == ',' && !quoting) || c == '\r' || c == '\n') {
      ruleFields[field][position] = '\0';
      ++field;
      position = 0;
      continue;
    }
    // A line read from the file is never longer than a field; a longer text
    // handed in directly is cut rather than allowed to overflow.
    if (position + 1 < kRuleFieldSize) ruleFields[field][position++] = c;
  }
  if (field < kRuleFieldCount) ruleFields[field][position] = '\0';
  return 0;
}

namespace {

// The rules file's bytes while the passes hold them (see holdRulesFileInMemory).
struct HeldRules {
  std::string path;
  std::string bytes;
};
std::optional<HeldRules> heldRules;

}  // namespace

void holdRulesFileInMemory(const char* rulesPath) {
  heldRules.reset();
  RulesFile file(std::fopen(rulesPath, "rb"));
  if (!file) return;
  std::string bytes;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.append(chunk, got);
  // A file that cannot be read through is left to be read, and fail, as ever.
  if (std::ferror(file.get())) return;
  heldRules = HeldRules{rulesPath, std::move(bytes)};
}

void dropRulesFileFromMemory() { heldRules.reset(); }

RulesFile openRulesFile(const char* rulesPath) {
  // The held bytes are read through a stream of their own, so every
  // evaluation reads them line by line exactly as it would read the file.
#ifndef _WIN32
  if (heldRules && heldRules->path == rulesPath) {
    RulesFile held(fmemopen(heldRules->bytes.data(), heldRules->bytes.size(), "r"));
    if (held) return held;
  }
#endif
  RulesFile file(std::fopen(rulesPath, "rb"));
  if (!file) {
    failRun("Unable to open your Cell Transposition rules file (%s): %s\n", rulesPath,
            systemErrorText());
  }
  return file;
}

bool readRuleCandidate(std::FILE* file, char (&line)[kRuleLineSize]) {
  while (readLine(file, line, kRuleLineSize) > 0) {
    if (!isAsciiLetter(line[0])) continue;
    if (tokenizeRule(line) != 0) endRun(1);
    return true;
  }
  return false;
}

RuleCode ruleCodeOf(const char* line, int isInterior) {
  static const char kExteriorCodes[][3] = {"TA", "CA", "TR", "CR", "MC",
                                           "CE", "TC", "DA", "DR", "DE"};
  static const char kInteriorCodes[][3] = {"CI", "DI"};
  // The line is a C string: a zero byte in second place simply matches no code.
  if (line[0] == '\0' || line[1] == '\0') return RuleCode::kNone;
  if (isInterior == 0) {
    for (std::size_t i = 0; i < std::size(kExteriorCodes); ++i) {
      if (std::strncmp(line, kExteriorCodes[i], 2) == 0) return static_cast<RuleCode>(i);
    }
  } else {
    for (std::size_t i = 0; i < std::size(kInteriorCodes); ++i) {
      if (std::strncmp(line, kInteriorCodes[i], 2) == 0) {
        return static_cast<RuleCode>(static_cast<std::size_t>(RuleCode::kCI) + i);
      }
    }
  }
  return RuleCode::kNone;
}
