// quendrel-map's options and the order of its work: read the rules, the
// plugin and the plugins it is checked against, predict, report, draw. It
// reads files only; the files it writes are the picture and, when asked for,
// its PNG, the planner page, the interior cell list and the resolved rules.
#include "map/entry/map_run.h"

#include <getopt.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/ascii.h"
#include "base/platform.h"
#include "base/report.h"
#include "base/text_lines.h"
#include "map/model/cell_fates.h"
#include "map/model/plugin_cells.h"
#include "workfiles/load_order.h"
#include "workfiles/map_errors.h"
#include "map/model/land_heights.h"
#include "map/outputs/map_report.h"
#include "workfiles/name_text.h"
#include "map/outputs/planner_data.h"
#include "map/outputs/planner_page.h"
#include "workfiles/reserve_file.h"
#include "map/checks/resolved_rules.h"
#include "map/rule_warnings.h"
#include "map/checks/suggestion.h"
#include "map/entry/new_file.h"
#include "map/outputs/png_image.h"
#include "map/outputs/map_scene.h"
#include "map/model/terrain.h"
#include "workfiles/text_input.h"
#include "rules/rules.h"

namespace {

const char* const kUsage =
    "Usage: quendrel-map [--rules FILE] [--load-order FILE] [--against PLUGIN]...\n"
    "                    [--output FILE] [--png FILE] [--html FILE]\n"
    "                    [--suggest [--margin N] [--reserve FILE]]\n"
    "                    [--json] [--write-interiors FILE] [--write-rules FILE] PLUGIN\n"
    "\n"
    "Shows where the exterior cells and land of PLUGIN go under the rules quendrel\n"
    "would apply, and whether they land on other plugins' cells or land, before\n"
    "anything is moved.\n"
    "\n"
    "  --rules FILE      the rules file (default: quendrel.cfg here; none when it is missing)\n"
    "  --load-order FILE check against every plugin of the game's load order: the\n"
    "                    original engine's Morrowind.ini or the open-source engine's\n"
    "                    openmw.cfg\n"
    "  --against PLUGIN  check against this plugin or master too; give it once for each\n"
    "  --output FILE     the picture, an SVG file (default: cell_map.svg)\n"
    "  --png FILE        also write the picture as a PNG file\n"
    "  --html FILE       also write the map as a page for a browser, with a planner\n"
    "                    that tries a move of the whole plugin and counts its overlaps\n"
    "  --suggest         also print the smallest offset \"TA, dx, dy\" that, as the only\n"
    "                    exterior rule, puts no cell of PLUGIN on a checked plugin's grid\n"
    "  --margin N        with --suggest: keep N cells free around other plugins' grids\n"
    "  --reserve FILE    with --suggest: rectangles \"x1, y1, x2, y2\" to keep free\n"
    "  --json            the report as one JSON document\n"
    "  --write-interiors FILE\n"
    "                    write the interior cell names of every checked plugin, one a\n"
    "                    line, as quendrel reads qn_interiors.dat\n"
    "  --write-rules FILE\n"
    "                    write the rules resolved by grid: one MC, CE or DE rule for each\n"
    "                    exterior grid whose fate the rules decide in PLUGIN, and the\n"
    "                    interior rules, to move PLUGIN's patches with it\n"
    "  --help            show this text\n"
    "  -V, --version     show the version\n"
    "\n"
    "Exit status: 0 when nothing the rules move or copy lands on another cell or\n"
    "land, 2 when something does, 1 on an error.\n";

const char* const kDefaultRules = "quendrel.cfg";
const char* const kDefaultOutput = "cell_map.svg";

// The widest margin taken: a thousand cells is more than a whole game world.
constexpr int32_t kWidestMargin = 1000;

struct MapOptions {
  std::string rules = kDefaultRules;
  bool rulesNamed = false;
  std::string loadOrder;  // empty: none
  std::vector<std::string> against;
  std::string output = kDefaultOutput;
  std::string png;  // none when empty
  std::string html;  // none when empty
  bool suggest = false;
  int32_t margin = 0;
  std::string reserve;  // empty: none
  bool json = false;
  std::string interiors;  // empty: not written
  std::string resolvedRules;  // --write-rules; empty: not written
  std::string plugin;
};

enum LongOption {
  kRules = 0x100, kLoadOrder, kAgainst, kOutput, kPng, kHtml, kSuggest, kMargin, kReserve, kJson,
  kWriteInteriors, kWriteRules, kHelp, kVersion = 'V'
};

int32_t marginOf(const char* text) {
  int32_t margin = -1;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, margin);
  if (error != std::errc() || stop != end || margin < 0 || margin > kWidestMargin) {
    failMap("quendrel-map: --margin takes a whole number of cells from 0 to %d, not \"%s\"\n",
            kWidestMargin, text);
  }
  return margin;
}

MapOptions parseOptions(int argc, char** argv) {
  static const option kOptions[] = {
      {"rules", required_argument, nullptr, kRules},
      {"load-order", required_argument, nullptr, kLoadOrder},
      {"against", required_argument, nullptr, kAgainst},
      {"output", required_argument, nullptr, kOutput},
      {"png", required_argument, nullptr, kPng},
      {"html", required_argument, nullptr, kHtml},
      {"suggest", no_argument, nullptr, kSuggest},
      {"margin", required_argument, nullptr, kMargin},
      {"reserve", required_argument, nullptr, kReserve},
      {"json", no_argument, nullptr, kJson},
      {"write-interiors", required_argument, nullptr, kWriteInteriors},
      {"write-rules", required_argument, nullptr, kWriteRules},
      {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  MapOptions options;
  optind = 0;  // 0 makes getopt start afresh, also on a second run in one process
  opterr = 0;
  int option;
  // ":" first: a missing file name comes back as ':', told apart from an
  // unknown option.
  while ((option = getopt_long(argc, argv, ":V", kOptions, nullptr)) != -1) {
    switch (option) {
      case kRules:
        options.rules = optarg;
        options.rulesNamed = true;
        break;
      case kLoadOrder:
        options.loadOrder = optarg;
        break;
      case kAgainst:
        options.against.emplace_back(optarg);
        break;
      case kOutput:
        options.output = optarg;
        break;
      case kPng:
        options.png = optarg;
        break;
      case kHtml:
        options.html = optarg;
        break;
      case kSuggest:
        options.suggest = true;
        break;
      case kMargin:
        options.margin = marginOf(optarg);
        break;
      case kReserve:
        options.reserve = optarg;
        break;
      case kJson:
        options.json = true;
        break;
      case kWriteInteriors:
        options.interiors = optarg;
        break;
      case kWriteRules:
        options.resolvedRules = optarg;
        break;
      case kHelp:
        std::fputs(kUsage, stdout);
        endRun(0);
      case kVersion:
        std::fputs("quendrel-map (Quendrel " QUENDREL_RELEASE ")\n", stdout);
        endRun(0);
      case ':':
        failMap("quendrel-map: option %s needs a value (see quendrel-map --help)\n",
                argv[optind - 1]);
      default:
        // A letter is reported alone, as it may stand in a group ("-xv").
        if (optopt > 0 && optopt < 0x100) {
          failMap("quendrel-map: unknown option -%c (see quendrel-map --help)\n", optopt);
        }
        failMap("quendrel-map: unknown option %s (see quendrel-map --help)\n", argv[optind - 1]);
    }
  }
  if (argc - optind != 1) failMap("quendrel-map: name one plugin (see quendrel-map --help)\n");
  options.plugin = argv[optind];
  if (!options.suggest && (options.margin != 0 || !options.reserve.empty())) {
    failMap("quendrel-map: --margin and --reserve go with --suggest (see quendrel-map --help)\n");
  }
  return options;
}

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

// Writes the text as a new file (see createNewFile).
void writeNewFile(const std::string& path, const std::string& text) {
  std::unique_ptr<std::FILE, FileCloser> file(createNewFile(path.c_str()));
  if (!file) failMap("quendrel-map: cannot create %s: %s\n", path.c_str(), systemErrorText());
  const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  if (!written || std::fclose(file.release()) != 0) {
    failMap("quendrel-map: cannot write %s: %s\n", path.c_str(), systemErrorText());
  }
}

// The plugins checked against: those of the load order (but PLUGIN itself),
// then the --against plugins.
struct Checked {
  std::vector<PluginCells> plugins;
  std::vector<std::string> missing, damaged;
  std::vector<std::string> paths;  // of the plugins read
};

Checked readCheckedPlugins(const MapOptions& options, const std::string& label) {
  Checked checked;
  if (!options.loadOrder.empty()) {
    LoadOrder order = readLoadOrder(options.loadOrder);
    std::fflush(stdout);
    for (const std::string& name : order.missing) {
      if (foldedName(name) == foldedName(label)) continue;
      std::fprintf(stderr, "quendrel-map: %s: not found in the load order's data folders\n",
                   name.c_str());
      checked.missing.push_back(name);
    }
    for (const LoadOrder::Plugin& listed : order.found) {
      if (foldedName(listed.name) == foldedName(label)) continue;
      if (std::optional<PluginCells> plugin = readCheckedPlugin(listed.path, false)) {
        checked.plugins.push_back(std::move(*plugin));
        checked.paths.push_back(listed.path);
      } else {
        checked.damaged.push_back(listed.name);
      }
    }
  }
  for (const std::string& path : options.against) {
    checked.plugins.push_back(*readCheckedPlugin(path, true));
    checked.paths.push_back(path);
  }
  return checked;
}

// The whole plugin moved by one TA rule: what moves, what stays, and what
// is in the way.
SuggestionInput suggestionInput(const MapOptions& options, const PluginCells& plugin,
                                const std::vector<PluginCells>& checked,
                                std::vector<GridRectangle> reserved) {
  SuggestionInput input;
  for (const ExteriorCell& cell : plugin.cells) {
    (cell.damaged ? input.staying : input.moving).push_back(cell.grid);
  }
  for (const LandRecord& land : plugin.lands) {
    (land.damaged ? input.staying : input.moving).push_back(land.grid);
  }
  for (const PluginCells& other : checked) {
    for (const ExteriorCell& cell : other.cells) input.taken.push_back(cell.grid);
    for (const LandRecord& land : other.lands) input.taken.push_back(land.grid);
  }
  input.margin = options.margin;
  input.reserved = std::move(reserved);
  return input;
}

// The interior cell names of the checked plugins as quendrel reads
// qn_interiors.dat: one a line, compared without regard to ASCII letter
// case, so each is written once. quendrel reads at most 255 bytes a line:
// a longer name, and one that holds a line end, could never be matched.
void writeInteriorNames(const std::string& path, const std::vector<PluginCells>& checked) {
  std::string text;
  std::unordered_set<std::string> written;
  for (const PluginCells& plugin : checked) {
    for (const std::string& name : plugin.interiors) {
      if (name.empty() || name.size() > 255 || name.find_first_of("\r\n") != std::string::npos) {
        continue;
      }
      std::string lower(name.size(), '\0');
      lowerCaseCopy(name.data(), name.size(), lower.data());
      if (written.insert(lower).second) text += name + "\n";
    }
  }
  writeNewFile(path, text);
}

// A file quendrel-map writes is created anew, whatever stood there removed
// first: never one it reads, such as a plugin named by mistake.
void refuseToOverwriteInputs(const MapOptions& options, const Checked& checked) {
  std::vector<std::string> inputs = checked.paths;
  for (const std::string& input : {options.plugin, options.rules, options.loadOrder, options.reserve}) {
    if (!input.empty()) inputs.push_back(input);
  }
  for (const std::string& output : {options.output, options.png, options.html, options.interiors,
                                    options.resolvedRules}) {
    for (const std::string& input : inputs) {
      if (!output.empty() && isSameFile(output.c_str(), input.c_str())) {
        failMap("quendrel-map: %s is a file quendrel-map reads; it is not written over\n",
                output.c_str());
      }
    }
  }
}

// The picture frames the plugin's cells (or, without any, its land). The
// land inside the frame is read at the detail the cells' size shows: the
// checked plugins' in load order, then the plugin's own where the rules put
// it, on top.
Scene drawMap(const MapOptions& options, const RuleTable& rules, const PluginCells& plugin,
              const std::vector<PredictedCell>& fates, const Checked& checked,
              const std::vector<Overlap>& overlaps) {
  std::vector<GridCell> landGrids;
  if (plugin.cells.empty()) {
    for (const LandRecord& land : plugin.lands) landGrids.push_back(land.grid);
  }
  const MapFrame frame = frameCellMap(fates, landGrids, checked.plugins);
  TerrainMap terrain;
  for (const std::string& path : checked.paths) {
    terrain.lay(readPluginLand(path, frame.samples, &frame.grids));
  }
  const PluginLand ownLand = readPluginLand(options.plugin, frame.samples, nullptr);
  terrain.lay(placeLandAfterRules(rules, plugin, ownLand));
  return drawCellMap(frame, plugin, fates, checked.plugins, overlaps, terrain);
}

// What the rules file says that its writer may not have meant, checked
// against the plugin's cells, land and interior cells.
std::vector<RuleWarning> warnAboutRules(const MapOptions& options, const RuleTable& rules,
                                        const PluginCells& plugin,
                                        const std::vector<PredictedLand>& lands) {
  const std::optional<std::string> text = readFileBytes(options.rules);
  if (!text) return {};  // no rules file at all
  RulesCheckTarget target{plugin.label, {}, plugin.interiors};
  // quendrel asks the rules about sound records only.
  for (const ExteriorCell& cell : plugin.cells) {
    if (!cell.damaged) {
      target.exteriors.push_back(exteriorLocation(cell.grid.x, cell.grid.y, cell.region.c_str()));
    }
  }
  for (const PredictedLand& land : lands) {
    if (land.withoutCell && !land.land->damaged) {
      target.exteriors.push_back(exteriorLocation(land.land->grid.x, land.land->grid.y, nullptr));
    }
  }
  std::vector<RuleWarning> warnings = checkRules(*text, rules, target);
  std::fflush(stdout);
  for (const RuleWarning& warning : warnings) {
    std::fprintf(stderr, "%s:%d: %s\n", options.rules.c_str(), warning.line, warning.text.c_str());
  }
  return warnings;
}

// The rules resolved by grid for --write-rules: what stands at each grid of
// the plugin as quendrel asks the rules about it (its sound cells with their
// regions, its sound land with the region of its cell or none, and the
// targets of its moved-reference markers with the region of the plugin's
// cell there, empty where it has none). Rules that send one grid's things
// different ways end the run, writing nothing.
std::string resolvedRulesText(const MapOptions& options, const RuleTable& rules,
                              const PluginCells& plugin) {
  std::unordered_map<GridCell, std::string, GridCellHash> regions;
  std::vector<GridOccupant> occupants;
  for (const ExteriorCell& cell : plugin.cells) {
    if (cell.damaged) continue;
    regions.try_emplace(cell.grid, cell.region);
    occupants.push_back({GridOccupant::kCell, cell.grid, cell.region});
  }
  auto regionAt = [&](GridCell grid) -> std::optional<std::string> {
    const auto found = regions.find(grid);
    if (found == regions.end()) return std::nullopt;
    return found->second;
  };
  for (const LandRecord& land : plugin.lands) {
    if (!land.damaged) occupants.push_back({GridOccupant::kLand, land.grid, regionAt(land.grid)});
  }
  for (const GridCell marker : plugin.markers) {
    occupants.push_back({GridOccupant::kMarker, marker, regionAt(marker).value_or("")});
  }
  const ResolvedRules resolved = resolveRules(rules, occupants, options.rules, plugin.label);
  if (resolved.conflict) {
    failMap("quendrel-map: the rules send the cells and land at (%d, %d) of %s different ways "
            "(cells of one grid with different regions under region rules): they cannot be "
            "written as rules by grid\n",
            resolved.conflict->x, resolved.conflict->y, plugin.label.c_str());
  }
  return resolved.text;
}

int run(int argc, char** argv) {
  const MapOptions options = parseOptions(argc, argv);
  const RuleTable rules = readRules(options);
  std::vector<GridRectangle> reserved;
  if (!options.reserve.empty()) reserved = readReserveFile(options.reserve);
  const PluginCells plugin = readPluginToMove(options.plugin);
  Checked checked = readCheckedPlugins(options, plugin.label);
  refuseToOverwriteInputs(options, checked);
  std::optional<SuggestionInput> suggestion;
  if (options.suggest) {
    suggestion = suggestionInput(options, plugin, checked.plugins, std::move(reserved));
  }

  std::string resolvedRules;
  if (!options.resolvedRules.empty()) resolvedRules = resolvedRulesText(options, rules, plugin);

  const std::vector<PredictedCell> fates = predictFates(rules, plugin);
  const std::vector<PredictedLand> lands = predictLandFates(rules, plugin);
  const std::vector<Overlap> overlaps = findOverlaps(plugin, fates, lands, checked.plugins);
  MapReport report;
  report.ruleWarnings = warnAboutRules(options, rules, plugin, lands);
  report.plugin = &plugin;
  report.counts = countFates(fates);
  for (const PluginCells& other : checked.plugins) report.checked.push_back(other.label);
  report.missing = std::move(checked.missing);
  report.damaged = std::move(checked.damaged);
  report.overlaps = &overlaps;
  report.lands = &lands;
  report.lone = loneGrids(plugin);
  report.suggested = options.suggest;
  if (suggestion) report.suggestion = suggestOffset(*suggestion);
  const std::string text = options.json ? reportJson(report) : reportText(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
  if (!options.interiors.empty()) writeInteriorNames(options.interiors, checked.plugins);
  if (!options.resolvedRules.empty()) writeNewFile(options.resolvedRules, resolvedRules);
  const Scene map = drawMap(options, rules, plugin, fates, checked, overlaps);
  writeNewFile(options.output, sceneSvg(map));
  if (!options.png.empty()) writeNewFile(options.png, encodePng(paintScene(map)));
  if (!options.html.empty()) {
    writeNewFile(options.html, plannerPage(plannerData({rules, options.plugin, plugin, checked.paths,
                                                        checked.plugins, fates, lands, overlaps})));
  }
  return overlaps.empty() ? 0 : 2;
}

}  // namespace

int runQuendrelMap(int argc, char** argv) {
  return exitStatusOf([&] { return run(argc, argv); }, "quendrel-map: %s\n");
}
