// The rules file's lines as quendrel reads them, for every reader of the
// file: the rule table, the options line and the check of the rules. A line
// is read as text (a CR LF line end arrives as LF) in pieces of at most
// kRuleLineSize - 1 bytes, each piece a line of its own; a line that does
// not begin with an ASCII letter is a comment, and the options line is the
// first line whose first nine characters, in any case, are "quendrel ".
// E.g. "quendrel -v mod.esp\n; move the coast\nTR, Coast, 0, 3\n" is line 1
// an options line, line 2 a comment, line 3 a rule candidate.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string_view>

// One piece of a line: 1023 characters and a terminator.
constexpr std::size_t kRuleLineSize = 1024;

class RuleLineReader {
 public:
  explicit RuleLineReader(std::FILE* file) : file_(file) {}
  explicit RuleLineReader(std::string_view text) : text_(text) {}
  RuleLineReader(const RuleLineReader&) = delete;
  RuleLineReader& operator=(const RuleLineReader&) = delete;

  // Reads the next piece; false at the end of the file.
  bool next();

  // The piece read, zero-terminated, still ending in its line feed if it
  // has one (it may hold a zero byte before its end).
  const char* text() const { return line_; }
  std::size_t length() const { return length_; }
  // The line of the file it stands on, counted from 1: the pieces of a long
  // line share its number.
  int number() const { return number_; }

  bool isComment() const;
  bool isOptionsLine() const;
  // The options line's arguments: its text from the keyword's blank on.
  const char* optionsArguments() const;

 private:
  std::FILE* file_ = nullptr;
  std::string_view text_;
  std::size_t at_ = 0;
  char line_[kRuleLineSize] = {};
  std::size_t length_ = 0;
  int number_ = 0;
  bool lineEnded_ = true;  // the piece read before ended its line
};
