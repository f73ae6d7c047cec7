// Reading the rules file "quendrel.cfg" into a table of rules, and splitting
// a rule line into the five rule fields: the rule code and parameters 1 to 4.
//
// A rule line looks like `TC, 3, -2, 0, 1`. Blanks outside double quotes mean
// nothing and vanish wherever they stand, even inside a word; double quotes
// protect blanks and commas and vanish themselves. Only lines that begin with
// a letter are looked at, so anything else is a comment.
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/numbers.h"
#include "base/text_lines.h"
#include "rules/rule_codes.h"
#include "rules/rule_lines.h"
#include "rules/rules.h"

std::optional<RuleFields> tokenizeRule(const char* line) {
  RuleFields fields;
  std::size_t field = 0;
  bool quoting = false;
  for (const char* p = line; *p != '\0'; ++p) {
    // The newline ends the fifth field, so anything at all behind a fifth
    // separator, even a blank, is one parameter too many.
    if (field == kRuleFieldCount) return std::nullopt;
    const char c = *p;
    if (c == ' ' && !quoting) continue;
    if (c == '"') {
      quoting = !quoting;
      continue;
    }
    if ((c == ',' && !quoting) || c == '\r' || c == '\n') {
      ++field;
      continue;
    }
    // A line read from the file is never longer than a field; a longer text
    // handed in directly is cut.
    if (fields[field].size() + 1 < kRuleFieldSize) fields[field] += c;
  }
  return fields;
}

namespace {

// Reads the rules from the lines `lines` hands out.
RuleTable readRuleLines(RuleLineReader& lines) {
  RuleTable table;
  int exteriorCount = 0;
  int interiorCount = 0;
  while (lines.next()) {
    if (lines.isComment()) continue;
    std::optional<RuleFields> fields = tokenizeRule(lines.text());
    if (!fields) {
      table.tooManyParameters = true;
      break;
    }
    std::optional<RuleCode> code = ruleCodeOf(lines.text());
    if (!code) continue;
    Rule rule{*code, 0, std::move(*fields), {}, lines.number()};
    rule.number = kindOf(*code) == RuleKind::kExterior ? ++exteriorCount : ++interiorCount;
    for (std::size_t i = 1; i < kRuleFieldCount; ++i) {
      rule.numbers[i] = readLeadingInt(rule.fields[i].c_str());
    }
    table.rules.push_back(std::move(rule));
  }
  return table;
}

}  // namespace

std::optional<RuleTable> readRulesFile(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return std::nullopt;
  RuleLineReader lines(file.get());
  return readRuleLines(lines);
}

RuleTable readRules(std::string_view text) {
  RuleLineReader lines(text);
  return readRuleLines(lines);
}

std::optional<std::string> readRulesText(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return std::nullopt;
  std::string text;
  char piece[4096];
  std::size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0) text.append(piece, got);
  return text;
}
