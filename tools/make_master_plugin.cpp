// Writes a synthetic plugin of the size and make-up of a game's master file,
// for measuring Quendrel on whole masters: about 80 MB in about 48,000
// records. It holds 1,500 exterior and 1,000 interior cells with 100,000
// placed references (a few hundred behind moved-reference markers) and some
// 3,000 doors, 1,400 full-size LAND records, 2,500 path grids, 2,700
// characters with travel, escort and follow packages and travel services,
// 600 scripts with position and placement commands, 30,000 dialogue entries
// of which 5,000 carry result text, and other records (statics, books,
// topics) that Quendrel copies through, sized so that the file reaches the
// target size. Beside it goes a rules file whose TA rule moves every
// exterior cell.
//
// Usage: make_master_plugin OUTPUT.esp RULES.cfg [TARGET_MEGABYTES]
// The output is the same for the same arguments.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fixed_random.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

using Random = FixedRandom;

constexpr int kExteriorCells = 1500;
constexpr int kGridWidth = 40;  // exterior cells lie on a 40-wide block from (-20, -19)
constexpr int kGridLeft = -20;
constexpr int kGridBottom = -19;
constexpr int kInteriorCells = 1000;
constexpr int kReferences = 100000;
constexpr int kExteriorReferences = 60000;
constexpr int kMovedReferences = 300;
constexpr int kInteriorDoorsOut = 2000;   // interior doors leading to the exterior
constexpr int kInteriorDoorsIn = 600;     // interior doors leading to another interior
constexpr int kExteriorDoors = 400;       // exterior doors leading into interiors
constexpr int kLands = 1400;
constexpr int kExteriorPathGrids = 1400;
constexpr int kInteriorPathGrids = 1100;
constexpr int kCharacters = 2700;
constexpr int kScripts = 600;
constexpr int kTopics = 1500;
constexpr int kDialogueEntries = 30000;
constexpr int kResultTexts = 5000;
constexpr int kOtherRecords = 6700;

const char* const kRegions[] = {"Ascadian Isles Region", "Bitter Coast Region",
                                "West Gash Region",      "Ashlands Region",
                                "Grazelands Region",     "Molag Mar Region",
                                "Azura's Coast Region",  "Sheogorad",
                                "Red Mountain Region",   "Mournland \"Waste\" Region"};

struct Grid {
  int32_t x, y;
};
Grid exteriorGrid(int i) { return {kGridLeft + i % kGridWidth, kGridBottom + i / kGridWidth}; }
const char* regionOf(int i) { return kRegions[(i / 97) % 10]; }
std::string exteriorName(int i) { return i % 7 == 0 ? "Town " + std::to_string(i) : ""; }
std::string interiorName(int i) {
  return "Interior, Hall " + std::to_string(i) + (i % 3 == 0 ? ": Lower Level" : "");
}

// A world position inside exterior cell i.
float worldX(Random& r, int i) {
  return static_cast<float>(exteriorGrid(i).x * 8192) + r.between(1.0f, 8191.0f);
}
float worldY(Random& r, int i) {
  return static_cast<float>(exteriorGrid(i).y * 8192) + r.between(1.0f, 8191.0f);
}

std::string bytes(Random& r, std::size_t n) { return r.bytes(n); }
std::string fixedText(const std::string& s, std::size_t n) {
  std::string t = s.substr(0, n);
  t.resize(n, '\0');
  return t;
}

std::string placedReference(Random& r, int index, float x, float y, const std::string& between) {
  static const char* const kObjects[] = {"flora_tree_ai_01", "terrain_rock_ai_05",
                                         "ex_common_house_01", "furn_de_chair_02",
                                         "light_com_candle_06", "misc_com_bottle_07"};
  std::string extra = between;
  if (r.below(4) == 0) extra = sub("XSCL", f32(r.between(0.5f, 2.0f))) + extra;
  return reference(index, kObjects[r.below(6)], x, y, r.between(-200.0f, 2000.0f), extra);
}

std::string exteriorCellRecord(Random& r, int i, int references, int doors, int& index) {
  const Grid g = exteriorGrid(i);
  std::string rest = sub("NAM5", i32(0x00808080)) + sub("NAM0", i32(references));
  for (int k = 0; k < references; ++k) {
    std::string between;
    if (k < doors) {
      between = doorDestination(r.between(-3000.0f, 3000.0f), r.between(-3000.0f, 3000.0f)) +
                sub("DNAM", zstr(interiorName(r.below(kInteriorCells))));
    }
    rest += placedReference(r, ++index, worldX(r, i), worldY(r, i), between);
  }
  std::string data = sub("NAME", zstr(exteriorName(i))) + cellData(2, g.x, g.y) +
                     sub("RGNN", zstr(regionOf(i)));
  return record("CELL", data + rest);
}

// References that moved into cell `to` from another cell are listed in their
// old cell behind MVRF and CNDT (the grid of the cell they now stand in).
std::string movedReferences(Random& r, int to, int count, int& index) {
  std::string s;
  const Grid g = exteriorGrid(to);
  for (int k = 0; k < count; ++k) {
    ++index;
    s += sub("MVRF", i32(index)) + sub("CNDT", i32(g.x) + i32(g.y)) +
         placedReference(r, index, worldX(r, to), worldY(r, to), "");
  }
  return s;
}

std::string interiorCellRecord(Random& r, int i, int references, int doorsOut, int doorsIn,
                               int& index) {
  std::string rest = sub("WHGT", f32(0)) + sub("NAM0", i32(references));
  for (int k = 0; k < references; ++k) {
    std::string between;
    if (k < doorsOut) {
      const int target = r.below(kExteriorCells);
      between = doorDestination(worldX(r, target), worldY(r, target));
    } else if (k < doorsOut + doorsIn) {
      between = doorDestination(r.between(-3000.0f, 3000.0f), r.between(-3000.0f, 3000.0f)) +
                sub("DNAM", zstr(interiorName(r.below(kInteriorCells))));
    }
    rest += placedReference(r, ++index, r.between(-4000.0f, 4000.0f),
                            r.between(-4000.0f, 4000.0f), between);
  }
  return record("CELL", sub("NAME", zstr(interiorName(i))) + cellData(1, 0, 0) +
                            sub("AMBI", std::string(16, '\x20')) + rest);
}

// A LAND record as the game's editor writes it: normals and colours for
// 65 x 65 vertices, heights, the low-resolution world map heights and the
// 16 x 16 texture indices.
std::string landRecord(Random& r, int i) {
  const Grid g = exteriorGrid(i);
  std::string rest = sub("VNML", bytes(r, 12675)) + sub("VHGT", bytes(r, 4232)) +
                     sub("WNAM", bytes(r, 81)) + sub("VCLR", bytes(r, 12675)) +
                     sub("VTEX", bytes(r, 512));
  return land(g.x, g.y, rest);
}

std::string pathGridRecord(Random& r, int32_t x, int32_t y, const std::string& name) {
  const int points = 20 + r.below(60);
  const int connections = points * 2;
  std::string data = i32(x) + i32(y) + std::string(1, '\x80') + std::string(1, '\0') +
                     std::string(1, static_cast<char>(points & 0xff)) +
                     std::string(1, static_cast<char>(points >> 8));
  return record("PGRD", sub("DATA", data) + sub("NAME", zstr(name)) +
                            sub("PGRP", bytes(r, 16u * points)) +
                            sub("PGRC", bytes(r, 4u * connections)));
}

std::string characterRecord(Random& r, int i) {
  const std::string id = "npc_" + std::to_string(i);
  std::string d = sub("NAME", zstr(id)) + sub("FNAM", zstr("Character " + std::to_string(i))) +
                  sub("RNAM", zstr("Dark Elf")) + sub("CNAM", zstr("Commoner")) +
                  sub("ANAM", zstr("Hlaalu")) + sub("BNAM", zstr("b_n_dark elf_m_head_01")) +
                  sub("KNAM", zstr("b_n_dark elf_m_hair_02")) + sub("NPDT", bytes(r, 52)) +
                  sub("FLAG", i32(0x18));
  for (int k = 0; k < 6; ++k) d += sub("NPCO", i32(1) + fixedText("common_shirt_0" + std::to_string(k), 32));
  for (int k = 0; k < 3; ++k) d += sub("NPCS", fixedText("spell_" + std::to_string(k), 32));
  d += sub("AIDT", bytes(r, 12));
  auto destination = [&] {
    const int c = r.below(kExteriorCells);
    return f32(worldX(r, c)) + f32(worldY(r, c)) + f32(r.between(0.0f, 900.0f));
  };
  if (i % 3 == 0) {
    // A travel service: where the character takes the player.
    for (int k = 0; k < 3; ++k) {
      d += sub("DODT", destination() + f32(0) + f32(0) + f32(0));
      if (k == 2) d += sub("DNAM", zstr(interiorName(r.below(kInteriorCells))));
    }
  }
  switch (i % 4) {
    case 0: d += sub("AI_T", destination() + i32(1)); break;
    case 1:
      d += sub("AI_E", destination() + i32(0x1e) + fixedText("player", 32) + i32(1));
      if (i % 8 == 1) d += sub("CNDT", zstr(interiorName(r.below(kInteriorCells))));
      break;
    case 2: d += sub("AI_F", destination() + i32(0x1e) + fixedText("player", 32) + i32(1)); break;
    default: d += sub("AI_W", bytes(r, 14)); break;
  }
  return record("NPC_", d);
}

// A script of some sixty lines, about a third of which place, move or send
// something somewhere in the world.
std::string scriptRecord(Random& r, int i) {
  const std::string name = "master_script_" + std::to_string(i);
  std::string text = "begin " + name + "\r\n\r\nshort doOnce\r\nfloat timer\r\n\r\n";
  for (int k = 0; k < 20; ++k) {
    const int c = r.below(kExteriorCells);
    const int x = static_cast<int>(worldX(r, c));
    const int y = static_cast<int>(worldY(r, c));
    switch (r.below(8)) {
      case 0: text += "\tplayer->position " + std::to_string(x) + ", " + std::to_string(y) + ", 300, 0\r\n"; break;
      case 1: text += "\tplaceitem \"misc_com_bottle_01\", " + std::to_string(x) + ", " + std::to_string(y) + ", 120, 0\r\n"; break;
      case 2: text += "\t\"npc_" + std::to_string(r.below(kCharacters)) + "\"->aitravel " + std::to_string(x) + " " + std::to_string(y) + " 500\r\n"; break;
      case 3: text += "\tpositioncell 12.5, -40, 7, 0, \"" + interiorName(r.below(kInteriorCells)) + "\"\r\n"; break;
      case 4: text += "\tplaceitemcell \"ingred_bread_01\", \"" + exteriorName(c) + "\", " + std::to_string(x) + ", " + std::to_string(y) + ", 20, 0\r\n"; break;
      case 5: text += "\taifollow player 0 " + std::to_string(x) + ", " + std::to_string(y) + ", 0\r\n"; break;
      case 6: text += "\tset timer to ( getpos x ) + 10\r\n"; break;
      default: text += "\tModDisposition 10\r\n"; break;
    }
    text += "\tif ( doOnce == 0 )\r\n\t\tset doOnce to 1\r\n\tendif\r\n";
  }
  text += "\r\nend " + name + "\r\n";
  std::string schd = fixedText(name, 32) + i32(1) + i32(1) + i32(0) + i32(static_cast<int32_t>(text.size() / 2)) + i32(8);
  return record("SCPT", sub("SCHD", schd) + sub("SCVR", zstr("doOnce") + zstr("timer")) +
                            sub("SCDT", bytes(r, text.size() / 2)) + sub("SCTX", text));
}

std::string topicRecord(int topic) {
  return record("DIAL", sub("NAME", zstr("topic " + std::to_string(topic))) + sub("DATA", std::string(1, '\0')));
}

std::string dialogueRecord(Random& r, int i, bool withResult) {
  std::string d = sub("INAM", zstr(std::to_string(100000 + i) + "1234567890")) +
                  sub("PNAM", zstr(std::to_string(100000 + i - 1) + "1234567890")) +
                  sub("NNAM", zstr(std::to_string(100000 + i + 1) + "1234567890")) +
                  sub("DATA", bytes(r, 12)) + sub("ONAM", zstr("npc_" + std::to_string(r.below(kCharacters)))) +
                  sub("RNAM", zstr("Dark Elf")) + sub("CNAM", zstr("Commoner")) +
                  sub("FNAM", zstr("Hlaalu")) + sub("ANAM", zstr("Balmora")) +
                  sub("NAME", zstr("I have heard rumours about the " + std::string(40 + r.below(200), 'x') + ". Be careful out there."));
  if (r.below(3) == 0) d += sub("SCVR", "00sX" + std::string("player_has_item")) + sub("INTV", i32(1));
  if (withResult) {
    const int c = r.below(kExteriorCells);
    std::string result;
    switch (r.below(4)) {
      case 0: result = "aitravel " + std::to_string(static_cast<int>(worldX(r, c))) + " " + std::to_string(static_cast<int>(worldY(r, c))) + " 200\r\n"; break;
      case 1: result = "Journal \"A1_Quest\" 10\r\nAddTopic \"little secret\"\r\n"; break;
      case 2: result = "player->positioncell 100, 200, 5, 0, \"" + interiorName(r.below(kInteriorCells)) + "\"\r\n"; break;
      default: result = "Goodbye\r\nplaceitem \"gold_001\" " + std::to_string(static_cast<int>(worldX(r, c))) + " " + std::to_string(static_cast<int>(worldY(r, c))) + " 10 0\r\n"; break;
    }
    d += sub("BNAM", result);
  }
  return record("INFO", d);
}

// Records Quendrel copies through unchanged, of `dataSize` bytes or a little more.
std::string otherRecord(Random& r, int i, std::size_t dataSize) {
  static const char* const kTypes[] = {"STAT", "MISC", "BOOK", "WEAP", "ARMO", "CLOT", "ACTI", "LIGH"};
  const char* type = kTypes[i % 8];
  std::string d = sub("NAME", zstr(std::string(type) + "_" + std::to_string(i))) +
                  sub("MODL", zstr("m\\object_" + std::to_string(i) + ".nif"));
  if (d.size() + 8 < dataSize) d += sub("TEXT", bytes(r, dataSize - d.size() - 8));
  return record(type, d);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "Usage: %s OUTPUT.esp RULES.cfg [TARGET_MEGABYTES]\n", argv[0]);
    return 1;
  }
  const double targetMegabytes = argc == 4 ? std::atof(argv[3]) : 80.0;
  Random r;
  std::vector<std::string> body;  // every record but the header, in file order
  body.reserve(50000);

  int index = 0;
  std::vector<std::string> cells;
  // Interior cells: 40,000 references, among them the doors.
  const int interiorReferences = kReferences - kExteriorReferences;
  for (int i = 0; i < kInteriorCells; ++i) {
    const int refs = interiorReferences / kInteriorCells;
    cells.push_back(interiorCellRecord(r, i, refs, kInteriorDoorsOut / kInteriorCells,
                                       i < kInteriorDoorsIn ? 1 : 0, index));
  }
  // Exterior cells: 60,000 references, a few hundred of them moved into a
  // neighbouring cell and listed behind a marker.
  for (int i = 0; i < kExteriorCells; ++i) {
    const int moved = i < kMovedReferences ? 1 : 0;
    const int refs = kExteriorReferences / kExteriorCells - moved;
    const int doors = i < kExteriorDoors ? 1 : 0;
    std::string cell = exteriorCellRecord(r, i, refs, doors, index);
    if (moved) {
      // Appended inside the same record: grow its data size to match.
      std::string extra = movedReferences(r, (i + 1) % kExteriorCells, moved, index);
      uint32_t size = u32At(cell, 4) + static_cast<uint32_t>(extra.size());
      cell.replace(4, 4, i32(static_cast<int32_t>(size)));
      cell += extra;
    }
    cells.push_back(std::move(cell));
  }

  std::vector<std::string> characters, scripts, lands, grids, dialogue;
  for (int i = 0; i < kCharacters; ++i) characters.push_back(characterRecord(r, i));
  for (int i = 0; i < kScripts; ++i) scripts.push_back(scriptRecord(r, i));
  for (int i = 0; i < kLands; ++i) lands.push_back(landRecord(r, i));
  for (int i = 0; i < kExteriorPathGrids; ++i) {
    const Grid g = exteriorGrid(i);
    grids.push_back(pathGridRecord(r, g.x, g.y, exteriorName(i)));
  }
  for (int i = 0; i < kInteriorPathGrids; ++i) {
    grids.push_back(pathGridRecord(r, 0, 0, interiorName(i % kInteriorCells)));
  }
  const int perTopic = kDialogueEntries / kTopics;
  for (int t = 0; t < kTopics; ++t) {
    dialogue.push_back(topicRecord(t));
    for (int k = 0; k < perTopic; ++k) {
      const int i = t * perTopic + k;
      dialogue.push_back(dialogueRecord(r, i, i % (kDialogueEntries / kResultTexts) == 0));
    }
  }

  std::size_t known = 0;
  for (auto* group : {&cells, &characters, &scripts, &lands, &grids, &dialogue}) {
    for (const std::string& s : *group) known += s.size();
  }
  const double target = targetMegabytes * 1000.0 * 1000.0;
  std::size_t otherSize = 64;
  if (target > static_cast<double>(known) + 400.0) {
    otherSize = static_cast<std::size_t>((target - static_cast<double>(known) - 400.0) / kOtherRecords) - 16;
  }
  std::vector<std::string> others;
  for (int i = 0; i < kOtherRecords; ++i) others.push_back(otherRecord(r, i, otherSize));

  // The order of a master: objects and characters, scripts, cells, land,
  // path grids, then topics and their entries.
  for (auto* group : {&others, &characters, &scripts, &cells, &lands, &grids, &dialogue}) {
    for (std::string& s : *group) body.push_back(std::move(s));
  }

  std::ofstream out(argv[1], std::ios::binary);
  out << header(1, static_cast<int32_t>(body.size()));
  std::size_t total = 0;
  for (const std::string& s : body) {
    out << s;
    total += s.size();
  }
  out.close();
  if (!out) {
    std::fprintf(stderr, "Unable to write %s\n", argv[1]);
    return 1;
  }

  std::ofstream rules(argv[2], std::ios::binary);
  rules << "; Move the whole world two cells east and three cells south.\r\n"
           "; A rule line is a two-letter code and up to four comma-separated parameters;\r\n"
           "; any line that does not begin with a letter is a comment.\r\n"
           "TA, 2, -3\r\n";
  rules.close();
  if (!rules) {
    std::fprintf(stderr, "Unable to write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %zu records, %zu bytes\n", argv[1], body.size() + 1, total);
  return 0;
}
