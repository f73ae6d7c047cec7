// Reading the rules file line by line, and telling its comments and its
// options line from the lines that may be rules.
#include "rules/rule_lines.h"

#include <cstring>

#include "base/ascii.h"
#include "base/text_lines.h"

namespace {

// The options line's keyword and its blank.
constexpr char kOptionsKeyword[] = "quendrel ";
constexpr std::size_t kOptionsKeywordLength = sizeof kOptionsKeyword - 1;

}  // namespace

bool RuleLineReader::next() {
  length_ = file_ != nullptr ? readLine(file_, line_, sizeof line_)
                             : readLine(text_, at_, line_, sizeof line_);
  if (length_ == 0) return false;
  if (lineEnded_) ++number_;
  lineEnded_ = line_[length_ - 1] == '\n';
  return true;
}

bool RuleLineReader::isComment() const { return !isAsciiLetter(line_[0]); }

bool RuleLineReader::isOptionsLine() const {
  if (length_ < kOptionsKeywordLength) return false;
  char keyword[kOptionsKeywordLength + 1];
  lowerCaseCopy(line_, kOptionsKeywordLength, keyword);
  return std::strcmp(keyword, kOptionsKeyword) == 0;
}

const char* RuleLineReader::optionsArguments() const {
  return line_ + kOptionsKeywordLength - 1;
}
