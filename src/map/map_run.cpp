// quendrel-map's options, its report on standard output and its picture. It
// reads files only; the picture is the one file it writes.
#include "map/map_run.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/text_lines.h"
#include "map/cell_fates.h"
#include "map/exterior_cells.h"
#include "map/map_errors.h"
#include "map/land_heights.h"
#include "map/map_text.h"
#include "map/png_image.h"
#include "map/svg_file.h"
#include "map/svg_map.h"
#include "map/terrain.h"
#include "rules/rules.h"

namespace {

const char* const kUsage =
    "Usage: quendrel-map [--rules FILE] [--against PLUGIN]... [--output FILE] [--png FILE] "
    "[--suggest] PLUGIN\n"
    "\n"
    "Shows where the exterior cells of PLUGIN land under the rules quendrel would\n"
    "apply, and whether they land on other cells, before anything is moved.\n"
    "\n"
    "  --rules FILE      the rules file (default: quendrel.cfg here; none when it is missing)\n"
    "  --against PLUGIN  a plugin or master whose cells the moved cells must not land on;\n"
    "                    give it once for each\n"
    "  --output FILE     the picture, an SVG file (default: cell_map.svg)\n"
    "  --png FILE        also write the picture as a PNG file\n"
    "  --suggest         also print the smallest offset \"TA, dx, dy\" that puts no cell of\n"
    "                    PLUGIN on a cell of the --against plugins\n"
    "  --help            show this text\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 when no moved or copied cell lands on another cell, 2 when one\n"
    "does, 1 on an error.\n";

const char* const kDefaultRules = "quendrel.cfg";
const char* const kDefaultOutput = "cell_map.svg";

struct MapOptions {
  std::string rules = kDefaultRules;
  bool rulesNamed = false;
  std::vector<std::string> against;
  std::string output = kDefaultOutput;
  std::string png;  // none when empty
  bool suggest = false;
  std::string plugin;
};

enum LongOption { kRules = 0x100, kAgainst, kOutput, kPng, kSuggest, kHelp, kVersion };

MapOptions parseOptions(int argc, char** argv) {
  static const option kOptions[] = {
      {"rules", required_argument, nullptr, kRules},
      {"against", required_argument, nullptr, kAgainst},
      {"output", required_argument, nullptr, kOutput},
      {"png", required_argument, nullptr, kPng},
      {"suggest", no_argument, nullptr, kSuggest},
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
  while ((option = getopt_long(argc, argv, ":", kOptions, nullptr)) != -1) {
    switch (option) {
      case kRules:
        options.rules = optarg;
        options.rulesNamed = true;
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
      case kSuggest:
        options.suggest = true;
        break;
      case kHelp:
        std::fputs(kUsage, stdout);
        endRun(0);
      case kVersion:
        std::fputs("quendrel-map (Quendrel " QUENDREL_RELEASE ")\n", stdout);
        endRun(0);
      case ':':
        failMap("quendrel-map: option %s needs a file name (see quendrel-map --help)\n",
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

// `overlap (x, y): ` and every cell there, e.g.
// overlap (2, 0): mod.esp "Farm" moved from (0, 0); Base.esm "Hill" (Coast Region)
std::string overlapLine(const Overlap& overlap) {
  std::string line = joined("overlap ", gridText(overlap.grid), ":");
  const char* separator = " ";
  for (const StandingCell& standing : overlap.cells) {
    const ExteriorCell& cell = *standing.cell;
    line += joined(separator, *standing.plugin, " \"", cell.name, "\"");
    if (!cell.region.empty()) line += joined(" (", cell.region, ")");
    if (standing.how != StandingCell::kInPlace) {
      line += joined(standing.how == StandingCell::kMovedHere ? " moved from " : " copied from ",
                     gridText(cell.grid));
    }
    separator = "; ";
  }
  line += '\n';
  return line;
}

void writePicture(const std::string& path, const std::string& bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(createNewFile(path.c_str()));
  if (!file) failMap("quendrel-map: cannot create %s: %s\n", path.c_str(), systemErrorText());
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (!written || std::fclose(file.release()) != 0) {
    failMap("quendrel-map: cannot write %s: %s\n", path.c_str(), systemErrorText());
  }
}

int run(int argc, char** argv) {
  const MapOptions options = parseOptions(argc, argv);
  const RuleTable rules = readRules(options);
  const PluginCells plugin = readExteriorCells(options.plugin);
  std::vector<PluginCells> against;
  for (const std::string& path : options.against) against.push_back(readExteriorCells(path));

  const std::vector<PredictedCell> fates = predictFates(rules, plugin);
  const std::vector<Overlap> overlaps = findOverlaps(plugin, fates, against);
  const FateCounts counts = countFates(fates);
  std::printf("%s: %d exterior cells: %d kept, %d moved, %d copied, %d deleted\n",
              plugin.label.c_str(), static_cast<int>(plugin.cells.size()), counts.kept,
              counts.moved, counts.copied, counts.deleted);
  for (const Overlap& overlap : overlaps) std::fputs(overlapLine(overlap).c_str(), stdout);
  if (options.suggest) {
    // The whole plugin as it is now; quendrel leaves a damaged cell where it is.
    std::vector<GridCell> movable, taken;
    for (const ExteriorCell& cell : plugin.cells) {
      if (!cell.damaged) movable.push_back(cell.grid);
    }
    for (const PluginCells& other : against) {
      for (const ExteriorCell& cell : other.cells) taken.push_back(cell.grid);
    }
    if (std::optional<GridCell> offset = suggestOffset(movable, taken)) {
      std::printf("TA, %d, %d\n", offset->x, offset->y);
    } else {
      std::fputs("no offset of less than 262144 cells puts every cell on free land\n", stdout);
    }
  }
  std::fflush(stdout);
  // The picture frames the plugin's cells (or, without any, its land). The
  // land inside the frame is read at the detail the cells' size shows: the
  // --against plugins' in the order given, the plugin's own where the rules
  // put it on top.
  std::vector<GridCell> landGrids;
  if (plugin.cells.empty()) {
    for (const LandHeights& piece : readPluginLand(options.plugin, 9, nullptr).lands) {
      landGrids.push_back(piece.grid);
    }
  }
  const MapFrame frame = frameCellMap(fates, landGrids, against);
  TerrainMap terrain;
  for (const std::string& path : options.against) {
    terrain.lay(readPluginLand(path, frame.samples, &frame.grids));
  }
  const PluginLand ownLand = readPluginLand(options.plugin, frame.samples, nullptr);
  terrain.lay(placeLandAfterRules(rules, plugin, ownLand));
  const Scene map = drawCellMap(frame, plugin, fates, against, overlaps, terrain);
  writePicture(options.output, sceneSvg(map));
  if (!options.png.empty()) writePicture(options.png, encodePng(paintScene(map)));
  return overlaps.empty() ? 0 : 2;
}

}  // namespace

int runQuendrelMap(int argc, char** argv) {
  return exitStatusOf([&] { return run(argc, argv); }, "quendrel-map: %s\n");
}
