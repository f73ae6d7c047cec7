// Finding where a command word begins in script or dialogue text, at any
// case of its letters, sixteen bytes at a time: the look in front of every
// closer reading of a line, by the pointer search and by the rewriting.
#include "world/command_words.h"

#include <cstdint>
#include <cstring>
#include <iterator>

#include "base/ascii.h"

namespace {

// The two letters the command words begin with, lower-cased: "po", "ai"
// and "pl" in ["position", "aitravel", "placeitemcell", ...].
struct CommandStart {
  char first = 0, second = 0;
};
struct CommandStarts {
  CommandStart starts[std::size(kCommandWords)] = {};
  std::size_t count = 0;
};
constexpr CommandStarts commandStarts() {
  CommandStarts starts;
  for (const CommandWord& command : kCommandWords) {
    bool known = false;
    for (std::size_t i = 0; i < starts.count; ++i) {
      known = known || (starts.starts[i].first == command.word[0] &&
                        starts.starts[i].second == command.word[1]);
    }
    if (!known) starts.starts[starts.count++] = {command.word[0], command.word[1]};
  }
  return starts;
}
constexpr CommandStarts kCommandStarts = commandStarts();

// True when a command word stands at `text`, in any case of its letters.
bool commandWordAt(const uint8_t* text, std::size_t size) {
  for (const CommandWord& command : kCommandWords) {
    std::size_t i = 0;
    while (command.word[i] != '\0' && i < size &&
           toLowerAscii(static_cast<char>(text[i])) == command.word[i]) {
      ++i;
    }
    if (command.word[i] == '\0') return true;
  }
  return false;
}

// Sixteen bytes looked at together. Setting the bit 0x20 lower-cases a
// letter and makes no other byte a letter: only "A" and "a" become "a".
// (The compiler's vector types: one instruction a step where the machine
// has them, a loop where it has not.)
constexpr std::size_t kBlock = 16;
using Block = uint8_t __attribute__((vector_size(kBlock)));
using BlockMask = int8_t __attribute__((vector_size(kBlock)));

// True when two letters a command word begins with may stand at one of the
// 16 places from `text` on (17 bytes are read).
bool commandStartInBlock(const uint8_t* text) {
  Block firsts, seconds;
  std::memcpy(&firsts, text, kBlock);
  std::memcpy(&seconds, text + 1, kBlock);
  firsts |= 0x20;
  seconds |= 0x20;
  BlockMask found = {};
  for (std::size_t i = 0; i < kCommandStarts.count; ++i) {
    const CommandStart start = kCommandStarts.starts[i];
    found |= (firsts == static_cast<uint8_t>(start.first)) &
             (seconds == static_cast<uint8_t>(start.second));
  }
  uint64_t halves[2];
  std::memcpy(halves, &found, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

}  // namespace

std::size_t nextCommandWord(const uint8_t* text, std::size_t size, std::size_t from) {
  auto startsAt = [&](std::size_t i) {
    const char first = toLowerAscii(static_cast<char>(text[i]));
    const char second = toLowerAscii(static_cast<char>(text[i + 1]));
    for (std::size_t k = 0; k < kCommandStarts.count; ++k) {
      if (kCommandStarts.starts[k].first == first && kCommandStarts.starts[k].second == second) {
        return commandWordAt(text + i, size - i);
      }
    }
    return false;
  };
  std::size_t i = from;
  for (; i + kBlock < size; i += kBlock) {
    if (!commandStartInBlock(text + i)) continue;
    for (std::size_t at = i; at < i + kBlock; ++at) {
      if (startsAt(at)) return at;
    }
  }
  // Every command word is longer than two letters.
  for (; i + 1 < size; ++i) {
    if (startsAt(i)) return i;
  }
  return size;
}
