// A made-up game for the pointers a move leaves behind: a mod whose rules
// move two grids and delete one, two patches, and one plugin of each kind of
// pointer into the mod's grids, each with one pointer just outside them.
//
//   Mod.esm           (0, 0) "Shore" and (1, 0) "" in the region Isle: moved by
//                     (10, 0); (2, 0) "": deleted; (5, 5) "Keep": kept;
//                     (6, 6) "Twin": copied to (20, 20); the interior "Mod Hall"
//   Mod - Patch.esp   a tree in its own "Shore" at (0, 0); a door in
//                     "Patch House" to (1, 0)
//   Other Patch.esp   a rock in its cell at (1, 0) (region Isle), and a
//                     reference moved by a marker to (2, 0)
//   Doors.esp         doors in "Balmora, Guild of Mages" to (0, 0), and to the
//                     copied (6, 6)
//   Travel.esp        the character "guide" travels to (1, 0), and to (3, 0)
//   Packages.esp      "escort" has a travel package to (2, 0), a follow
//                     package to the kept (5, 5)
//   Markers.esp       in "Field" (9, 9), a marker naming (0, 0), one naming (3, 3)
//   Objects.esp       a crate in its cell at (2, 0) without name or region; a
//                     crate in its cell at (-1, 0)
//   Scripts.esp       "MoveScript" positions at (0, 0); a PositionCell into
//                     the interior "Mod Hall" and a position at (4, 0)
//   Dialogue.esp      the topic "ride" sends an actor to (1, 0), and to (0, 1)
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin_builder.h"

namespace testing_plugin {

// Files of the game: name and bytes, in load order.
inline std::vector<std::pair<std::string, std::string>> pointerGame() {
  // The middle of a cell's ground, in world units.
  auto at = [](int32_t cell) { return static_cast<float>(cell * 8192 + 4096); };
  auto npc = [](const std::string& id, const std::string& rest) {
    return record("NPC_", sub("NAME", zstr(id)) + rest);
  };
  auto package = [](const char* type, float x, float y) {
    return sub(type, f32(x) + f32(y) + f32(0) + std::string(4, '\0'));
  };
  return {
      {"Mod.esm", header(1) + exteriorCell("Shore", 0, 0, "Isle") + exteriorCell("", 1, 0, "Isle") +
                      exteriorCell("", 2, 0) + exteriorCell("Keep", 5, 5) +
                      exteriorCell("Twin", 6, 6) + interiorCell("Mod Hall")},
      {"Mod - Patch.esp",
       header({"Mod.esm"}) + exteriorCell("Shore", 0, 0, "Isle", reference(1, "tree", 100, 100)) +
           interiorCell("Patch House", reference(2, "door", 0, 0, 0, doorDestination(at(1), 10)))},
      {"Other Patch.esp",
       header({"Mod.esm"}) + exteriorCell("", 1, 0, "Isle",
                                          reference(1, "rock", at(1), 0) +
                                              sub("CNDT", i32(2) + i32(0)) +
                                              reference(2, "barrel", at(2), 0))},
      {"Doors.esp",
       header() + interiorCell("Balmora, Guild of Mages",
                               reference(1, "door", 0, 0, 0, doorDestination(at(0), at(0))) +
                                   reference(2, "door", 0, 0, 0, doorDestination(at(6), at(6))))},
      {"Travel.esp",
       header() + npc("guide", sub("DODT", f32(at(1)) + f32(0) + std::string(16, '\0')) +
                                   sub("DODT", f32(at(3)) + f32(0) + std::string(16, '\0')))},
      {"Packages.esp", header() + npc("escort", package("AI_T", at(2), at(0)) +
                                                    package("AI_F", at(5), at(5)))},
      {"Markers.esp", header() + exteriorCell("Field", 9, 9, "",
                                              sub("CNDT", i32(0) + i32(0)) +
                                                  reference(1, "cart", 1, 1) +
                                                  sub("CNDT", i32(3) + i32(3)) +
                                                  reference(2, "cart", 2, 2))},
      {"Objects.esp", header() + exteriorCell("", 2, 0, "", reference(1, "crate", at(2), 0)) +
                          exteriorCell("", -1, 0, "", reference(1, "crate", at(-1), 0))},
      {"Scripts.esp",
       header() + script("MoveScript",
                         "begin MoveScript\r\nposition 4096, 4096, 0, 0\r\n"
                         "player->PositionCell 4096 4096 0 0 \"Mod Hall\"\r\n"
                         "position 36864, 0, 0, 0\r\nend\r\n")},
      {"Dialogue.esp", header() + record("DIAL", sub("NAME", zstr("ride")) + sub("DATA", std::string(1, '\0'))) +
                           record("INFO", sub("INAM", zstr("1")) +
                                              sub("BNAM", "AITravel 12288 100 0\r\n"
                                                          "AITravel 100 12288 0"))},
  };
}

// The rules that move the mod: (0, 0) and (1, 0) to (10, 0) and (11, 0),
// (2, 0) deleted, (6, 6) copied.
inline const char* pointerGameRules() { return "TR, Isle, 10, 0\nDE, 2, 0\nCE, 6, 6, 20, 20\n"; }

}  // namespace testing_plugin
