// Writes a made-up game for timing quendrel-map on a whole load order:
// MASTERS masters of about MEGABYTES each in "Game/Data Files", listed by
// Game/Morrowind.ini and by openmw.cfg, and a plugin mod.esp of 2,000
// exterior cells (with land) in the middle of the land they hold, with a
// rules file that moves it by a few cells.
//
// Each master has the make-up of a game's master, in the order the game's
// editor saves one: objects, scripts, characters, then 1,500 exterior cells
// with placed references on a 40 x 38 block of its own (the masters together
// make one continent of 200 cells by 152), 500 interior cells, full-size
// LAND records for 1,200 of the exterior cells and 300 grids of land without
// a cell, and last the dialogue. Scripts, characters and dialogue come in
// the proportions of the largest real masters and plugins (a few hundred to
// a few thousand records each, counted by type): per 2,000 cells some 600
// scripts, 1,400 characters, 1,400 topics with 10,000 responses.
//   - Scripts (SCPT): a header, variables, compiled code and some 40 lines
//     of text (SCTX, about 1 KB); one in five has a line that places
//     something at coordinates (Position, PositionCell, AITravel).
//   - Characters (NPC_): the subrecords the game's editor writes, with a
//     wander package (AI_W) each; one in twenty gives travel (two DODT
//     destinations), one in twenty more an AI_T, AI_E or AI_F package with
//     an exterior position.
//   - Dialogue: topics (DIAL) each followed by its responses (INFO, about
//     300 bytes); two in five carry result text (BNAM), one result in
//     twenty of those a command with coordinates.
// A quarter of the coordinates lie in the grids of mod.esp (which the rules
// move), the rest on the master's own land: the pointers a check of the
// whole game after the move looks for. Objects of other kinds make up the
// size.
//
// Usage: make_load_order FOLDER [MASTERS [MEGABYTES]]    (defaults 20 and 50)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "fixed_random.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

using Random = FixedRandom;

std::string bytes(Random& r, std::size_t n) { return r.bytes(n); }

constexpr int kBlockWidth = 40, kBlockHeight = 38, kBlocksAcross = 5;

// A LAND record as the game's editor writes it: normals, heights, world map
// heights, colours and textures.
std::string fullLand(Random& r, int32_t x, int32_t y) {
  return land(x, y, sub("VNML", bytes(r, 12675)) + sub("VHGT", bytes(r, 4232)) +
                        sub("WNAM", bytes(r, 81)) + sub("VCLR", bytes(r, 12675)) +
                        sub("VTEX", bytes(r, 512)));
}

std::string cellWithReferences(const std::string& name, int32_t x, int32_t y,
                               bool interior) {
  std::string refs;
  for (int k = 0; k < 30; ++k) {
    refs += reference(k + 1, "flora_tree_ai_01", static_cast<float>(x * 8192 + 100 + k),
                      static_cast<float>(y * 8192 + 100 + k));
  }
  return interior ? interiorCell(name, refs) : exteriorCell(name, x, y, "Ascadian Isles Region", refs);
}

// mod.esp's block of grids (see main): a quarter of the coordinates of
// scripts, dialogue and characters point into it.
constexpr int32_t kModLeft = -22, kModBottom = -22, kModSide = 45;

// A world position in the middle of a grid: in mod.esp's block one time in
// four, else on the master's own block.
std::pair<float, float> somePosition(Random& r, int32_t left, int32_t bottom) {
  const bool intoMod = r.below(4) == 0;
  const int32_t x = intoMod ? kModLeft + r.below(kModSide) : left + r.below(kBlockWidth);
  const int32_t y = intoMod ? kModBottom + r.below(kModSide) : bottom + r.below(kBlockHeight);
  return {static_cast<float>(x) * 8192 + 1000 + static_cast<float>(r.below(6000)),
          static_cast<float>(y) * 8192 + 1000 + static_cast<float>(r.below(6000))};
}

std::string number(float v) { return std::to_string(static_cast<int64_t>(v)); }

// A line of script or result text that places something at a position, with
// one of the commands whose coordinates a move rewrites.
std::string coordinateLine(Random& r, int32_t left, int32_t bottom) {
  const auto [x, y] = somePosition(r, left, bottom);
  switch (r.below(3)) {
    case 0: return "\tPosition " + number(x) + ", " + number(y) + ", 512, 0\r\n";
    case 1: return "\t\"guard_01\"->PositionCell " + number(x) + " " + number(y) +
                   " 256 90 \"Ascadian Isles Region\"\r\n";
    default: return "\tAITravel " + number(x) + " " + number(y) + " 300\r\n";
  }
}

std::string scriptRecord(Random& r, int i, int32_t left, int32_t bottom) {
  std::string text = "Begin script_" + std::to_string(i) + "\r\n\r\nshort state\r\nfloat timer\r\n\r\n";
  const int placeAt = i % 5 == 0 ? 8 + r.below(20) : -1;
  for (int line = 0; line < 36; ++line) {
    if (line == placeAt) text += coordinateLine(r, left, bottom);
    text += line % 4 == 0 ? "if ( state == " + std::to_string(line) + " )\r\n"
            : line % 4 == 3 ? "endif\r\n"
                            : "\tset timer to timer + GetSecondsPassed\r\n";
  }
  text += "\r\nEnd\r\n";
  std::string schd = "script_" + std::to_string(i);
  schd.resize(52, '\0');
  return record("SCPT", sub("SCHD", schd) + sub("SCVR", std::string("state\0timer\0", 12)) +
                            sub("SCDT", bytes(r, 300 + r.below(200))) + sub("SCTX", text));
}

// An AI package with an exterior position: AI_T 16 bytes (X, Y, Z, a reset
// byte), AI_E and AI_F 48 (X, Y, Z, a duration, the target's id, a reset
// byte).
std::string package(Random& r, int kind, int32_t left, int32_t bottom) {
  const auto [x, y] = somePosition(r, left, bottom);
  const std::string place = f32(x) + f32(y) + f32(200);
  if (kind == 0) return sub("AI_T", place + std::string(4, '\0'));
  std::string rest(36, '\0');
  rest.replace(2, 9, "player\0\0\0");
  return sub(kind == 1 ? "AI_E" : "AI_F", place + rest);
}

std::string characterRecord(Random& r, int i, int32_t left, int32_t bottom) {
  std::string npc = sub("NAME", zstr("npc_" + std::to_string(i))) + sub("FNAM", zstr("Someone")) +
                    sub("RNAM", zstr("Dark Elf")) + sub("CNAM", zstr("Commoner")) +
                    sub("ANAM", zstr("")) + sub("BNAM", zstr("b_n_dark elf_m_head_01")) +
                    sub("KNAM", zstr("b_n_dark elf_m_hair_01")) + sub("NPDT", bytes(r, 52)) +
                    sub("FLAG", i32(0x18));
  for (int k = 0; k < 3; ++k) {  // carried items: a count and a 32-byte id
    std::string item = "common_shirt_0" + std::to_string(k);
    item.resize(32, '\0');
    npc += sub("NPCO", i32(1) + item);
  }
  npc += sub("AIDT", bytes(r, 12)) + sub("AI_W", bytes(r, 14));
  if (i % 20 == 0) {  // travel: two destinations, the second sometimes an interior's door
    for (int k = 0; k < 2; ++k) {
      const auto [x, y] = somePosition(r, left, bottom);
      npc += sub("DODT", f32(x) + f32(y) + f32(100) + f32(0) + f32(0) + f32(0));
      if (k == 1 && i % 60 == 0) npc += sub("DNAM", zstr("Balmora, Guild of Mages"));
    }
  } else if (i % 20 == 10) {
    npc += package(r, i / 20 % 3, left, bottom);
  }
  return record("NPC_", npc);
}

// A response of a topic: ids, the speaker's conditions, the text, and two in
// five a result (BNAM), one in twenty of those with coordinates.
std::string responseRecord(Random& r, int i, int32_t left, int32_t bottom) {
  std::string info = sub("INAM", zstr(std::to_string(100000 + i))) +
                     sub("PNAM", zstr(std::to_string(99999 + i))) +
                     sub("NNAM", zstr(std::to_string(100001 + i))) + sub("DATA", bytes(r, 12)) +
                     sub("ONAM", zstr("npc_" + std::to_string(i % 1400))) +
                     sub("NAME", std::string(120 + r.below(120), 't'));
  if (i % 5 < 2) {
    std::string result = "Journal \"quest_" + std::to_string(i % 300) + "\" 10\r\n";
    if (i % 50 == 0) result += coordinateLine(r, left, bottom);
    result += "Goodbye\r\n";
    info += sub("BNAM", result);
  }
  return record("INFO", info);
}

bool writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "Usage: %s FOLDER [MASTERS [MEGABYTES]]\n", argv[0]);
    return 1;
  }
  const std::filesystem::path folder = argv[1];
  const int masters = argc > 2 ? std::atoi(argv[2]) : 20;
  const double megabytes = argc > 3 ? std::atof(argv[3]) : 50;
  const std::filesystem::path data = folder / "Game" / "Data Files";
  std::filesystem::create_directories(data);
  Random r;
  std::string ini = "[Game Files]\r\n", cfg = "data=\"Game/Data Files\"\r\n";
  std::size_t total = 0;
  for (int m = 0; m < masters; ++m) {
    const int32_t left = (m % kBlocksAcross) * kBlockWidth - 100;
    const int32_t bottom = (m / kBlocksAcross) * kBlockHeight - 76;
    // Objects, scripts and characters come first, cells and land next,
    // dialogue last; objects make up what the rest leaves of the size.
    std::string things;
    for (int i = 0; i < 600; ++i) things += scriptRecord(r, m * 600 + i, left, bottom);
    for (int i = 0; i < 1400; ++i) things += characterRecord(r, m * 1400 + i, left, bottom);
    std::string places;
    for (int i = 0; i < 1500; ++i) {
      places += cellWithReferences(i % 7 ? "" : "Town " + std::to_string(i),
                                   left + i % kBlockWidth, bottom + i / kBlockWidth, false);
    }
    for (int i = 0; i < 500; ++i) {
      places += cellWithReferences("Master " + std::to_string(m) + " Hall " + std::to_string(i),
                                   0, 0, true);
    }
    for (int i = 300; i < 1520; ++i) {
      places += fullLand(r, left + i % kBlockWidth, bottom + i / kBlockWidth);
    }
    std::string dialogue;
    for (int topic = 0, i = 0; topic < 1400; ++topic) {
      dialogue += record("DIAL", sub("NAME", zstr("topic " + std::to_string(topic))) +
                                     sub("DATA", std::string(1, '\0')));
      for (int k = topic % 10 < 3 ? 6 : 8 - topic % 2; k > 0 && i < 10000; --k, ++i) {
        dialogue += responseRecord(r, m * 10000 + i, left, bottom);
      }
    }
    std::string objects;
    const std::size_t rest = things.size() + places.size() + dialogue.size();
    for (int i = 0; rest + objects.size() < megabytes * 1e6; ++i) {
      objects += record(i % 2 ? "STAT" : "MISC",
                        sub("NAME", zstr("thing_" + std::to_string(i))) + sub("DATA", bytes(r, 250)));
    }
    const std::string plugin = header(1) + objects + things + places + dialogue;
    const std::string name = "Master" + std::to_string(m) + ".esm";
    if (!writeFile(data / name, plugin)) return 1;
    total += plugin.size();
    ini += "GameFile" + std::to_string(m) + "=" + name + "\r\n";
    cfg += "content=" + name + "\r\n";
  }
  // The plugin: a 45 x 45 block in the middle of the continent, with land.
  std::string mod = header();
  for (int i = 0; i < 2000; ++i) mod += exteriorCell("", i % 45 - 22, i / 45 - 22);
  for (int i = 0; i < 2000; ++i) mod += land(i % 45 - 22, i / 45 - 22);
  ini += "GameFile" + std::to_string(masters) + "=mod.esp\r\n";
  cfg += "content=mod.esp\r\n";
  if (!writeFile(folder / "Game" / "Morrowind.ini", ini) || !writeFile(folder / "openmw.cfg", cfg) ||
      !writeFile(folder / "mod.esp", mod) ||
      !writeFile(folder / "quendrel.cfg", "TA, 3, 2\r\n")) {
    return 1;
  }
  std::printf("%d masters, %zu bytes in all\n", masters, total);
  return 0;
}
