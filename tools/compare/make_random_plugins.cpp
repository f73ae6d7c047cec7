// Writes random plugins for comparing two builds (tools/compare/compare_runs.sh):
// exterior and interior cells with placed references, doors, moved-reference
// markers and deleted references, land, path grids, characters with travel
// packages and services, and scripts and dialogue with position commands, on
// a small grid so that the rules of the comparison meet them. The same seed
// gives the same plugins on every machine.
//
// Usage: make_random_plugins OUTPUT_FOLDER COUNT [SEED]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "records/record_layout.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

std::mt19937 generator;

int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(generator); }
bool chance(int percent) { return between(1, 100) <= percent; }
// The grids of one plugin's exterior cells; most positions lie in one of them.
GridCell grids[3];
GridCell someGrid() { return grids[between(0, 2)]; }
int coordinateIn(int cell) { return cell * 8192 + between(0, 8191); }
struct Position {
  float x, y;
};
Position position() {
  const GridCell cell = chance(80) ? someGrid() : GridCell{between(-4, 4), between(-4, 4)};
  return {static_cast<float>(coordinateIn(cell.x)) + 0.25f * between(0, 3),
          static_cast<float>(coordinateIn(cell.y)) + 0.25f * between(0, 3)};
}

const char* const kRegions[] = {"", "Ascadian Isles Region", "Bitter Coast", "West Gash"};
const char* const kInteriors[] = {"Hall", "Balmora, Inn", "cave", "Old Tower"};

std::string references(bool interior) {
  std::string refs;
  for (int i = 0, n = between(0, 4); i < n; ++i) {
    std::string between_;
    const Position to = position();
    if (chance(30)) between_ += doorDestination(to.x, to.y);
    if (interior && chance(30)) between_ += sub("DNAM", zstr(kInteriors[between(0, 3)]));
    if (chance(10)) between_ += sub("DELE", i32(0));
    if (chance(15)) refs += sub("MVRF", i32(i)) + sub("CNDT", i32(between(-4, 4)) + i32(between(-4, 4)));
    const Position at = position();
    refs += reference(i, chance(50) ? "rock" : "door", at.x, at.y, 0, between_);
  }
  return refs;
}

std::string cell() {
  if (chance(30)) {
    std::string rest = references(true);
    std::string name = kInteriors[between(0, 3)];
    if (chance(20)) return record("CELL", sub("NAME", zstr(name)) + cellData(0, 0, 0) + sub("WHGT", f32(1)) + rest);
    return interiorCell(name, rest);
  }
  const auto [x, y] = someGrid();
  return exteriorCell(chance(50) ? "" : "Place", x, y, kRegions[between(0, 3)], references(false));
}

std::string commandLine() {
  const char* const forms[] = {
      "player->Position %d, %d, 0, 0", "PositionCell %d %d 100 0 \"Hall\"",
      "PositionCell %d %d 100 0 \"Outside\"", "AiTravel %d %d 0",
      "placeitem \"rock\", %d, %d, 0, 0", "AiEscort player, 10, %d, %d, 0",
      "set x to GetPos X ; %d %d", "ModDisposition %d %d"};
  char line[160];
  const GridCell at = someGrid();
  std::snprintf(line, sizeof line, forms[between(0, 7)], coordinateIn(at.x), coordinateIn(at.y));
  return line;
}

std::string text(const char* lineEnd) {
  std::string t = "begin random";
  t += lineEnd;
  for (int i = 0, n = between(1, 5); i < n; ++i) t += commandLine() + lineEnd;
  return t + "end";
}

std::string plugin() {
  for (GridCell& grid : grids) grid = {between(-3, 3), between(-3, 3)};
  std::string bytes = header();
  for (int i = 0, n = between(1, 12); i < n; ++i) {
    switch (between(0, 6)) {
      case 0:
      case 1:
        bytes += cell();
        break;
      case 2:
        bytes += land(someGrid().x, someGrid().y);
        break;
      case 3:
        bytes += pathGrid(chance(50) ? kInteriors[between(0, 3)] : "", someGrid().x, someGrid().y);
        break;
      case 4: {
        std::string body = sub("NAME", zstr("guard"));
        for (const char* kind : {"AI_T", "AI_E", "AI_F", "DODT"}) {
          const Position to = position();
          if (chance(50)) body += sub(kind, f32(to.x) + f32(to.y) + f32(0) + i32(0));
          if (chance(20)) body += sub("CNDT", zstr("Hall"));
        }
        bytes += record("NPC_", body);
        break;
      }
      case 5:
        bytes += script("random", text(chance(50) ? "\r\n" : "\n"));
        break;
      default:
        bytes += record("INFO", sub("INAM", zstr("1")) + sub("ONAM", zstr("who")) +
                                    sub("BNAM", text("\r\n")));
    }
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER COUNT [SEED]\n", argv[0]);
    return 1;
  }
  generator.seed(argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1u);
  std::filesystem::create_directories(argv[1]);
  for (int i = 0, count = std::atoi(argv[2]); i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/random-%03d.esp", i);
    std::ofstream(std::string(argv[1]) + name, std::ios::binary) << plugin();
  }
  return 0;
}
