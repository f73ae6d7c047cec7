// The layout of one fuzz input, shared by the fuzz target, its seed maker and
// the test that replays kept inputs through the real program:
//
//   byte 0          option bits: bit 0 -v, bit 1 -n, bit 2 -l, bit 3 -d,
//                   bits 4 and 5 together -r; bit 6 puts the options on the
//                   options line of quendrel.cfg and runs with no argument;
//                   bit 7 --follow in.esp (the plugin follows its own move,
//                   so the mod is read from the fuzzed bytes as well)
//   bytes 1..       rules text up to the separator kFuzzSeparator
//   after it        the plugin bytes
//
// An input without the separator is all plugin, run with no options and a
// rules file that moves every cell, so that plain plugin files work as seeds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kFuzzSeparator = "\n@@ESP@@\n";

struct FuzzInput {
  std::vector<std::string> arguments;  // behind the program name; the plugin is "in.esp"
  std::string rules = "TA, 1, -1\n";
  std::string plugin;
};

inline FuzzInput decodeFuzzInput(std::string_view bytes) {
  FuzzInput input;
  input.plugin = bytes;
  uint8_t bits = 0;
  if (std::size_t at = bytes.find(kFuzzSeparator); at != std::string_view::npos && at > 0) {
    bits = static_cast<uint8_t>(bytes[0]);
    input.rules = bytes.substr(1, at - 1);
    input.plugin = bytes.substr(at + kFuzzSeparator.size());
  }
  std::vector<std::string> options;
  if (bits & 1) options.push_back("-v");
  if (bits & 2) options.push_back("-n");
  if (bits & 4) options.push_back("-l");
  if (bits & 8) options.push_back("-d");
  if ((bits & 0x30) == 0x30) options.push_back("-r");
  if (bits & 0x80) {
    options.push_back("--follow");
    options.push_back("in.esp");
  }
  options.push_back("in.esp");
  if (bits & 0x40) {
    std::string line = "quendrel";
    for (const std::string& option : options) line += " " + option;
    input.rules = line + "\n" + input.rules;
  } else {
    input.arguments = options;
  }
  return input;
}
