// Rule evaluation: what the rules make of one cell. The rules are tested in
// file order; what a code tests, where it sends the cell, what is written and
// what the run log is told all stand in its row of the rule-code table.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "base/text_format.h"
#include "records/record_layout.h"
#include "rules/rule_codes.h"
#include "rules/rules.h"

namespace {

bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

bool conditionHolds(const RuleCodeRow& row, const Rule& rule, const CellLocation& location) {
  switch (row.condition) {
    case Condition::kAlways:
      return true;
    case Condition::kRegion:
      return location.region != nullptr && rule.fields[1] == location.region;
    case Condition::kGrid:
      return location.x == rule.numbers[1] && location.y == rule.numbers[2];
    case Condition::kName:
      return rule.fields[1] == location.name;
  }
  return false;
}

// Where an exterior rule sends the cell, or nothing when the new grid, or the
// offset from the old one, leaves the range that the plugin and the shifts
// in world units can hold.
std::optional<std::pair<int32_t, int32_t>> destinationOf(const RuleCodeRow& row, const Rule& rule,
                                                         const CellLocation& location) {
  int64_t x = location.x;
  int64_t y = location.y;
  if (row.destination == Destination::kShift) {
    x += rule.numbers[row.a];
    y += rule.numbers[row.b];
  } else if (row.destination == Destination::kPlace) {
    x = rule.numbers[row.a];
    y = rule.numbers[row.b];
  }
  const int64_t offsetX = x - location.x;
  const int64_t offsetY = y - location.y;
  if (!fitsInt32(x) || !fitsInt32(y) || offsetX < -kLargestCellOffset ||
      offsetX > kLargestCellOffset || offsetY < -kLargestCellOffset ||
      offsetY > kLargestCellOffset) {
    return std::nullopt;
  }
  return std::pair{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

}  // namespace

RuleVerdict evaluateRules(const RuleTable& rules, const CellLocation& location) {
  RuleVerdict verdict;
  verdict.newX = location.x;
  verdict.newY = location.y;
  for (std::size_t index = 0; index < rules.rules.size(); ++index) {
    const Rule& rule = rules.rules[index];
    if (kindOf(rule.code) != location.kind) continue;
    const RuleCodeRow& row = ruleCodeRow(rule.code);
    if (!conditionHolds(row, rule, location)) continue;
    if (location.kind == RuleKind::kInterior) {
      verdict.fate = row.fate;
      ++verdict.countedMatches;
      if (rule.code == RuleCode::kCI) {
        verdict.copyNames.push_back(rule.fields[2]);
        verdict.notes.push_back(fillRuleText(row.note, rule, &location));
        continue;  // every copy rule that names the cell applies
      }
      verdict.notes.emplace_back(row.note);
      return verdict;
    }
    if (row.fate == CellFate::kDeleted) {
      verdict.fate = row.fate;
      verdict.decidedBy = index;
      ++verdict.countedMatches;
      verdict.notes.push_back(fillRuleText(row.note, rule, &location));
      return verdict;
    }
    std::optional<std::pair<int32_t, int32_t>> to = destinationOf(row, rule, location);
    if (!to) {
      verdict.notes.push_back(
          formatted("WARNING: rule %d would move the cell at (%d, %d) off the grid - rule "
                    "ignored.\n",
                    rule.number, location.x, location.y));
      continue;
    }
    verdict.fate = row.fate;
    verdict.decidedBy = index;
    verdict.newX = to->first;
    verdict.newY = to->second;
    verdict.notes.emplace_back(row.note);
    return verdict;
  }
  return verdict;
}

void writeCopyNames(const RuleVerdict& verdict, char* recordName, std::size_t recordNameSize) {
  for (const std::string& copyName : verdict.copyNames) {
    std::memcpy(recordName, copyName.c_str(), std::min(copyName.size() + 1, recordNameSize));
  }
}
