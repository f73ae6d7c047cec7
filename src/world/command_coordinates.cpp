// Reading the X and Y arguments of one script command line, as the table of
// command words places them: the lines quendrel rewrites and the pointers the
// finder reports come from this one reading.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "base/ascii.h"
#include "world/command_words.h"

namespace {

constexpr std::size_t kArgumentTextMax = 31;

bool isSeparator(char c) { return isAsciiSpace(c) || c == ','; }

using Span = CommandCoordinates::Span;

// Reads the longest leading decimal number of `text` (white space skipped;
// optional sign, digits, optional point and fraction, optional exponent) and
// rounds it to single precision. Hexadecimal, "inf" and "nan" are not numbers
// here; a text without a number reads as 0.
float readDecimalFloat(const char* text) {
  const char* p = text;
  while (isAsciiSpace(*p)) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  std::size_t digits = 0;
  while (*p >= '0' && *p <= '9') ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (*p >= '0' && *p <= '9') ++p, ++digits;
  }
  if (digits == 0) return 0.0f;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (*q >= '0' && *q <= '9') {
      while (*q >= '0' && *q <= '9') ++q;
      p = q;
    }
  }
  // strtod reads exactly the prefix checked above (the program never changes
  // the numeric locale, so the decimal point is ".").
  std::string number(start, p);
  double value = std::strtod(number.c_str(), nullptr);
  // A value beyond the float range has no finite float; converting it would
  // be undefined, and its infinity lies in no cell.
  if (std::fabs(value) > std::numeric_limits<float>::max()) {
    return value < 0 ? -std::numeric_limits<float>::infinity()
                     : std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

// Copies the argument into a 32-byte field; false when it does not fit.
bool copyArgument(const char* line, const Span& span, char (&text)[kArgumentTextMax + 1]) {
  std::size_t length = span.end - span.begin;
  if (length > kArgumentTextMax) return false;
  std::memcpy(text, line + span.begin, length);
  text[length] = '\0';
  return true;
}

}  // namespace

std::optional<CommandCoordinates> readCommandCoordinates(const char* lower) {
  const CommandWord* form = nullptr;
  const char* found = nullptr;
  for (const CommandWord& candidate : kCommandWords) {
    found = std::strstr(lower, candidate.word);
    if (found != nullptr) {
      form = &candidate;
      break;
    }
  }
  if (form == nullptr) return std::nullopt;
  const std::size_t commandAt = static_cast<std::size_t>(found - lower);

  // Only the one byte before the word tells a command from the tail of a
  // longer name such as "MyPosition"; "my_position" still counts.
  if (commandAt > 0 && isAsciiLetterOrDigit(lower[commandAt - 1])) return std::nullopt;

  // Pass over the command word (and anything stuck to it), then the separators.
  std::size_t at = commandAt;
  while (lower[at] != '\0' && !isSeparator(lower[at])) ++at;
  while (isSeparator(lower[at])) ++at;
  if (lower[at] == '\0') return std::nullopt;

  // Runs of blanks and commas never make empty arguments. Only in the
  // cell-name argument does a double quote open text that may hold
  // separators; its quoted characters make up the cell name.
  std::optional<Span> xSpan, ySpan;
  std::string cellName;
  for (int number = 1; lower[at] != '\0'; ++number) {
    Span span{at, at};
    if (number == form->cellNameArgument) {
      while (lower[at] != '\0' && !isSeparator(lower[at])) {
        if (lower[at] == '"') {
          ++at;
          while (lower[at] != '\0' && lower[at] != '"') cellName += lower[at++];
          if (lower[at] == '"') ++at;
        } else {
          ++at;
        }
      }
    } else {
      while (lower[at] != '\0' && !isSeparator(lower[at])) ++at;
    }
    span.end = at;
    if (number == form->xArgument) xSpan = span;
    if (number == form->yArgument) ySpan = span;
    while (isSeparator(lower[at])) ++at;
  }
  if (!xSpan || !ySpan) return std::nullopt;

  char xText[kArgumentTextMax + 1];
  char yText[kArgumentTextMax + 1];
  if (!copyArgument(lower, *xSpan, xText) || !copyArgument(lower, *ySpan, yText)) {
    return std::nullopt;
  }
  const float x = readDecimalFloat(xText);
  const float y = readDecimalFloat(yText);
  if (form->aiCommand && x == 0.0f && y == 0.0f) return std::nullopt;

  // Any cell-naming word anywhere in the line, not only the one that decided.
  bool namesCell = false;
  for (const CommandWord& command : kCommandWords) {
    if (command.namesCell && std::strstr(lower, command.word) != nullptr) namesCell = true;
  }
  return CommandCoordinates{form, *xSpan, *ySpan, x, y, namesCell, std::move(cellName)};
}
