// Rule evaluation: what the rules make of one cell. The rules are tested in
// file order; what a code tests, where it sends the cell, what is written and
// what the run log is told all stand in one row per code below.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <utility>

#include "base/text_format.h"
#include "rules/rules.h"

namespace {

enum class Condition { kAlways, kRegion, kGrid, kName };
enum class Destination {
  kStays,
  kShift,  // by (parameter a, parameter b) cells
  kPlace,  // at the grid (parameter a, parameter b)
};

struct CodeRow {
  Condition condition;  // kGrid: parameters 1 and 2; kRegion, kName: parameter 1
  Destination destination;
  int a, b;  // the parameters holding the offset or the target grid
  CellFate fate;
  // The run-log note of a match. Exterior deletions fill in the cell's grid,
  // interior copies the cell's name and the copy's; the others continue the
  // line the handler has begun. The CA and CI titles are the ones these
  // notes have always carried, odd as they are.
  const char* note;
};

constexpr CodeRow kCodeRows[] = {
    {Condition::kAlways, Destination::kShift, 1, 2, CellFate::kMoved,
     " [TA: Transpose All rule matched] "},
    {Condition::kAlways, Destination::kShift, 1, 2, CellFate::kCopied,
     " [CA: Transpose All rule matched] "},
    {Condition::kRegion, Destination::kShift, 2, 3, CellFate::kMoved,
     " [TR: Transpose Region rule matched] "},
    {Condition::kRegion, Destination::kShift, 2, 3, CellFate::kCopied,
     " [CR: Copy Region rule matched] "},
    {Condition::kGrid, Destination::kPlace, 3, 4, CellFate::kMoved,
     " [MC: Move Cell rule matched] "},
    {Condition::kGrid, Destination::kPlace, 3, 4, CellFate::kCopied,
     " [CE: Copy Exterior Cell rule matched] "},
    {Condition::kGrid, Destination::kShift, 3, 4, CellFate::kMoved,
     " [TC: Transpose Exterior Cell rule matched] "},
    {Condition::kAlways, Destination::kStays, 0, 0, CellFate::kDeleted,
     "Exterior Cell at (%d,%d) DELETED [Delete All matched].\n"},
    {Condition::kRegion, Destination::kStays, 0, 0, CellFate::kDeleted,
     "Exterior Cell at (%d,%d) DELETED [Delete Region matched].\n"},
    {Condition::kGrid, Destination::kStays, 0, 0, CellFate::kDeleted,
     "Exterior Cell at (%d,%d) DELETED [DE: Delete Exterior Cell matched].\n"},
    {Condition::kName, Destination::kStays, 0, 0, CellFate::kCopied,
     " [CI: Delete Exterior Cell rule matched]  - making a copy of \"%s\" called \"%s\"\n"},
    {Condition::kName, Destination::kStays, 0, 0, CellFate::kDeleted,
     " [DI: Delete Interior Cell rule matched] "},
};
static_assert(std::size(kCodeRows) == static_cast<std::size_t>(RuleCode::kDI) + 1);

// Offsets are turned into world units by multiplying by 8192, which must
// still fit in 32 bits.
constexpr int64_t kLargestOffset = 262143;

bool fitsInt32(int64_t value) { return value >= INT32_MIN && value <= INT32_MAX; }

bool conditionHolds(const CodeRow& row, const Rule& rule, const CellLocation& location) {
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
std::optional<std::pair<int32_t, int32_t>> destinationOf(const CodeRow& row, const Rule& rule,
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
  if (!fitsInt32(x) || !fitsInt32(y) || offsetX < -kLargestOffset || offsetX > kLargestOffset ||
      offsetY < -kLargestOffset || offsetY > kLargestOffset) {
    return std::nullopt;
  }
  return std::pair{static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

}  // namespace

RuleVerdict evaluateRules(const RuleTable& rules, const CellLocation& location) {
  RuleVerdict verdict;
  verdict.newX = location.x;
  verdict.newY = location.y;
  for (const Rule& rule : rules.rules) {
    if (kindOf(rule.code) != location.kind) continue;
    const CodeRow& row = kCodeRows[static_cast<std::size_t>(rule.code)];
    if (!conditionHolds(row, rule, location)) continue;
    if (location.kind == RuleKind::kInterior) {
      verdict.fate = row.fate;
      ++verdict.countedMatches;
      if (rule.code == RuleCode::kCI) {
        verdict.copyNames.push_back(rule.fields[2]);
        verdict.notes.push_back(formatted(row.note, location.name, rule.fields[2].c_str()));
        continue;  // every copy rule that names the cell applies
      }
      verdict.notes.emplace_back(row.note);
      return verdict;
    }
    if (row.fate == CellFate::kDeleted) {
      verdict.fate = row.fate;
      ++verdict.countedMatches;
      verdict.notes.push_back(formatted(row.note, location.x, location.y));
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
