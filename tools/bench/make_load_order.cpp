// Writes a made-up game for timing quendrel-map on a whole load order:
// MASTERS masters of about MEGABYTES each in "Game/Data Files", listed by
// Game/Morrowind.ini and by openmw.cfg, and a plugin mod.esp of 2,000
// exterior cells (with land) in the middle of the land they hold, with a
// rules file that moves it by a few cells.
//
// Each master has the make-up of a game's master: 1,500 exterior cells with
// placed references on a 40 x 38 block of its own (the masters together
// make one continent of 200 cells by 152), full-size LAND records for 1,200
// of them and 300 grids of land without a cell, 500 interior cells, and
// small records of other kinds (objects, characters, dialogue) that make up
// the size.
//
// Usage: make_load_order FOLDER [MASTERS [MEGABYTES]]    (defaults 20 and 50)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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
    std::string plugin = header(1);
    for (int i = 0; i < 1500; ++i) {
      plugin += cellWithReferences(i % 7 ? "" : "Town " + std::to_string(i),
                                   left + i % kBlockWidth, bottom + i / kBlockWidth, false);
    }
    for (int i = 0; i < 500; ++i) {
      plugin += cellWithReferences("Master " + std::to_string(m) + " Hall " + std::to_string(i),
                                   0, 0, true);
    }
    for (int i = 300; i < 1520; ++i) {
      plugin += fullLand(r, left + i % kBlockWidth, bottom + i / kBlockWidth);
    }
    for (int i = 0; plugin.size() < megabytes * 1e6; ++i) {
      plugin += record(i % 3 == 0 ? "INFO" : i % 3 == 1 ? "NPC_" : "STAT",
                       sub("NAME", zstr("thing_" + std::to_string(i))) + sub("DATA", bytes(r, 250)));
    }
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
