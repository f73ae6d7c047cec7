// Writes the seed inputs of quendrel-map's fuzz target (fuzz_map_input.h)
// into a folder: made-up games in both load-order formats with plugins made
// with the test builder, and with small plugins cut from real ones.
//
// Usage: make_map_seeds OUTPUT_FOLDER [REAL_PLUGIN_FOLDER]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_map_input.h"
#include "plugin_builder.h"
#include "pointer_game.h"

using namespace testing_plugin;

namespace {

int seedCount = 0;
std::string outFolder;

void writeSeed(const MapFuzzInput& input) {
  char name[32];
  std::snprintf(name, sizeof name, "map-seed-%04d", seedCount++);
  std::ofstream(outFolder + "/" + name, std::ios::binary) << encodeMapFuzzInput(input);
}

const char* const kIni =
    "[Game Files]\r\nGameFile0=A.esm\r\nGameFile1=\"b.ESP\"\r\nGameFile2=C.esp\r\n"
    "GameFile3=Missing.esp\r\nGameFile4=mod.esp\r\n[Other]\r\nGameFile9=X.esp\r\n";
const char* const kCfg =
    "# a comment\ndata=\"Data Files\"\ndata=\"?userdata?data\"\ndata=\"A&&B\"\n"
    "content=A.esm\ncontent=B.esp\ncontent=c.esp\ncontent=Missing.omwaddon\n"
    "content=x.omwscripts\ncontent=mod.esp\n";

// The same game in every way the options and formats allow.
void seedsFor(const std::string& mod, const std::string& a, const std::string& b,
              const std::string& c, const std::string& rules) {
  const std::string reserve = "; announced\r\n-3, -3, 3, -1\r\n10, 10, 8, 8 # north\r\n";
  for (int options : {0x00, 0x01, 0x03, 0x04, 0x05, 0x08, 0x11, 0x31, 0x40, 0x4f}) {
    writeSeed({static_cast<uint8_t>(options),
               {options & 4 ? kCfg : kIni, options & 1 ? reserve : "", rules, mod, a, b, c}});
  }
}

// The made-up game of pointers into a mod's grids (pointer_game.h), its
// plugins joined into three behind their headers: every kind of pointer
// the check reads, under rules that move, delete and copy.
void pointerSeeds() {
  const auto game = pointerGame();
  auto records = [&](std::size_t first, std::size_t last) {
    std::string joined = header({"mod.esp"});
    for (std::size_t i = first; i <= last; ++i) {
      const std::string& bytes = game[i].second;
      joined += bytes.substr(16 + u32At(bytes, 4));
    }
    return joined;
  };
  for (const char* rules : {pointerGameRules(), "DA\n"}) {
    seedsFor(game[0].second, records(1, 2), records(3, 6), records(7, 9), rules);
  }
}

void builtSeeds() {
  const std::string mod = header() + exteriorCell("Isle", 0, 0, "Bay") + land(0, 0) +
                          exteriorCell("", 1, 0) + land(5, 5) + land(20, 20) +
                          interiorCell("Cave");
  const std::string a = header(1) + exteriorCell("Hub", 2, 0) + land(2, 0) + land(3, 0) +
                        interiorCell("Hall") + interiorCell(std::string(300, 'h'));
  const std::string b = header() + exteriorCell("", 4, 0) + exteriorCell(std::string(2000, 'n'), 1, 1);
  const std::string c = header() + land(9, 9) + exteriorCell("C", 9, 9);
  const char* rulesSets[] = {
      "TA, 2, 0\n",
      "TR, Bay, 2, 0\nTC, 1, 0, 3, 0\nMC, 5, 5, 4, 0\n",
      "CE, 0, 0, 0, 0\nTR, , 0, 1\nCA, 0, 30\n",
      "DA\n",
      "TA, 2147483647, -2147483648\n",
  };
  for (const char* rules : rulesSets) seedsFor(mod, a, b, c, rules);
  // Damage: a master that ends inside a record, a plugin that is no plugin,
  // an empty one, a cell that runs past its end.
  seedsFor(mod, a.substr(0, a.size() - 5), "TES4" + std::string(20, '\0'), "",
           "TA, 1, 1\n");
  seedsFor(header() + record("CELL", sub("NAME", "x") + "DATA\xff\0\0\0"), a, b, c, "TA, 1, 1\n");
  pointerSeeds();
}

std::string recordBytes(const Record& r) {
  return r.type + i32(static_cast<int32_t>(r.data.size())) + i32(static_cast<int32_t>(r.word1)) +
         i32(static_cast<int32_t>(r.word2)) + r.data;
}

// Real plugins cut down to the header and a few cells and lands each.
void realSeeds(const std::string& folder) {
  std::vector<std::string> cut;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::vector<Record> records;
    if (!readPlugin(s.str(), records) || records.empty() || records[0].type != "TES3") continue;
    std::string plugin = recordBytes(records[0]);
    int cells = 0, lands = 0;
    for (const Record& r : records) {
      if (r.type == "CELL" && cells < 8 && r.data.size() < 2000) {
        ++cells;
        plugin += recordBytes(r);
      } else if (r.type == "LAND" && lands < 8) {
        // Only the grid: the rest of a LAND record is never read.
        ++lands;
        plugin += record("LAND", r.subrecords.empty() ? "" : sub("INTV", r.subrecords[0].data));
      }
    }
    cut.push_back(plugin);
  }
  for (std::size_t i = 0; i + 1 < cut.size(); ++i) {
    seedsFor(cut[i], cut[i + 1], cut[(i + 2) % cut.size()], cut[(i + 3) % cut.size()], "TA, 1, 1\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [REAL_PLUGIN_FOLDER]\n", argv[0]);
    return 1;
  }
  outFolder = argv[1];
  std::filesystem::create_directories(outFolder);
  builtSeeds();
  if (argc > 2) realSeeds(argv[2]);
  std::printf("%d seeds in %s\n", seedCount, outFolder.c_str());
  return 0;
}
