// Writes the seed inputs of the fuzz target into a folder: small plugins made
// with the test builder, and small plugins cut from real plugins (the header
// and a handful of each handled record type), each with a few rules files.
//
// Usage: make_seeds OUTPUT_FOLDER [REAL_PLUGIN_FOLDER]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

int seedCount = 0;
std::string outFolder;

void writeSeed(unsigned char optionBits, const std::string& rules, const std::string& plugin) {
  std::string bytes(1, static_cast<char>(optionBits));
  bytes += rules;
  bytes += kFuzzSeparator;
  bytes += plugin;
  char name[32];
  std::snprintf(name, sizeof name, "seed-%04d", seedCount++);
  std::ofstream(outFolder + "/" + name, std::ios::binary) << bytes;
}

std::string recordBytes(const Record& r) {
  std::string data = r.data;
  return r.type + i32(static_cast<int32_t>(data.size())) + i32(static_cast<int32_t>(r.word1)) +
         i32(static_cast<int32_t>(r.word2)) + data;
}

std::string npc(const std::string& body) { return record("NPC_", sub("NAME", zstr("guard")) + body); }

std::string info(const std::string& result) {
  return record("INFO", sub("INAM", zstr("1")) + sub("ONAM", zstr("who")) + sub("BNAM", result));
}

// Plugins built in a few lines, touching every handler.
void builtSeeds() {
  std::string refs = reference(1, "rock", 100.0f, -200.0f) +
                     reference(2, "door", 8000.0f, 8100.0f, 0, doorDestination(-9000.0f, 300.0f)) +
                     sub("MVRF", i32(5)) + sub("CNDT", i32(4) + i32(-3)) +
                     reference(5, "moved", 33000.0f, -20000.0f) +
                     reference(6, "gone", 1.0f, 2.0f, 0, sub("DELE", i32(0)));
  std::string interiorRefs =
      reference(7, "exit", 5.0f, 5.0f, 0, doorDestination(25000.0f, -15000.0f)) +
      reference(8, "inner", 5.0f, 5.0f, 0, doorDestination(1.0f, 1.0f) + sub("DNAM", zstr("Hall")));
  std::string base = header() + exteriorCell("", 0, 0, "Ascadian Isles Region", refs) +
                     exteriorCell("Balmora", 3, -2, "West Gash Region") + land(0, 0) +
                     land(3, -2) + pathGrid("Ascadian Isles Region", 0, 0) +
                     pathGrid("Balmora", 3, -2) + interiorCell("Hall", interiorRefs) +
                     pathGrid("Hall", 0, 0);
  std::string npcs =
      npc(sub("AI_T", f32(25000.0f) + f32(-15000.0f) + f32(0) + i32(0)) +
          sub("AI_E", f32(100.0f) + f32(100.0f) + f32(0) + std::string(36, '\0')) +
          sub("CNDT", zstr("Hall")) + sub("AI_F", f32(-100.0f) + f32(-100.0f) + f32(0)) +
          doorDestination(25000.0f, -15000.0f) + sub("DNAM", zstr("Hall")) +
          doorDestination(-1.0f, -1.0f));
  std::string scripts =
      script("mover", "Begin mover\r\nplayer->PositionCell 25000, -15000, 0, 0, \"Hall\"\r\n"
                      "player->Position 25000 -15000 0 0\r\nAiTravel 100 100 0\r\n"
                      "PlaceItem \"rock\" 8192.0 -8192.0 0 0\r\nEnd\r\n") +
      info("AiFollowCell, Player, \"Hall\", 0, 2355, -3012, -5, 0\r\nAiEscort player 0 13004 4578 11404");
  std::string full = base + npcs + scripts;

  const char* rulesSets[] = {
      "TA, 1, -1\n",
      "TC, 3, -2, 0, 1\nCE, 0, 0, 5, 5\n",
      "MC, 0, 0, -4, 3\nDE, 3, -2\n",
      "TR, \"Ascadian Isles Region\", 2, 2\nCR, \"West Gash Region\", -1, 0\n",
      "DR, \"West Gash Region\"\nDA\n",
      "CA, 10, 10\n",
      "CI, Hall, Hal2\nDI, Hall\n",
      "; a comment\nTA, 2147483647, -2147483648\nTC, 0, 0, 262144, 0\n",
  };
  for (const char* rules : rulesSets) {
    writeSeed(0, rules, full);
    writeSeed(1, rules, full);
  }
  writeSeed(2, "TC, 3, -2, 0, 1\n", full);
  writeSeed(4, "TA, 1, 1\n", full);
  writeSeed(8, "TA, 1, 1\n", full);
  writeSeed(0x40 | 1, "TA, 1, 1\n", full);
  writeSeed(0x30, "TA, 1, 1\nCI, Hall, H\n", base);
  writeSeed(0x80, "TR, \"Ascadian Isles Region\", 2, 2\nDE, 3, -2\nCE, 0, 0, 5, 5\n", full);
  writeSeed(0x80 | 1, "TA, 1, -1\n", full);
  writeSeed(0, "TA, 1, 1\n", header());
  writeSeed(0, "TA, 1, 1\n", "TES4" + std::string(20, '\0'));
  // A record whose subrecords run past its end, and a file that ends inside a record.
  writeSeed(1, "TA, 1, 1\n", header() + record("CELL", sub("NAME", "x") + "DATA\xff\0\0\0"));
  writeSeed(0, "TA, 1, 1\n", full.substr(0, full.size() - 7));
}

// Small plugins cut from real ones: the header and up to three records of
// each handled type that are small enough for quick runs.
void realSeeds(const std::string& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::vector<Record> records;
    if (!readPlugin(s.str(), records) || records.empty() || records[0].type != "TES3") continue;
    std::map<std::string, int> taken;
    std::string plugin = recordBytes(records[0]);
    std::string firstExterior, firstInterior, firstRegion;
    for (const Record& r : records) {
      bool handled = r.type == "CELL" || r.type == "LAND" || r.type == "PGRD" ||
                     r.type == "NPC_" || r.type == "SCPT" || r.type == "INFO";
      if (!handled || r.data.size() > 6000 || taken[r.type] >= 3) continue;
      ++taken[r.type];
      plugin += recordBytes(r);
      if (r.type == "CELL" && r.subrecords.size() >= 2 && r.subrecords[1].data.size() >= 12) {
        const std::string& d = r.subrecords[1].data;
        std::string name = r.subrecords[0].data.c_str();
        if (i32At(d, 0) & 1) {
          if (firstInterior.empty()) firstInterior = name;
        } else if (firstExterior.empty()) {
          firstExterior = std::to_string(i32At(d, 4)) + ", " + std::to_string(i32At(d, 8));
          if (r.subrecords.size() > 2 && r.subrecords[2].name == "RGNN") {
            firstRegion = r.subrecords[2].data.c_str();
          }
        }
      }
    }
    if (plugin.size() > 60000) continue;
    writeSeed(0, "TA, 1, -1\n", plugin);
    if (!firstExterior.empty()) writeSeed(1, "CE, " + firstExterior + ", 7, 7\n", plugin);
    if (!firstRegion.empty()) writeSeed(0, "TR, \"" + firstRegion + "\", -2, 3\n", plugin);
    if (!firstInterior.empty()) {
      writeSeed(0, "CI, \"" + firstInterior + "\", \"X\"\nDI, \"" + firstInterior + "\"\n", plugin);
    }
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
