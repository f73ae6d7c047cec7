// quendrel-map's order of work: read the command line, read the game into
// one model (the only place that opens the files it reads), check it,
// print the report, then write the files asked for, each from the model by
// one row of the output table. The report and the files are made on all of
// the machine's cores before the first is printed, then printed and
// written on this thread in that order.
#include "map/entry/map_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/platform/platform.h"
#include "base/report.h"
#include "base/text_lines.h"
#include "map/checks/land_clashes.h"
#include "map/checks/map_checks.h"
#include "map/entry/map_options.h"
#include "map/model/game_model.h"
#include "map/model/in_parallel.h"
#include "map/model/plugin_cells.h"
#include "map/outputs/map_report.h"
#include "map/outputs/map_scene.h"
#include "map/outputs/page/planner_data.h"
#include "map/outputs/page/planner_page.h"
#include "map/outputs/png_image.h"
#include "map/outputs/scene.h"
#include "rules/rule_lines.h"
#include "rules/rule_warnings.h"
#include "rules/rules.h"
#include "workfiles/interior_list.h"
#include "workfiles/load_order.h"
#include "workfiles/map_errors.h"
#include "workfiles/name_text.h"
#include "workfiles/reserve_file.h"
#include "workfiles/text_input.h"

namespace {

// The rules as quendrel would read them; a rules file quendrel would refuse
// is an error here too.
RuleTable readRules(const MapOptions& options) {
  std::optional<RuleTable> rules = readRulesFile(options.rules.c_str());
  if (!rules) {
    if (!options.rulesNamed && errno == ENOENT) return RuleTable{};
    failMap("quendrel-map: cannot read %s: %s\n", options.rules.c_str(), systemErrorText());
  }
  if (rules->tooManyParameters) {
    failMap("quendrel-map: %s: a rule line has more than four parameters\n",
            options.rules.c_str());
  }
  for (const Rule& rule : rules->rules) {
    if (copyNameTooLong(rule)) {
      failMap("quendrel-map: %s: interior rule %d: the copy name is longer than the cell name\n",
              options.rules.c_str(), rule.number);
    }
    if (copyNameEmpty(rule)) {
      failMap("quendrel-map: %s: interior rule %d: the copy has no name\n",
              options.rules.c_str(), rule.number);
    }
  }
  return *rules;
}

// The picture's view of the land: the plugin's cells (or, without any, its
// land; without a plugin, every checked plugin's) framed at the size they
// show.
MapFrame pictureFrame(const GameModel& model) {
  std::vector<GridCell> landGrids;
  if (model.plugin.cells.empty()) {
    for (const LandRecord& land : model.plugin.lands) landGrids.push_back(land.grid);
  }
  if (model.pluginPath.empty()) {  // the whole load order: all of its land and cells
    for (const PluginCells& plugin : model.checked) {
      for (const LandRecord& land : plugin.lands) landGrids.push_back(land.grid);
      for (const ExteriorCell& cell : plugin.cells) landGrids.push_back(cell.grid);
    }
  }
  return frameCellMap(model.fates, landGrids, model.checked);
}

// Reads what the run works from into one model: the rules (and the reserve
// file), PLUGIN, the plugins of the load order (but PLUGIN itself) and the
// --against plugins. Their land follows once the pictures are framed
// (readLand).
std::unique_ptr<GameModel> readGame(const MapOptions& options) {
  // Without PLUGIN there is nothing for rules to move.
  RuleTable rules = options.plugin.empty() ? RuleTable{} : readRules(options);
  std::vector<GridRectangle> reserved;
  if (!options.reserve.empty()) reserved = readReserveFile(options.reserve);
  PluginCells plugin;
  if (!options.plugin.empty()) plugin = readPluginToMove(options.plugin);
  // Known before the other plugins are read, which are searched for
  // pointers into these grids as they are read.
  GridsLeft left = gridsLeft(rules, plugin);
  const GridsLeft* searched = left.empty() ? nullptr : &left;
  // The plugins checked against, in the order they are reported: the load
  // order's but PLUGIN, then --against's (which must be read).
  struct CheckedFile {
    std::string path;
    std::string name;
    bool mustRead;
  };
  std::vector<CheckedFile> files;
  std::vector<std::string> missing, configs;
  if (!options.loadOrder.empty()) {
    LoadOrder order = readLoadOrder(options.loadOrder);
    configs = order.files;
    std::fflush(stdout);
    for (const std::string& name : order.missing) {
      if (!options.plugin.empty() && foldedName(name) == foldedName(plugin.label)) continue;
      std::fprintf(stderr, "quendrel-map: %s: not found in the load order's data folders\n",
                   name.c_str());
      missing.push_back(name);
    }
    for (const LoadOrder::Plugin& listed : order.found) {
      if (!options.plugin.empty() && foldedName(listed.name) == foldedName(plugin.label)) continue;
      files.push_back({listed.path, listed.name, false});
    }
  }
  for (const std::string& path : options.against) files.push_back({path, path, true});
  // Read on every core; then reported one by one in order, as if read so.
  std::vector<CheckedRead> reads(files.size());
  std::vector<std::exception_ptr> thrown(files.size());
  forEachInParallel(files.size(), [&](std::size_t i) {
    try {
      reads[i] = readCheckedPluginQuietly(files[i].path, searched);
    } catch (...) {
      thrown[i] = std::current_exception();
    }
  });
  std::vector<PluginCells> checked;
  std::vector<std::string> paths, damaged;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (thrown[i]) std::rethrow_exception(thrown[i]);
    if (std::optional<PluginCells> read = reportCheckedRead(std::move(reads[i]), files[i].mustRead)) {
      checked.push_back(std::move(*read));
      paths.push_back(files[i].path);
    } else {
      damaged.push_back(files[i].name);
    }
  }
  if (searched != nullptr) dropInteriorCommands(checked, plugin);
  std::unique_ptr<GameModel> model =
      makeGameModel(std::move(rules), options.rules,
                    options.plugin.empty() ? std::nullopt : readRulesText(options.rules.c_str()),
                    options.plugin,
                    std::move(plugin), std::move(checked), std::move(paths));
  model->missing = std::move(missing);
  model->damaged = std::move(damaged);
  model->configFiles = std::move(configs);
  model->reserved = std::move(reserved);
  model->left = std::move(left);
  return model;
}

// The land each picture shows, and the records of the candidates for land
// clashes (see clashCandidates), read in one pass over each file: the
// picture's land first, then the page's when it is asked for and has land.
// The clashes are then found from the candidates' records, the few whose
// heights alone do not tell them apart read whole in a second pass.
std::vector<LandClash> readLandAndClashes(GameModel& model, const MapOptions& options,
                                          const MapFrame& frame) {
  std::vector<LandView> views{{frame.grids, frame.samples}};
  if (!options.html.empty()) {
    if (std::optional<LandView> page = plannerLandView(model)) views.push_back(*page);
  }
  std::vector<ClashCandidate> candidates = clashCandidates(model);
  const std::size_t pluginFile = model.checkedPaths.size();
  const std::vector<std::vector<uint64_t>> wanted = candidatePlaces(candidates, pluginFile);
  const std::vector<std::vector<LandDigest>> digests = readGameLand(model, std::move(views), wanted);
  // Each land of the candidates pointed at what was read of it at its place.
  auto point = [&](const std::vector<std::vector<uint64_t>>& places,
                   const std::vector<std::vector<LandDigest>>& read) {
    for (ClashCandidate& candidate : candidates) {
      for (LandOnGrid& land : candidate.lands) {
        const std::vector<uint64_t>& offsets = places[land.file];
        const auto at = std::lower_bound(offsets.begin(), offsets.end(), land.offset);
        if (at != offsets.end() && *at == land.offset) {
          land.digest = &read[land.file][static_cast<std::size_t>(at - offsets.begin())];
        }
      }
    }
  };
  point(wanted, digests);
  // Land whose heights are the same as another's is read whole, to tell
  // whether the rest is too.
  const bool pluginOnly = !model.pluginPath.empty();
  const std::vector<std::vector<uint64_t>> whole = landToReadWhole(candidates, pluginOnly, pluginFile);
  std::vector<std::vector<LandDigest>> wholeDigests;
  if (std::any_of(whole.begin(), whole.end(), [](const auto& offsets) { return !offsets.empty(); })) {
    wholeDigests = readWholeLand(model, whole);
    point(whole, wholeDigests);
  }
  return findClashes(candidates, pluginOnly, pluginFile);
}

// The command that moves a plugin of the game with PLUGIN: quendrel has it
// follow PLUGIN's move under PLUGIN's rules, e.g.
//   quendrel --follow Mod.esm --rules move.cfg --sync-header "Mod - Patch.esp"
std::string followCommand(const MapOptions& options, const std::string& label) {
  auto word = [](const std::string& name) {
    return name.find(' ') == std::string::npos ? name : "\"" + name + "\"";
  };
  const std::string rules = options.rulesNamed ? " --rules " + word(options.rules) : "";
  return "quendrel --follow " + word(options.plugin) + rules + " --sync-header " + word(label);
}

// What the outputs are made of: the model and what the checks found.
struct MapResults {
  const GameModel& model;
  const std::vector<LandClash>& clashes;
  std::string resolvedRules;  // with --write-rules
  const MapFrame& frame;      // the picture's
};

std::string interiorListOutput(const MapResults& results) {
  std::vector<std::string> names;
  for (const PluginCells& plugin : results.model.checked) {
    names.insert(names.end(), plugin.interiors.begin(), plugin.interiors.end());
  }
  return knownInteriorsText(names);
}
std::string resolvedRulesOutput(const MapResults& results) { return results.resolvedRules; }
std::string pageOutput(const MapResults& results) {
  const GameModel& model = results.model;
  const TerrainMap* terrain = model.terrains.size() > 1 ? &model.terrains[1] : nullptr;
  PlannerData data = plannerData(model, terrain, results.clashes);
  return plannerPage(std::move(data.data), data.asText);
}
Scene pictureScene(const MapResults& results) {
  const GameModel& model = results.model;
  return drawCellMap(results.frame, model.plugin, model.fates, model.checked, model.overlaps,
                     model.terrains[0], results.clashes);
}
std::string svgOutput(const Scene& picture) { return sceneSvg(picture); }
std::string pngOutput(const Scene& picture) { return encodePng(paintScene(picture)); }

// The files quendrel-map writes, in the order it writes them: the option
// that names the file (none when it is always written), the file, and
// its writer: from the results, or from the picture drawn of them once for
// both of its files.
struct OutputFile {
  const char* option;
  std::string MapOptions::*path;  // empty: not asked for
  std::string (*write)(const MapResults&);
  std::string (*draw)(const Scene&);
};
const OutputFile kOutputs[] = {
    {"--write-interiors", &MapOptions::interiors, interiorListOutput, nullptr},
    {"--write-rules", &MapOptions::resolvedRules, resolvedRulesOutput, nullptr},
    {"--output", &MapOptions::output, nullptr, svgOutput},
    {"--png", &MapOptions::png, nullptr, pngOutput},
    {"--html", &MapOptions::html, pageOutput, nullptr},
};
constexpr std::size_t kOutputCount = std::size(kOutputs);

// A text made on one of the machine's cores, or what stopped it (out of
// memory), to be raised on the calling thread where a run that made it
// there would have stopped.
struct Made {
  std::string text;
  std::exception_ptr failure;

  template <class Make>
  void from(const Make& make) {
    try {
      text = make();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  const std::string& get() const {
    if (failure) std::rethrow_exception(failure);
    return text;
  }
};

// The report's text and every file asked for.
struct MadeOutputs {
  Made report;
  Made picture;  // the scene's drawing: only its failure
  Made files[kOutputCount];
};

// Makes the report's text and the files asked for, each a function of the
// finished model and results alone, on all of the machine's cores: the
// picture (drawn once, then its SVG and PNG) first and the page next, the
// largest pieces, then the report and the rest. Nothing is printed or
// written here.
MadeOutputs makeOutputs(const MapOptions& options, const MapReport& report,
                        const MapResults& results) {
  MadeOutputs made;
  auto asked = [&](std::size_t row) { return !(options.*kOutputs[row].path).empty(); };
  std::vector<std::function<void()>> pieces;
  bool drawn = false;
  for (std::size_t row = 0; row < kOutputCount; ++row) drawn = drawn || (asked(row) && kOutputs[row].draw);
  if (drawn) {
    pieces.push_back([&] {
      Scene picture;
      made.picture.from([&] {
        picture = pictureScene(results);
        return std::string();
      });
      for (std::size_t row = 0; row < kOutputCount && !made.picture.failure; ++row) {
        if (!asked(row) || kOutputs[row].draw == nullptr) continue;
        made.files[row].from([&] { return kOutputs[row].draw(picture); });
        if (made.files[row].failure) break;  // the rest would not be written
      }
    });
  }
  for (std::size_t row = kOutputCount; row-- > 0;) {
    if (!asked(row) || kOutputs[row].write == nullptr) continue;
    pieces.push_back([&, row] { made.files[row].from([&] { return kOutputs[row].write(results); }); });
  }
  pieces.push_back([&] {
    made.report.from([&] { return options.json ? reportJson(report) : reportText(report); });
  });
  forEachInParallel(pieces.size(), [&](std::size_t piece) { pieces[piece](); });
  return made;
}

// Writes the text as a new file, or into the device or pipe named (see
// createOutputStream).
void writeNewFile(const std::string& path, const std::string& text) {
  std::unique_ptr<std::FILE, FileCloser> file(createOutputStream(path.c_str()));
  if (!file) failMap("quendrel-map: cannot create %s: %s\n", path.c_str(), systemErrorText());
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  if (!written || std::fclose(file.release()) != 0) {
    failMap("quendrel-map: cannot write %s: %s\n", path.c_str(), systemErrorText());
  }
}

// A file quendrel-map writes is created anew, whatever stood there removed
// first: never one it reads, such as a plugin named by mistake.
void refuseToOverwriteInputs(const MapOptions& options, const GameModel& model) {
  std::vector<std::string> inputs = model.checkedPaths;
  inputs.insert(inputs.end(), model.configFiles.begin(), model.configFiles.end());
  for (const std::string& input : {options.plugin, options.rules, options.loadOrder, options.reserve}) {
    if (!input.empty()) inputs.push_back(input);
  }
  for (const OutputFile& output : kOutputs) {
    const std::string& path = options.*output.path;
    for (const std::string& input : inputs) {
      if (!path.empty() && isSameFile(path.c_str(), input.c_str())) {
        failMap("quendrel-map: %s is a file quendrel-map reads; it is not written over\n",
                path.c_str());
      }
    }
  }
}

int run(int argc, char** argv) {
  const MapOptions options = parseOptions(argc, argv);
  const std::unique_ptr<GameModel> read = readGame(options);
  GameModel& model = *read;
  refuseToOverwriteInputs(options, model);
  const MapFrame frame = pictureFrame(model);
  const std::vector<LandClash> clashes = readLandAndClashes(model, options, frame);

  std::string resolvedRulesText;
  if (!options.resolvedRules.empty()) {
    // Rules that send one grid's things different ways end the run, writing
    // nothing.
    const ResolvedRules resolved = resolvedRules(model);
    if (resolved.conflict) {
      failMap("quendrel-map: the rules send the cells and land at (%d, %d) of %s different ways "
              "(cells of one grid with different regions under region rules): they cannot be "
              "written as rules by grid\n",
              resolved.conflict->x, resolved.conflict->y, model.plugin.label.c_str());
    }
    resolvedRulesText = resolved.text;
  }
  MapReport report;
  report.ruleWarnings = ruleWarnings(model);
  printRuleWarnings(options.rules, report.ruleWarnings);
  report.plugin = &model.plugin;
  if (model.rulesText) report.rulesFile = model.rulesPath;
  report.counts = countFates(model.fates);
  for (const PluginCells& other : model.checked) report.checked.push_back(other.label);
  report.missing = model.missing;
  report.damaged = model.damaged;
  report.overlaps = &model.overlaps;
  report.lands = &model.lands;
  report.lone = loneGrids(model.plugin);
  report.clashes = &clashes;
  report.wholeGame = options.plugin.empty();
  report.clashingPlugins = clashingPlugins(clashes);
  for (const std::string& patch : patchesOf(model)) {
    report.patches.push_back({patch, followCommand(options, patch)});
  }
  if (!model.left.empty()) {
    report.pointers.emplace();
    for (const PluginCells& other : model.checked) {
      if (other.pointers.empty()) continue;
      report.pointers->push_back({other.label, {}, followCommand(options, other.label)});
      for (const LeftPointer& pointer : other.pointers) {
        report.pointers->back().pointers.push_back({&pointer, *model.left.find(pointer.grid)});
      }
    }
  }
  report.suggested = options.suggest;
  if (options.suggest) {
    report.suggestion = suggestOffset(suggestionInput(model, options.margin));
  }
  // Made all at once, then printed and written in order, each failure
  // where it would stop a run that made them one by one.
  const MapResults results{model, clashes, std::move(resolvedRulesText), frame};
  const MadeOutputs made = makeOutputs(options, report, results);
  const std::string& text = made.report.get();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  made.picture.get();
  for (std::size_t row = 0; row < kOutputCount; ++row) {
    const std::string& path = options.*kOutputs[row].path;
    if (!path.empty()) writeNewFile(path, made.files[row].get());
  }
  return model.overlaps.empty() && clashes.empty() ? 0 : 2;
}

}  // namespace

int runQuendrelMap(int argc, char** argv) {
  return exitStatusOf([&] { return run(argc, argv); }, "quendrel-map: %s\n");
}
