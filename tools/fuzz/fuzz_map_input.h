// The layout of one input of quendrel-map's fuzz target, shared by the
// target and its seed maker:
//
//   byte 0      option bits: bit 0 --suggest, bit 1 --json, bit 2 the load
//               order is openmw.cfg (else Morrowind.ini), bit 3
//               --write-interiors, bits 4 and 5 the --margin (0 to 3), bit 6
//               C.esp given with --against rather than found in Data Files
//   then        parts, each ended by kMapFuzzSeparator: the load order's text,
//               the reserve file (none when empty), the rules, the plugin
//               mod.esp, and the plugins A.esm, B.esp and C.esp
//
// The files go into a made-up game: game/Morrowind.ini or game/openmw.cfg
// beside "game/Data Files", which holds A.esm, B.esp and C.esp.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view kMapFuzzSeparator = "\n@@PART@@\n";

struct MapFuzzInput {
  uint8_t options = 0;
  // load order, reserve, rules, mod.esp, A.esm, B.esp, C.esp
  std::array<std::string, 7> parts;
};

inline MapFuzzInput decodeMapFuzzInput(std::string_view bytes) {
  MapFuzzInput input;
  if (bytes.empty()) return input;
  input.options = static_cast<uint8_t>(bytes[0]);
  bytes.remove_prefix(1);
  for (std::string& part : input.parts) {
    const std::size_t end = bytes.find(kMapFuzzSeparator);
    part = bytes.substr(0, end);
    if (end == std::string_view::npos) break;
    bytes.remove_prefix(end + kMapFuzzSeparator.size());
  }
  return input;
}

inline std::string encodeMapFuzzInput(const MapFuzzInput& input) {
  std::string bytes(1, static_cast<char>(input.options));
  for (const std::string& part : input.parts) {
    bytes += part;
    bytes += kMapFuzzSeparator;
  }
  return bytes;
}
