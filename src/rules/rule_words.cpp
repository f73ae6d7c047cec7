// The rules in words, as the start-up listing writes them to the run log so
// that the user can check what the rules file says.
#include "rules/rule_codes.h"
#include "rules/rules.h"

std::string ruleInWords(const Rule& rule) {
  return fillRuleText(ruleCodeRow(rule.code).words, rule);
}

int parametersOf(RuleCode code) { return ruleCodeRow(code).parameters; }

bool copyNameTooLong(const Rule& rule) {
  return rule.code == RuleCode::kCI && rule.fields[2].size() > rule.fields[1].size();
}

bool copyNameEmpty(const Rule& rule) {
  return rule.code == RuleCode::kCI && rule.fields[2].empty();
}
