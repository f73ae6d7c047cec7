// The rules file "quendrel.cfg", read once into a table of rules, and the one
// routine that tells what the rules make of a cell: kept, moved, copied or
// deleted, and where it goes. Both quendrel and quendrel-map ask this routine,
// so the map predicts exactly what quendrel then does.
//
// A rule line is a two-letter code and up to four comma-separated parameters,
// e.g. `TC, 3, -2, 0, 1`: move the cell at (3, -2) by (0, 1). Exterior codes
// (TA CA TR CR MC CE TC DA DR DE) act on grid positions and regions, interior
// codes (CI DI) on cell names. Nothing here keeps state between calls and
// nothing is logged: the verdict carries the run-log texts, and the caller
// decides whether to write them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RuleCode { kTA, kCA, kTR, kCR, kMC, kCE, kTC, kDA, kDR, kDE, kCI, kDI };
enum class RuleKind { kExterior, kInterior };

RuleKind kindOf(RuleCode code);

// A rule line split into the code and parameters 1 to 4; each field holds at
// most 1023 characters.
constexpr std::size_t kRuleFieldCount = 5;
constexpr std::size_t kRuleFieldSize = 1024;
using RuleFields = std::array<std::string, kRuleFieldCount>;

// Splits one line (up to a zero byte, still ending in its line feed if it has
// one). Nothing when the line holds more than the code and four parameters.
std::optional<RuleFields> tokenizeRule(const char* line);

struct Rule {
  RuleCode code;
  int number;         // counted from 1 per kind, in file order
  RuleFields fields;  // fields[0] is the code as written, then parameters 1 to 4
  // The parameters read as whole numbers (0 where a parameter is no number);
  // numbers[0] is unused.
  std::array<int32_t, kRuleFieldCount> numbers;
  int line = 0;  // the line of the file it stands on, counted from 1
};

// Every rule of the file, both kinds, in file order.
struct RuleTable {
  std::vector<Rule> rules;
  // A line had more than four parameters: reading stopped there, and the
  // rules above it are all the table holds.
  bool tooManyParameters = false;
};

// Reads the rules file, line by line as rules/rule_lines.h says: a comment
// is passed over, and a line whose first two characters are no rule code
// (the options line, "ta") is split but takes no number. Nothing when the
// file cannot be opened; errno then says why.
std::optional<RuleTable> readRulesFile(const char* path);
// The same for the file's bytes.
RuleTable readRules(std::string_view text);
// The rules file's bytes as they stand, for the check of the rules; nothing
// when it cannot be opened (errno says why).
std::optional<std::string> readRulesText(const char* path);

// The rule in words, as the start-up listing writes it, e.g.
// "Rule 7: Move the cell at (3, -2) by an offset of (0, 1).\n".
std::string ruleInWords(const Rule& rule);

// How many parameters the rule's code takes (DA none, MC four).
int parametersOf(RuleCode code);

// A CI rule whose copy name is longer than the cell name: the copy's name
// could not be written inside the record's name.
bool copyNameTooLong(const Rule& rule);
// A CI rule without a copy name: the copy would be an interior cell whose
// name is empty, beside the original.
bool copyNameEmpty(const Rule& rule);

// The cell the rules are asked about: an exterior cell by its grid and region
// (empty when its cell has none; null for land that has no cell at all, which
// no region rule matches), or an interior cell by its name.
struct CellLocation {
  RuleKind kind = RuleKind::kExterior;
  int32_t x = 0, y = 0;
  const char* region = "";
  const char* name = "";
};
inline CellLocation exteriorLocation(int32_t x, int32_t y, const char* region) {
  return {RuleKind::kExterior, x, y, region, ""};
}
inline CellLocation interiorLocation(const char* name) {
  return {RuleKind::kInterior, 0, 0, "", name};
}

enum class CellFate {
  kKept,     // no rule matched
  kMoved,    // only the moved cell is written
  kCopied,   // the original and the copy are written
  kDeleted,  // neither is written
};

struct RuleVerdict {
  CellFate fate = CellFate::kKept;
  // The rule that decided an exterior cell's fate (its index in the table);
  // nothing when no rule matched. Interior cells leave it empty.
  std::optional<std::size_t> decidedBy;
  // The grid of the moved cell or of the copy; the location's own grid
  // otherwise (interior cells never move).
  int32_t newX = 0, newY = 0;
  // Matches the closing summary counts among the modified records:
  // deletions and interior copies.
  int countedMatches = 0;
  // Run-log texts in rule order: each matched rule's note, and a warning for
  // each move that would have left the grid and was passed over.
  std::vector<std::string> notes;
  // Interior: the name each matching copy rule gives the copy, in order.
  std::vector<std::string> copyNames;
};

// Exterior: the first rule that matches decides; TA, CA and DA match every
// cell, TR, CR and DR the cells of their region (compared exactly), MC, CE,
// TC and DE the cell at their grid. A move or copy that would leave the
// 32-bit grid, or move by 262144 cells or more, is passed over as if it did
// not match. Interior: every matching CI applies, and a matching DI ends the
// evaluation.
RuleVerdict evaluateRules(const RuleTable& rules, const CellLocation& location);

// Writes each copy name and its terminator over the start of the record's
// NAME data (recordNameSize bytes), in order, never past the NAME's end; the
// bytes of an earlier, longer name stay behind the terminator.
void writeCopyNames(const RuleVerdict& verdict, char* recordName, std::size_t recordNameSize);
