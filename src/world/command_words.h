// The nine script commands that carry a world position, and where each keeps
// its X, Y and cell-name arguments (numbered from 1). The filter that picks
// the lines worth a look, the reading of a line's coordinates (for finding
// what points into the world) and the rewriting of one line use this table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

// A line buffer of script text: 1023 bytes and a terminator. Longer lines
// are read in pieces of this size, each taken as a line of its own.
constexpr std::size_t kScriptLineSize = 1024;

struct CommandWord {
  const char* word;
  int xArgument;
  int yArgument;
  int cellNameArgument;  // the one argument in which a double quote opens text
  bool aiCommand;        // an AI package whose X and Y of 0, 0 mean "no destination"
  bool namesCell;        // the command names its cell; a named interior cell is never shifted
};

// Searched in this order: the first word that occurs anywhere in the line
// decides. "position" comes first and also finds "positioncell" (same
// arguments), so the "positioncell" row is never the first found; every other
// "...cell" word comes before the shorter word it begins with.
//
//   Position 1000, 2000, 300, 0            X 1000, Y 2000
//   PlaceItem "rock", 100, 200, 0, 0      X 100, Y 200
//   AIEscort player, 10, 0, 500, 0        X 0, Y 500
constexpr CommandWord kCommandWords[] = {
    {"position", 1, 2, 5, false, false},      {"positioncell", 1, 2, 5, false, true},
    {"aitravel", 1, 2, 5, false, false},      {"placeitemcell", 3, 4, 2, false, true},
    {"placeitem", 2, 3, 1, false, false},     {"aifollowcell", 4, 5, 2, true, true},
    {"aiescortcell", 4, 5, 2, true, true},    {"aifollow", 3, 4, 2, true, false},
    {"aiescort", 3, 4, 2, true, false},
};

// True when the lower-cased line holds one of the command words directly
// followed by a blank or a comma, and does not hold "disposition":
// "ModDisposition 10" holds "position " but moves nothing. A command word
// followed by a tab, a quote or the end of the line does not count.
inline bool holdsCommandWord(const char* lower) {
  if (std::strstr(lower, "disposition") != nullptr) return false;
  for (const CommandWord& command : kCommandWords) {
    const std::size_t length = std::strlen(command.word);
    for (const char* at = std::strstr(lower, command.word); at != nullptr;
         at = std::strstr(at + 1, command.word)) {
      if (at[length] == ' ' || at[length] == ',') return true;
    }
  }
  return false;
}

// Where in the bytes the next command word begins at or after `from`, in
// any case of its letters; `size` when none does. A line (or a piece of
// one) without any is no command line, as holdsCommandWord only finds them
// in its lower-cased copy. Passes over the many texts and lines that hold
// no command sixteen bytes at a time, e.g. "Journal \"quest_1\" 10" (no
// "po", "ai" or "pl" in it).
std::size_t nextCommandWord(const uint8_t* text, std::size_t size, std::size_t from);

// Where a command line keeps its X and Y, and what they say.
struct CommandCoordinates {
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;  // first byte after the argument
  };
  const CommandWord* form;
  Span x, y;
  float xValue, yValue;
  // The command line names its cell (any cell-naming word anywhere in it):
  // a named interior cell is never shifted. `cellName` is the quoted text of
  // the cell-name argument, lower-cased.
  bool namesCell;
  std::string cellName;
};

// Reads the command of the lower-cased line (one line of at most
// kScriptLineSize - 1 bytes, zero-terminated): the first command word found
// decides. Nothing when no command word stands there on its own (the byte
// before it is a letter or digit), when the X or Y argument is missing or
// longer than 31 bytes, or for an AI command whose X and Y are both 0.
std::optional<CommandCoordinates> readCommandCoordinates(const char* lower);
