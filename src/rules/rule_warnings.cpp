// Checking a rules file. Two kinds of check: the lines as written (a
// byte-order mark, a code in small letters, a blank before a code, text between the code and its first
// comma, parameters missing or not numbers), and the rules against the
// plugin (a region or a name no cell has, a rule that matches no cell, a
// rule that decides no cell because rules above it take every cell it
// matches).
#include "rules/rule_warnings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>

#include "base/ascii.h"
#include "base/numbers.h"
#include "base/text_format.h"
#include "rules/rule_codes.h"
#include "rules/rule_lines.h"

namespace {

// What a Windows editor saving "UTF-8" writes first: the UTF-8 byte-order mark.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string lowerCase(std::string text) {
  for (char& c : text) c = toLowerAscii(c);
  return text;
}
std::string withoutBlanks(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// A whole number as a rules file holds one: an optional sign and digits
// (the blanks are gone already).
bool isWholeNumber(const std::string& text) {
  std::size_t at = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (at == text.size()) return false;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return false;
  }
  return true;
}

// The parameters a rule line gives: one behind each comma outside double
// quotes.
int parametersGiven(const char* line) {
  int given = 0;
  bool quoting = false;
  for (const char* p = line; *p != '\0' && *p != '\n' && *p != '\r'; ++p) {
    if (*p == '"') quoting = !quoting;
    if (*p == ',' && !quoting) ++given;
  }
  return given;
}

// The warnings about one line as written.
void checkLine(const RuleLineReader& lines, std::vector<RuleWarning>& warnings) {
  const char* line = lines.text();
  auto warn = [&](const std::string& text) { warnings.push_back({lines.number(), text}); };
  if (line[0] == ' ' || line[0] == '\t') {
    const char* rest = line;
    while (*rest == ' ' || *rest == '\t') ++rest;
    const char* after = rest + (rest[0] != '\0' && rest[1] != '\0' ? 2 : 0);
    while (*after == ' ') ++after;
    if (ruleCodeOf(rest) && (*after == ',' || *after == '\n' || *after == '\r' || *after == '\0')) {
      warn("the line begins with a blank, so it is a comment: remove the blank to make it a rule");
    }
    return;
  }
  if (lines.isComment() || lines.isOptionsLine()) return;
  const std::optional<RuleCode> code = ruleCodeOf(line);
  if (!code) {
    std::string word;
    for (const char* p = line; *p != '\0' && *p != ',' && *p != ' ' && *p != '\n' &&
                               *p != '\r' && word.size() < 20;
         ++p) {
      word += *p;
    }
    const char capitals[3] = {static_cast<char>(line[0] & ~0x20),
                              static_cast<char>(line[1] == '\0' ? 0 : line[1] & ~0x20), 0};
    if (isAsciiLetter(line[1]) && ruleCodeOf(capitals)) {
      warn(formatted("\"%s\" is no rule code: codes are written in capitals (%s); the line is "
                     "ignored",
                     word.c_str(), capitals));
    } else {
      warn(formatted("\"%s\" is no rule code; the line is ignored", word.c_str()));
    }
    return;
  }
  const RuleCodeRow& row = ruleCodeRow(*code);
  const std::optional<RuleFields> fields = tokenizeRule(line);
  if (!fields) return;  // too many parameters: an error, not a warning
  if ((*fields)[0] != row.letters) {
    const char* comma = std::strpbrk(line, ",\r\n");
    const std::string written(line, comma != nullptr ? comma : line + std::strlen(line));
    warn(formatted("\"%s\": the text between the code and the first comma is ignored",
                   written.c_str()));
  }
  const int given = std::min(parametersGiven(line), row.parameters);
  if (given < row.parameters) {
    bool namesMissing = false;
    for (int i = given + 1; i <= row.parameters; ++i) namesMissing |= (row.names >> i & 1) != 0;
    warn(formatted("%s takes %d parameter%s, the line gives %d: the missing ones read as %s",
                   row.letters, row.parameters, row.parameters == 1 ? "" : "s", given,
                   namesMissing ? "0 or an empty name" : "0"));
  }
  for (int i = 1; i <= given; ++i) {
    if ((row.names >> i & 1) != 0) continue;
    const std::string& field = (*fields)[static_cast<std::size_t>(i)];
    if (field.empty()) {
      warn(formatted("parameter %d is empty: it reads as 0", i));
    } else if (!isWholeNumber(field)) {
      warn(formatted("parameter %d, \"%s\", is not a whole number: it reads as %d", i,
                     field.c_str(), readLeadingInt(field.c_str())));
    }
  }
}

// Why no cell has the name or region `wanted`: the one it may have meant.
std::string nearest(const std::string& wanted, const std::set<std::string>& names) {
  for (const std::string& name : names) {
    if (lowerCase(name) == lowerCase(wanted)) {
      return formatted("; \"%s\" differs from it only in letter case", name.c_str());
    }
  }
  for (const std::string& name : names) {
    if (name.find(' ') != std::string::npos &&
        lowerCase(withoutBlanks(name)) == lowerCase(wanted)) {
      return formatted(
          "; \"%s\" has blanks, which a name loses outside double quotes: write \"\\\"%s\\\"\"",
          name.c_str(), name.c_str());
    }
  }
  return "";
}

// Which rules match a location, and which one decides it.
struct Outcome {
  std::vector<bool> matches;  // by rule index
  std::optional<std::size_t> decidedBy;
};

std::string lineList(const std::set<int>& lines) {
  std::string text;
  int shown = 0;
  for (int line : lines) {
    if (shown > 0) text += shown + 1 == static_cast<int>(lines.size()) ? " and " : ", ";
    text += std::to_string(line);
    ++shown;
  }
  return text;
}

// The warnings about the rules against the plugin.
void checkAgainstPlugin(const RuleTable& rules, const RulesCheckTarget& target,
                        std::vector<RuleWarning>& warnings) {
  std::set<std::string> regions;
  for (const CellLocation& cell : target.exteriors) {
    if (cell.region != nullptr) regions.insert(cell.region);
  }
  const std::set<std::string> interiors(target.interiors.begin(), target.interiors.end());
  const std::size_t count = rules.rules.size();

  // Each exterior location: every rule that would match it alone, and the
  // one that decides it among all.
  std::vector<std::set<int>> decidersOfMatched(count);  // lines that took the cells a rule matches
  std::vector<bool> matchesAny(count), decidesAny(count);
  for (const CellLocation& cell : target.exteriors) {
    const std::optional<std::size_t> decider = evaluateRules(rules, cell).decidedBy;
    for (std::size_t i = 0; i < count; ++i) {
      if (kindOf(rules.rules[i].code) != RuleKind::kExterior) continue;
      const RuleTable alone{{rules.rules[i]}, false};
      if (!evaluateRules(alone, cell).decidedBy) continue;
      matchesAny[i] = true;
      if (decider == i) {
        decidesAny[i] = true;
      } else if (decider) {
        decidersOfMatched[i].insert(rules.rules[*decider].line);
      }
    }
  }
  // Each interior rule: a deletion of its cell above it ends the evaluation
  // before it.
  std::vector<std::optional<int>> deletedAbove(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Rule& rule = rules.rules[i];
    if (rule.code != RuleCode::kDI) continue;
    for (std::size_t j = i + 1; j < count; ++j) {
      const Rule& later = rules.rules[j];
      if (kindOf(later.code) == RuleKind::kInterior && later.fields[1] == rule.fields[1] &&
          !deletedAbove[j]) {
        deletedAbove[j] = rule.line;
      }
    }
  }

  for (std::size_t i = 0; i < count; ++i) {
    const Rule& rule = rules.rules[i];
    const RuleCodeRow& row = ruleCodeRow(rule.code);
    auto warn = [&](const std::string& text) { warnings.push_back({rule.line, text}); };
    const std::string& name = rule.fields[1];
    if (row.condition == Condition::kRegion && regions.count(name) == 0) {
      if (name.empty()) {
        warn(formatted("every cell of %s has a region: no cell is without one",
                       target.plugin.c_str()));
      } else {
        warn(formatted("no cell of %s is in the region \"%s\"%s", target.plugin.c_str(),
                       name.c_str(), nearest(name, regions).c_str()));
      }
      continue;
    }
    if (row.condition == Condition::kName) {
      if (interiors.count(name) == 0) {
        warn(formatted("no interior cell of %s is called \"%s\"%s", target.plugin.c_str(),
                       name.c_str(), nearest(name, interiors).c_str()));
      } else if (deletedAbove[i]) {
        warn(formatted("this rule decides no cell: the rule on line %d deletes \"%s\" first",
                       *deletedAbove[i], name.c_str()));
      }
      continue;
    }
    if (!matchesAny[i]) {
      // A rule for every cell means every cell there is, none in a plugin
      // without exterior cells: nothing to warn of.
      if (row.condition == Condition::kAlways) continue;
      if (row.condition == Condition::kGrid) {
        warn(formatted("no cell of %s stands at (%d, %d)", target.plugin.c_str(), rule.numbers[1],
                       rule.numbers[2]));
      } else {
        warn(formatted("this rule matches no cell of %s", target.plugin.c_str()));
      }
    } else if (!decidesAny[i]) {
      const std::set<int>& lines = decidersOfMatched[i];
      warn(formatted("this rule decides no cell: the rule%s on line%s %s match%s every cell it "
                     "would",
                     lines.size() == 1 ? "" : "s", lines.size() == 1 ? "" : "s",
                     lineList(lines).c_str(), lines.size() == 1 ? "es" : ""));
    }
  }
}

}  // namespace

std::vector<RuleWarning> checkRules(const std::string& text, const RuleTable& rules,
                                    const RulesCheckTarget& target) {
  std::vector<RuleWarning> warnings;
  if (text.rfind(kByteOrderMark, 0) == 0) {
    warnings.push_back(
        {1, "the file starts with a byte-order mark (bytes EF BB BF), so its first line is read "
            "as a comment: save the file without one"});
  }
  RuleLineReader lines(text);
  while (lines.next()) checkLine(lines, warnings);
  checkAgainstPlugin(rules, target, warnings);
  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const RuleWarning& a, const RuleWarning& b) { return a.line < b.line; });
  return warnings;
}

void printRuleWarnings(const std::string& rulesPath, const std::vector<RuleWarning>& warnings) {
  std::fflush(stdout);
  for (const RuleWarning& warning : warnings) {
    std::fprintf(stderr, "%s:%d: %s\n", rulesPath.c_str(), warning.line, warning.text.c_str());
  }
}
