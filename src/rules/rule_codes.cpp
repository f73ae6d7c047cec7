// The table of rule codes.
#include "rules/rule_codes.h"

#include <cstring>
#include <iterator>

#include "base/text_format.h"

namespace {

constexpr RuleCodeRow kRuleCodes[] = {
    {RuleCode::kTA, "TA", RuleKind::kExterior, 2, 0, Condition::kAlways, Destination::kShift, 1, 2,
     CellFate::kMoved, " [TA: Transpose All rule matched] ",
     "Rule {n}: All external cells will be transposed by ({1}, {2}) cells.\n"},
    {RuleCode::kCA, "CA", RuleKind::kExterior, 2, 0, Condition::kAlways, Destination::kShift, 1, 2,
     CellFate::kCopied, " [CA: Transpose All rule matched] ",
     "Rule {n}: All external cells will be copied by an offset of ({1}, {2}) cells.\n"},
    {RuleCode::kTR, "TR", RuleKind::kExterior, 3, 1u << 1,
     Condition::kRegion, Destination::kShift, 2, 3,
     CellFate::kMoved, " [TR: Transpose Region rule matched] ",
     "Rule {n}: All cells in the region ({t1}) will be transposed by ({2}, {3}) cells.\n"},
    {RuleCode::kCR, "CR", RuleKind::kExterior, 3, 1u << 1,
     Condition::kRegion, Destination::kShift, 2, 3,
     CellFate::kCopied, " [CR: Copy Region rule matched] ",
     "Rule {n}: A copy of each cell in the region ({t1}) will be placed at an offset of ({2}, "
     "{3}) cells.\n"},
    {RuleCode::kMC, "MC", RuleKind::kExterior, 4, 0, Condition::kGrid, Destination::kPlace, 3, 4,
     CellFate::kMoved, " [MC: Move Cell rule matched] ",
     "Rule {n}: Move the cell at ({1}, {2}) to ({3}, {4}).\n"},
    {RuleCode::kCE, "CE", RuleKind::kExterior, 4, 0, Condition::kGrid, Destination::kPlace, 3, 4,
     CellFate::kCopied, " [CE: Copy Exterior Cell rule matched] ",
     "Rule {n}: Make a copy of the cell ({1}, {2}) at ({3}, {4}).\n"},
    {RuleCode::kTC, "TC", RuleKind::kExterior, 4, 0, Condition::kGrid, Destination::kShift, 3, 4,
     CellFate::kMoved, " [TC: Transpose Exterior Cell rule matched] ",
     "Rule {n}: Move the cell at ({1}, {2}) by an offset of ({3}, {4}).\n"},
    {RuleCode::kDA, "DA", RuleKind::kExterior, 0, 0, Condition::kAlways, Destination::kStays, 0, 0,
     CellFate::kDeleted, "Exterior Cell at ({x},{y}) DELETED [Delete All matched].\n",
     "Rule {n}: All external cells will be deleted.\n"},
    {RuleCode::kDR, "DR", RuleKind::kExterior, 1, 1u << 1,
     Condition::kRegion, Destination::kStays, 0, 0,
     CellFate::kDeleted, "Exterior Cell at ({x},{y}) DELETED [Delete Region matched].\n",
     "Rule {n}: Any cells within the region ({t1}) will be deleted.\n"},
    {RuleCode::kDE, "DE", RuleKind::kExterior, 2, 0, Condition::kGrid, Destination::kStays, 0, 0,
     CellFate::kDeleted, "Exterior Cell at ({x},{y}) DELETED [DE: Delete Exterior Cell matched].\n",
     "Rule {n}: Any cells found at ({1}, {2}) will be deleted.\n"},
    {RuleCode::kCI, "CI", RuleKind::kInterior, 2, 1u << 1 | 1u << 2,
     Condition::kName, Destination::kStays, 0, 0,
     CellFate::kCopied,
     " [CI: Delete Exterior Cell rule matched]  - making a copy of \"{cell}\" called \"{t2}\"\n",
     "Rule {n}: If an interior cell called ({t1}) is found, a copy of it called ({t2}) will be "
     "created.\n"},
    {RuleCode::kDI, "DI", RuleKind::kInterior, 1, 1u << 1,
     Condition::kName, Destination::kStays, 0, 0,
     CellFate::kDeleted, " [DI: Delete Interior Cell rule matched] ",
     "Rule {n}: Any interior cells called ({t1}) will be deleted.\n"},
};
static_assert(std::size(kRuleCodes) == static_cast<std::size_t>(RuleCode::kDI) + 1);

constexpr bool rowsInCodeOrder() {
  for (std::size_t i = 0; i < std::size(kRuleCodes); ++i) {
    if (static_cast<std::size_t>(kRuleCodes[i].code) != i) return false;
  }
  return true;
}
static_assert(rowsInCodeOrder(), "kRuleCodes is indexed by RuleCode");

}  // namespace

const RuleCodeRow& ruleCodeRow(RuleCode code) { return kRuleCodes[static_cast<std::size_t>(code)]; }

RuleKind kindOf(RuleCode code) { return ruleCodeRow(code).kind; }

std::optional<RuleCode> ruleCodeOf(const char* line) {
  // The line is a C string: a zero byte in second place simply matches no code.
  if (line[0] == '\0' || line[1] == '\0') return std::nullopt;
  for (const RuleCodeRow& row : kRuleCodes) {
    if (std::strncmp(line, row.letters, 2) == 0) return row.code;
  }
  return std::nullopt;
}

std::string fillRuleText(const char* text, const Rule& rule, const CellLocation* cell) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const char* close = *p == '{' ? std::strchr(p, '}') : nullptr;
    if (close == nullptr) {
      out += *p;
      continue;
    }
    const std::string name(p + 1, close);
    if (name == "n") {
      appendFormatted(out, "%d", rule.number);
    } else if (name.size() == 1 && name[0] >= '1' && name[0] <= '4') {
      appendFormatted(out, "%d", rule.numbers[static_cast<std::size_t>(name[0] - '0')]);
    } else if (name == "t1" || name == "t2") {
      out += rule.fields[static_cast<std::size_t>(name[1] - '0')];
    } else if (cell != nullptr && name == "x") {
      appendFormatted(out, "%d", cell->x);
    } else if (cell != nullptr && name == "y") {
      appendFormatted(out, "%d", cell->y);
    } else if (cell != nullptr && name == "cell") {
      out += cell->name;
    } else {
      out.append(p, close + 1);
    }
    p = close;
  }
  return out;
}
