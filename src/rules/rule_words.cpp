// The rules in words, as the start-up listing writes them to the run log so
// that the user can check what the rules file says.
#include <cstdio>

#include "rules/rules.h"

std::string ruleInWords(const Rule& rule) {
  const int n = rule.number;
  const auto& p = rule.numbers;
  const char* text1 = rule.fields[1].c_str();
  char words[3 * kRuleFieldSize];
  switch (rule.code) {
    case RuleCode::kTA:
      std::snprintf(words, sizeof words,
                    "Rule %d: All external cells will be transposed by (%d, %d) cells.\n", n, p[1],
                    p[2]);
      break;
    case RuleCode::kCA:
      std::snprintf(words, sizeof words,
                    "Rule %d: All external cells will be copied by an offset of (%d, %d) cells.\n",
                    n, p[1], p[2]);
      break;
    case RuleCode::kTR:
      std::snprintf(
          words, sizeof words,
          "Rule %d: All cells in the region (%s) will be transposed by (%d, %d) cells.\n", n,
          text1, p[2], p[3]);
      break;
    case RuleCode::kCR:
      std::snprintf(words, sizeof words,
                    "Rule %d: A copy of each cell in the region (%s) will be placed at an offset "
                    "of (%d, %d) cells.\n",
                    n, text1, p[2], p[3]);
      break;
    case RuleCode::kMC:
      std::snprintf(words, sizeof words, "Rule %d: Move the cell at (%d, %d) to (%d, %d).\n", n,
                    p[1], p[2], p[3], p[4]);
      break;
    case RuleCode::kCE:
      std::snprintf(words, sizeof words, "Rule %d: Make a copy of the cell (%d, %d) at (%d, %d).\n",
                    n, p[1], p[2], p[3], p[4]);
      break;
    case RuleCode::kTC:
      std::snprintf(words, sizeof words,
                    "Rule %d: Move the cell at (%d, %d) by an offset of (%d, %d).\n", n, p[1], p[2],
                    p[3], p[4]);
      break;
    case RuleCode::kDA:
      std::snprintf(words, sizeof words, "Rule %d: All external cells will be deleted.\n", n);
      break;
    case RuleCode::kDR:
      std::snprintf(words, sizeof words,
                    "Rule %d: Any cells within the region (%s) will be deleted.\n", n, text1);
      break;
    case RuleCode::kDE:
      std::snprintf(words, sizeof words, "Rule %d: Any cells found at (%d, %d) will be deleted.\n",
                    n, p[1], p[2]);
      break;
    case RuleCode::kCI:
      std::snprintf(words, sizeof words,
                    "Rule %d: If an interior cell called (%s) is found, a copy of it called (%s) "
                    "will be created.\n",
                    n, text1, rule.fields[2].c_str());
      break;
    case RuleCode::kDI:
      std::snprintf(words, sizeof words,
                    "Rule %d: Any interior cells called (%s) will be deleted.\n", n, text1);
      break;
  }
  return words;
}

bool copyNameTooLong(const Rule& rule) {
  return rule.code == RuleCode::kCI && rule.fields[2].size() > rule.fields[1].size();
}

bool copyNameEmpty(const Rule& rule) {
  return rule.code == RuleCode::kCI && rule.fields[2].empty();
}
