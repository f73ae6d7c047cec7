// The rule reader's steps, shared by the listing and the matching in
// evaluate_rules.cpp: opening "quendrel.cfg", fetching the next line that
// begins with a letter already split into ruleFields, and telling which rule
// code the line carries.
#pragma once

#include <cstdio>
#include <memory>

#include "rules/rules.h"
#include "base/text_lines.h"

using RulesFile = std::unique_ptr<std::FILE, FileCloser>;

// One piece of a rules-file line: 1023 characters and a terminator.
constexpr std::size_t kRuleLineSize = 1024;

// The twelve rule codes in the order they are tested: the ten exterior
// codes, then the two interior ones.
enum class RuleCode { kTA, kCA, kTR, kCR, kMC, kCE, kTC, kDA, kDR, kDE, kCI, kDI, kNone };

// Opens the rules file as text; ends the run with status 1 when it cannot.
// While its bytes are held in memory (rules.h), it opens a stream over them
// instead.
RulesFile openRulesFile(const char* rulesPath);

// Reads lines until one begins with an ASCII letter and splits it into
// ruleFields; a line with too many parameters ends the run with status 1.
// Returns false at the end of the file.
bool readRuleCandidate(std::FILE* file, char (&line)[kRuleLineSize]);

// The code the line's first two characters name among the codes of one kind
// (exterior when isInterior is 0, interior otherwise), or kNone.
RuleCode ruleCodeOf(const char* line, int isInterior);
