// Shifting the X and Y arguments of one script command line when the exterior
// cell they point into has moved. Everything but those two arguments is copied
// through byte for byte, case, comments and line break included.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/numbers.h"
#include "base/text_format.h"
#include "records/record_layout.h"
#include "script/command_words.h"
#include "script/script_text.h"

namespace {

constexpr std::size_t kArgumentTextMax = 31;

bool isSeparator(char c) { return isAsciiSpace(c) || c == ','; }

struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;  // first byte after the argument
};

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

int rewriteCommandLine(RunContext& context, char* line) {
  const std::size_t length = strnlen(line, kScriptLineSize - 1);
  char lower[kScriptLineSize];
  lowerCaseCopy(line, length, lower);

  const CommandWord* form = nullptr;
  const char* found = nullptr;
  for (const CommandWord& candidate : kCommandWords) {
    found = std::strstr(lower, candidate.word);
    if (found != nullptr) {
      form = &candidate;
      break;
    }
  }
  if (form == nullptr) return 0;
  const std::size_t commandAt = static_cast<std::size_t>(found - lower);

  // Only the one byte before the word tells a command from the tail of a
  // longer name such as "MyPosition"; "my_position" still counts.
  if (commandAt > 0 && isAsciiLetterOrDigit(lower[commandAt - 1])) return 0;

  // Pass over the command word (and anything stuck to it), then the separators.
  std::size_t at = commandAt;
  while (lower[at] != '\0' && !isSeparator(lower[at])) ++at;
  while (isSeparator(lower[at])) ++at;
  if (lower[at] == '\0') return 0;

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
  if (!xSpan || !ySpan) return 0;

  char xText[kArgumentTextMax + 1];
  char yText[kArgumentTextMax + 1];
  if (!copyArgument(lower, *xSpan, xText) || !copyArgument(lower, *ySpan, yText)) return 0;
  const float x = readDecimalFloat(xText);
  const float y = readDecimalFloat(yText);
  const std::optional<GridCell> cell = cellOfPosition(x, y);

  if (form->aiCommand && x == 0.0f && y == 0.0f) return 0;

  // Any cell-naming word anywhere in the line, not only the one that decided.
  bool namesCell = false;
  for (const CommandWord& command : kCommandWords) {
    if (command.namesCell && std::strstr(lower, command.word) != nullptr) namesCell = true;
  }
  if (namesCell) {
    if (context.interiors().isInteriorCell(cellName.c_str(), context.log)) {
      if (context.options.verbose) {
        context.log.append(formatted(
            "\n\t((AIEscort/AIFollow/Position/PlaceItem))Cell Script command identified as "
            "Internal, so ignored: %.*s",
            static_cast<int>(length), line));
      }
      return 0;
    }
    if (context.options.verbose) {
      context.log.append(formatted(
          "\n\t(AIEscort/AIFollow/Position/PlaceItem)Cell command identified as External, so "
          "processed: %.*s",
          static_cast<int>(length), line));
    }
  }

  // A position outside every cell (infinite or far beyond the grid) has nothing to follow.
  if (!cell) return 0;
  const std::optional<GridCell> offset = context.facts.moves.find(*cell);
  if (!offset) return 0;
  const int32_t offsetX = offset->x;
  const int32_t offsetY = offset->y;

  // Shifted in double precision: the text gets the exact sum, not a float
  // rounding of it (1234.567 + 16384 is written 17618.567017).
  const double newX = static_cast<double>(x) + offsetX * 8192.0;
  const double newY = static_cast<double>(y) + offsetY * 8192.0;

  const FixedText newXText = fixedSixDecimals(newX);
  const FixedText newYText = fixedSixDecimals(newY);
  std::string rebuilt(line, xSpan->begin);
  rebuilt += newXText.text;
  rebuilt.append(line + xSpan->end, ySpan->begin - xSpan->end);
  rebuilt += newYText.text;
  rebuilt.append(line + ySpan->end, length - ySpan->end);
  if (rebuilt.size() > kScriptLineSize - 1) return 0;

  context.log.append(formatted("\n\tMODIFIED script usage of co-ords (%s, %s) to (%s,%s)",
                             fixedSixDecimals(x).text, fixedSixDecimals(y).text, newXText.text,
                             newYText.text));
  std::memcpy(line, rebuilt.c_str(), rebuilt.size() + 1);
  return 1;
}
