// Real plugins made by the game's editor and by other tools, run end to end:
// for each plugin of the corpus folder, Quendrel runs with rules that move
// everything, copy one exterior cell, delete every exterior cell, move one
// region, and copy or delete one interior cell. Each output is split into
// records and compared with what the rules imply, record by record, and its
// exterior cells with what quendrel-map predicts. Where OpenMW's esmtool is
// at hand, it must read every output whole as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "harness.h"
#include "map/model/cell_fates.h"
#include "map/model/plugin_cells.h"
#include "plugin_builder.h"
#include "map/entry/map_run.h"
#include "rules/rules.h"

namespace {

using namespace testing_plugin;
using testing_plugin::Subrecord;  // not the record layout's
namespace fs = std::filesystem;

struct Grid {
  int32_t x, y;
  auto operator<=>(const Grid&) const = default;
};

// What the rules do to one exterior cell.
struct Fate {
  enum Kind { kStays, kMoves, kCopied, kDeleted } kind = kStays;
  int32_t dx = 0, dy = 0;  // from the cell to its new place or its copy
};

// One rules file and the fates it gives. Interior rules name one cell.
struct Rules {
  std::string name;
  std::string text;
  enum Kind { kAll, kOneCell, kDeleteAll, kRegion, kCopyInterior, kDeleteInterior } kind;
  int32_t dx = 0, dy = 0;
  Grid cell{0, 0};
  std::string region;     // kRegion
  std::string interior;   // kCopyInterior, kDeleteInterior
  std::string copyName;   // kCopyInterior
};
Rules makeRules(const char* name, std::string text, Rules::Kind kind, int32_t dx = 0,
                int32_t dy = 0) {
  Rules r;
  r.name = name;
  r.text = std::move(text);
  r.kind = kind;
  r.dx = dx;
  r.dy = dy;
  return r;
}

// What the test reads from the input plugin before a run.
struct PluginFacts {
  std::vector<Record> records;
  std::map<Grid, std::string> regionAt;  // the first exterior cell at each grid
  std::set<std::string> interiorNamesLower;
  std::optional<Grid> someExterior;
  std::string someRegion;
  std::string someInterior;
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
std::string text(const std::string& data) { return std::string(data.c_str()); }
bool isExteriorCell(const Record& r) {
  return r.type == "CELL" && r.subrecords.size() >= 2 && r.subrecords[1].data.size() >= 12 &&
         !(i32At(r.subrecords[1].data, 0) & 1) &&
         !(r.subrecords.size() > 2 &&
           (r.subrecords[2].name == "INTV" || r.subrecords[2].name == "AMBI" ||
            r.subrecords[2].name == "WHGT" ||
            (r.subrecords[2].name == "RGNN" && r.subrecords.size() > 3 &&
             (r.subrecords[3].name == "INTV" || r.subrecords[3].name == "AMBI" ||
              r.subrecords[3].name == "WHGT"))));
}
Grid gridOf(const Record& cell) {
  return {i32At(cell.subrecords[1].data, 4), i32At(cell.subrecords[1].data, 8)};
}
std::string regionOf(const Record& cell) {
  return cell.subrecords.size() > 2 && cell.subrecords[2].name == "RGNN"
             ? text(cell.subrecords[2].data)
             : "";
}
// The game's own names never hold a double quote, which the rules file could not quote.
bool quotable(const std::string& name) { return name.find('"') == std::string::npos; }

PluginFacts studyPlugin(const std::string& bytes) {
  PluginFacts facts;
  EXPECT_TRUE(readPlugin(bytes, facts.records));
  for (const Record& r : facts.records) {
    if (r.type != "CELL" || r.subrecords.size() < 2) continue;
    std::string name = text(r.subrecords[0].data);
    if (isExteriorCell(r)) {
      facts.regionAt.try_emplace(gridOf(r), regionOf(r));
      if (!facts.someExterior) facts.someExterior = gridOf(r);
      if (facts.someRegion.empty() && quotable(regionOf(r))) facts.someRegion = regionOf(r);
    } else {
      facts.interiorNamesLower.insert(lower(name));
      if (facts.someInterior.empty() && !name.empty() && quotable(name)) facts.someInterior = name;
    }
  }
  return facts;
}

Fate fateOf(const Rules& rules, const PluginFacts& facts, Grid g) {
  switch (rules.kind) {
    case Rules::kAll:
      return {Fate::kMoves, rules.dx, rules.dy};
    case Rules::kOneCell:
      if (g == rules.cell) return {Fate::kCopied, rules.dx, rules.dy};
      return {};
    case Rules::kDeleteAll:
      return {Fate::kDeleted};
    case Rules::kRegion: {
      auto found = facts.regionAt.find(g);
      if (found != facts.regionAt.end() && found->second == rules.region) {
        return {Fate::kMoves, rules.dx, rules.dy};
      }
      return {};
    }
    default:
      return {};
  }
}
bool moves(const Fate& f) { return f.kind == Fate::kMoves; }

// A world position moved by whole cells, rounded once to single precision.
float shifted(float coordinate, int32_t cells) {
  return static_cast<float>(static_cast<double>(coordinate) + static_cast<double>(cells) * 8192.0);
}
std::string shiftedXY(const std::string& data, int32_t dx, int32_t dy) {
  float x = f32At(data, 0), y = f32At(data, 4);
  if (!std::isfinite(x) || !std::isfinite(y)) return data;
  return f32(shifted(x, dx)) + f32(shifted(y, dy)) + data.substr(8);
}
Grid cellOfPosition(float x, float y) {
  auto cell = [](float c) {
    auto whole = static_cast<int32_t>(c * (1.0f / 8192.0f));
    return c < 0.0f ? whole - 1 : whole;
  };
  return {cell(x), cell(y)};
}

std::string recordBytes(const Record& r) {
  return r.type + i32(static_cast<int32_t>(r.data.size())) + i32(static_cast<int32_t>(r.word1)) +
         i32(static_cast<int32_t>(r.word2)) + r.data;
}
std::string joinSubrecords(const std::vector<Subrecord>& subs) {
  std::string data;
  for (const Subrecord& s : subs) data += sub(s.name.c_str(), s.data);
  return data;
}

// The exterior cell as the rules should leave it: its grid moved by `cellShift`,
// every placed reference moved likewise, except the one behind a moved-reference
// marker, which (with the marker) follows the marker's target cell, and only
// when that cell moves. Deleted references keep their position.
Record expectedExteriorCell(const Record& in, const Rules& rules, const PluginFacts& facts,
                            int32_t cellDx, int32_t cellDy) {
  Record out = in;
  std::vector<Subrecord>& subs = out.subrecords;
  std::string& grid = subs[1].data;
  grid = grid.substr(0, 4) + i32(i32At(grid, 4) + cellDx) + i32(i32At(grid, 8) + cellDy) +
         grid.substr(12);
  bool markerPending = false;
  int32_t markerDx = 0, markerDy = 0;
  for (std::size_t i = 2; i < subs.size(); ++i) {
    if (subs[i].name == "CNDT") {
      Grid target{i32At(subs[i].data, 0), i32At(subs[i].data, 4)};
      Fate f = fateOf(rules, facts, target);
      markerPending = true;
      markerDx = moves(f) ? f.dx : 0;
      markerDy = moves(f) ? f.dy : 0;
      if (moves(f)) {
        subs[i].data = i32(target.x + f.dx) + i32(target.y + f.dy) + subs[i].data.substr(8);
      }
    } else if (subs[i].name == "FRMR") {
      const int32_t dx = markerPending ? markerDx : cellDx;
      const int32_t dy = markerPending ? markerDy : cellDy;
      markerPending = false;
      if (i + 1 >= subs.size() || subs[i + 1].name != "NAME") break;
      for (std::size_t j = i + 2; j < subs.size(); ++j) {
        if (subs[j].name == "FRMR" || subs[j].name == "DELE") break;
        if (subs[j].name == "DATA") {
          if (dx != 0 || dy != 0) subs[j].data = shiftedXY(subs[j].data, dx, dy);
          break;
        }
      }
    }
  }
  out.data = joinSubrecords(subs);
  return out;
}

// An interior cell: a door's destination in the world follows the cell it
// leads to when that cell is one of the plugin's own and moves.
Record expectedInteriorCell(const Record& in, const Rules& rules, const PluginFacts& facts) {
  Record out = in;
  std::vector<Subrecord>& subs = out.subrecords;
  for (std::size_t i = 2; i < subs.size(); ++i) {
    if (subs[i].name != "DODT" || subs[i].data.size() < 8) continue;
    bool intoInterior = false;
    for (std::size_t j = i + 1; j < subs.size(); ++j) {
      if (subs[j].name == "DATA" || subs[j].name == "FRMR") break;
      if (subs[j].name == "DNAM") intoInterior = true;
    }
    float x = f32At(subs[i].data, 0), y = f32At(subs[i].data, 4);
    if (intoInterior || !std::isfinite(x) || !std::isfinite(y)) continue;
    Grid to = cellOfPosition(x, y);
    Fate f = fateOf(rules, facts, to);
    if (moves(f) && facts.regionAt.count(to)) subs[i].data = shiftedXY(subs[i].data, f.dx, f.dy);
  }
  out.data = joinSubrecords(subs);
  return out;
}

bool anyCellMoves(const Rules& rules) {
  return rules.kind == Rules::kAll || rules.kind == Rules::kRegion;
}

// The records the output should hold, in order. Empty `data` in an entry
// marks a record whose bytes the test does not predict (script, dialogue and
// character records after a move): only its type and soundness are checked.
struct Expected {
  Record record;
  bool exact = true;
  std::size_t from;  // index of the input record
};

std::vector<Expected> expectedOutput(const Rules& rules, const PluginFacts& facts) {
  std::vector<Expected> out;
  const std::vector<Record>& in = facts.records;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const Record& r = in[i];
    if (r.type == "CELL" && isExteriorCell(r)) {
      Fate f = fateOf(rules, facts, gridOf(r));
      if (f.kind == Fate::kMoves) {
        out.push_back({expectedExteriorCell(r, rules, facts, f.dx, f.dy), true, i});
      } else if (f.kind == Fate::kCopied) {
        out.push_back({r, true, i});
        out.push_back({expectedExteriorCell(r, rules, facts, f.dx, f.dy), true, i});
      } else if (f.kind == Fate::kStays) {
        // A cell the rules leave alone still carries its moved-reference
        // markers along when their target cells move.
        out.push_back({expectedExteriorCell(r, rules, facts, 0, 0), true, i});
      }
    } else if (r.type == "CELL") {
      std::string name = text(r.subrecords[0].data);
      if (rules.kind == Rules::kDeleteInterior && name == rules.interior) continue;
      out.push_back({expectedInteriorCell(r, rules, facts), true, i});
      if (rules.kind == Rules::kCopyInterior && name == rules.interior) {
        Record copy = r;
        std::string& nameData = copy.subrecords[0].data;
        nameData.replace(0, rules.copyName.size() + 1, rules.copyName + std::string(1, '\0'));
        copy.data = joinSubrecords(copy.subrecords);
        out.push_back({copy, true, i});
      }
    } else if (r.type == "LAND") {
      Grid g{i32At(r.subrecords[0].data, 0), i32At(r.subrecords[0].data, 4)};
      Fate f = fateOf(rules, facts, g);
      Record moved = r;
      moved.subrecords[0].data = i32(g.x + f.dx) + i32(g.y + f.dy) + r.subrecords[0].data.substr(8);
      moved.data = joinSubrecords(moved.subrecords);
      if (f.kind == Fate::kStays) out.push_back({r, true, i});
      if (f.kind == Fate::kCopied) out.push_back({r, true, i});
      if (f.kind == Fate::kMoves || f.kind == Fate::kCopied) out.push_back({moved, true, i});
    } else if (r.type == "PGRD") {
      // A path grid follows its cell when the cell moves; one that names an
      // interior cell carries the grid (0, 0) and never moves.
      Record moved = r;
      Grid g{i32At(r.subrecords[0].data, 0), i32At(r.subrecords[0].data, 4)};
      bool interior = false;
      for (const Subrecord& s : r.subrecords) {
        if (s.name == "NAME") {
          interior = facts.interiorNamesLower.count(lower(text(s.data))) > 0;
          break;
        }
      }
      Fate f = fateOf(rules, facts, g);
      if (!interior && moves(f) && facts.regionAt.count(g)) {
        moved.subrecords[0].data = i32(g.x + f.dx) + i32(g.y + f.dy) + r.subrecords[0].data.substr(8);
        moved.data = joinSubrecords(moved.subrecords);
      }
      out.push_back({moved, true, i});
    } else if (r.type == "NPC_" || r.type == "SCPT" || r.type == "INFO") {
      out.push_back({r, !anyCellMoves(rules), i});
    } else {
      out.push_back({r, true, i});
    }
  }
  return out;
}

std::string describeGrid(const Record& r) {
  if (r.subrecords.size() < 2) return r.type;
  return r.type + " \"" + text(r.subrecords[0].data) + "\"";
}

// Where two records part: the first subrecord that differs.
std::string firstDifference(const Record& got, const Record& want) {
  std::size_t n = std::min(got.subrecords.size(), want.subrecords.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (got.subrecords[i].name != want.subrecords[i].name ||
        got.subrecords[i].data != want.subrecords[i].data) {
      std::string note = "subrecord " + std::to_string(i) + " " + got.subrecords[i].name;
      if (got.subrecords[i].data.size() >= 8 && want.subrecords[i].data.size() >= 8) {
        note += ": got (" + std::to_string(f32At(got.subrecords[i].data, 0)) + ", " +
                std::to_string(f32At(got.subrecords[i].data, 4)) + ") / (" +
                std::to_string(i32At(got.subrecords[i].data, 0)) + ", " +
                std::to_string(i32At(got.subrecords[i].data, 4)) + "), expected (" +
                std::to_string(f32At(want.subrecords[i].data, 0)) + ", " +
                std::to_string(f32At(want.subrecords[i].data, 4)) + ") / (" +
                std::to_string(i32At(want.subrecords[i].data, 0)) + ", " +
                std::to_string(i32At(want.subrecords[i].data, 4)) + ")";
      }
      return note;
    }
  }
  return got.subrecords.size() != want.subrecords.size() ? "subrecord count" : "header words";
}

std::string pluginFolder() { return QUENDREL_CORPUS_DIR; }

std::vector<std::string> corpusPlugins() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(pluginFolder(), error)) {
    std::string name = entry.path().filename().string();
    if (name != "README.md" && name != "SHA256SUMS" && entry.is_regular_file()) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) names.push_back("");  // the test then skips
  return names;
}

// OpenMW's esmtool: named by QUENDREL_ESMTOOL, or where .ci/run unpacks it.
// A Linux program: the Windows build's tests go without it.
std::string esmtoolPath() {
#ifdef _WIN32
  return "";
#else
  std::vector<std::string> candidates;
  if (const char* named = std::getenv("QUENDREL_ESMTOOL")) candidates.push_back(named);
  candidates.push_back(std::string(QUENDREL_SOURCE_DIR) + "/build-tools/openmw-cs/usr/games/esmtool");
  candidates.push_back("/usr/games/esmtool");
  for (const std::string& c : candidates) {
    if (!c.empty() && access(c.c_str(), X_OK) == 0) return c;
  }
  return "";
#endif
}

class CorpusTest : public harness::WorkDirTest, public ::testing::WithParamInterface<std::string> {
 protected:
  std::vector<Rules> rulesFor(const PluginFacts& facts) {
    std::vector<Rules> all;
    all.push_back(makeRules("TA", "TA, 3, -2\n", Rules::kAll, 3, -2));
    all.push_back(makeRules("DA", "DA\n", Rules::kDeleteAll));
    if (facts.someExterior) {
      Grid g = *facts.someExterior;
      Rules ce = makeRules("CE", "", Rules::kOneCell, 40, -40);
      ce.cell = g;
      ce.text = "CE, " + std::to_string(g.x) + ", " + std::to_string(g.y) + ", " +
                std::to_string(g.x + 40) + ", " + std::to_string(g.y - 40) + "\n";
      all.push_back(ce);
    }
    if (!facts.someRegion.empty()) {
      Rules tr =
          makeRules("TR", "TR, \"" + facts.someRegion + "\", -5, 7\n", Rules::kRegion, -5, 7);
      tr.region = facts.someRegion;
      all.push_back(tr);
    }
    if (!facts.someInterior.empty()) {
      const std::string& name = facts.someInterior;
      Rules ci = makeRules("CI", "", Rules::kCopyInterior);
      ci.interior = name;
      ci.copyName = std::string("QnCopy").substr(0, std::min<std::size_t>(6, name.size()));
      ci.text = "CI, \"" + name + "\", \"" + ci.copyName + "\"\n";
      all.push_back(ci);
      Rules di = makeRules("DI", "DI, \"" + name + "\"\n", Rules::kDeleteInterior);
      di.interior = name;
      all.push_back(di);
    }
    return all;
  }

  void checkOutput(const Rules& rules, const PluginFacts& facts, const std::string& output) {
    std::vector<Record> got;
    ASSERT_TRUE(readPlugin(output, got)) << "a record runs past the end of QNOUT.ESP";
    for (const Record& r : got) {
      ASSERT_TRUE(r.wellFormed) << r.type << " record with inconsistent subrecord sizes";
    }
    std::vector<Expected> want = expectedOutput(rules, facts);
    ASSERT_EQ(got.size(), want.size()) << "record count";
    int shown = 0;
    for (std::size_t i = 0; i < got.size() && shown < 5; ++i) {
      const Expected& e = want[i];
      bool same = e.exact ? recordBytes(got[i]) == recordBytes(e.record)
                          : got[i].type == e.record.type;
      if (!same) {
        ++shown;
        ADD_FAILURE() << "output record " << i << " (" << describeGrid(got[i])
                      << ") differs from what the rules imply for input record " << e.from
                      << " (" << describeGrid(e.record) << "): "
                      << firstDifference(got[i], e.record);
      }
    }
  }

  // quendrel-map's prediction: kept cells and land at their grid, moved ones
  // at the new one, copied ones at both, deleted ones nowhere.
  void checkPrediction(const std::string& plugin, const std::string& output) {
    std::vector<Record> got;
    ASSERT_TRUE(readPlugin(output, got));
    std::multiset<std::pair<int32_t, int32_t>> written, predicted, writtenLand, predictedLand;
    for (const Record& r : got) {
      if (r.type == "CELL" && isExteriorCell(r)) written.insert({gridOf(r).x, gridOf(r).y});
      if (r.type == "LAND" && !r.subrecords.empty() && r.subrecords[0].name == "INTV" &&
          r.subrecords[0].data.size() >= 8) {
        writtenLand.insert({i32At(r.subrecords[0].data, 0), i32At(r.subrecords[0].data, 4)});
      }
    }
    std::optional<RuleTable> rules = readRulesFile("quendrel.cfg");
    ASSERT_TRUE(rules.has_value());
    const PluginCells cells = readPluginToMove(plugin);
    for (GridCell g : gridsAfterRules(predictFates(*rules, cells))) predicted.insert({g.x, g.y});
    EXPECT_EQ(written, predicted);
    for (const PredictedLand& land : predictLandFates(*rules, cells)) {
      if (land.fate == CellFate::kKept || land.fate == CellFate::kCopied) {
        predictedLand.insert({land.land->grid.x, land.land->grid.y});
      }
      if (land.fate == CellFate::kMoved || land.fate == CellFate::kCopied) {
        predictedLand.insert({land.to.x, land.to.y});
      }
    }
    EXPECT_EQ(writtenLand, predictedLand);
  }

  // The rules resolved by grid make quendrel write the very same plugin, and
  // a clean rules file gives quendrel-map nothing to warn of.
  void checkResolvedRulesAndWarnings(const std::string& plugin, const std::string& output) {
    std::remove(path("resolved.cfg").c_str());
    const harness::MapRun map = harness::runMap({"--write-rules", "resolved.cfg", plugin});
    const int status = map.status;
    const std::string& warnings = map.err;
    ASSERT_TRUE(status == 0 || status == 2) << warnings;
    EXPECT_EQ(warnings, "");
    harness::RunResult r = run({"--rules", "resolved.cfg", "--output", "resolved.esp", plugin});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read("resolved.esp") == output) << read("resolved.cfg");
  }

  // esmtool must read the whole output and show the grids the rules moved to.
  void checkWithEsmtool(const std::string& esmtool, const Rules& rules, const PluginFacts& facts) {
    std::string command = harness::shellQuote(esmtool) + " dump -C -p QNOUT.ESP >esmtool.out 2>&1";
    int raw = std::system(command.c_str());
    std::string report = read("esmtool.out");
#ifndef _WIN32
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << report.substr(0, 2000);
#else
    ASSERT_EQ(raw, 0);
#endif
    // Its errors stand at the start of a line ("ERROR:", then "ESM Error: ...").
    EXPECT_EQ(report.find("\nERROR:"), std::string::npos) << report.substr(0, 2000);
    EXPECT_EQ(report.find("ESM Error"), std::string::npos);
    std::set<Grid> shown;
    std::regex coordinates(R"(Coordinates: +\((-?\d+),(-?\d+)\))");
    for (std::sregex_iterator m(report.begin(), report.end(), coordinates), end; m != end; ++m) {
      shown.insert({std::stoi((*m)[1]), std::stoi((*m)[2])});
    }
    for (const Record& r : facts.records) {
      if (r.type != "CELL" || !isExteriorCell(r)) continue;
      Fate f = fateOf(rules, facts, gridOf(r));
      if (f.kind == Fate::kMoves || f.kind == Fate::kCopied) {
        Grid to{gridOf(r).x + f.dx, gridOf(r).y + f.dy};
        EXPECT_TRUE(shown.count(to)) << "esmtool shows no cell at (" << to.x << ", " << to.y << ")";
      }
    }
  }
};

TEST_P(CorpusTest, EveryRuleKindGivesTheRecordsItImplies) {
  if (GetParam().empty()) {
    // A clone that does not stand beside the corpus would pass unseen.
    const char* skip = std::getenv("QUENDREL_SKIP_CORPUS");
    if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << "QUENDREL_SKIP_CORPUS=1";
    FAIL() << "no corpus plugins in " << pluginFolder()
           << " (the clone must stand beside shared/; QUENDREL_SKIP_CORPUS=1 skips this test)";
  }
  const std::string source = pluginFolder() + "/" + GetParam();
  const std::string original = harness::readFile(source);
  ASSERT_FALSE(original.empty());
  PluginFacts facts = studyPlugin(original);
  // The file name is kept, blanks and all, as a user's plugin would be.
  write(GetParam(), original);
  const std::string esmtool = esmtoolPath();

  for (const Rules& rules : rulesFor(facts)) {
    SCOPED_TRACE("rules " + rules.name + ": " + rules.text);
    std::remove(path("QNOUT.ESP").c_str());
    write("quendrel.cfg", rules.text);
    harness::RunResult result = run({GetParam()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.log.find("is damaged"), std::string::npos);
    ASSERT_TRUE(read(GetParam()) == original) << "the input plugin changed";
    const std::string output = read("QNOUT.ESP");
    checkOutput(rules, facts, output);
    checkPrediction(GetParam(), output);
    checkResolvedRulesAndWarnings(GetParam(), output);
    if (!esmtool.empty()) checkWithEsmtool(esmtool, rules, facts);
  }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name.empty() ? "none" : name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusTest, ::testing::ValuesIn(corpusPlugins()), testName);

}  // namespace
