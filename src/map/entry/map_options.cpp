// quendrel-map's options: the usage text and the reading of the command line.
#include "map/entry/map_options.h"

#include <getopt.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/platform/platform.h"
#include "base/report.h"
#include "workfiles/map_errors.h"

namespace {

const char* const kUsage =
    "Usage: quendrel-map [--rules FILE] [--load-order FILE] [--against PLUGIN]...\n"
    "                    [--output FILE] [--png FILE] [--html FILE]\n"
    "                    [--suggest [--margin N] [--reserve FILE]]\n"
    "                    [--json] [--write-interiors FILE] [--write-rules FILE] PLUGIN\n"
    "       quendrel-map --load-order FILE [--against PLUGIN]... [--output FILE]\n"
    "                    [--png FILE] [--html FILE] [--json] [--write-interiors FILE]\n"
    "\n"
    "Shows where the exterior cells and land of PLUGIN go under the rules quendrel\n"
    "would apply, and whether they land on other plugins' cells or land, before\n"
    "anything is moved; also where its land clashes with a checked plugin's (both\n"
    "have land on a grid, the lands differ, and neither is the other's master),\n"
    "and which checked plugins are its patches. Without PLUGIN, --load-order lists\n"
    "the land clashes of the whole load order.\n"
    "\n"
    "  --rules FILE      the rules file (default: quendrel.cfg here; none when it is missing)\n"
    "  --load-order FILE check against every plugin of the game's load order: the\n"
    "                    original engine's Morrowind.ini or the open-source engine's\n"
    "                    openmw.cfg; a folder holding one; auto: the player's own\n"
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
    "land and no land clashes, 2 when something does or clashes, 1 on an error.\n";

// The widest margin taken: a thousand cells is more than a whole game world.
constexpr int32_t kWidestMargin = 1000;

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

}  // namespace

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
        if (!valueGivenToLongOption(argv[optind - 1])) {
          failMap("quendrel-map: option %s needs a value (see quendrel-map --help)\n",
                  argv[optind - 1]);
        }
        [[fallthrough]];
      default: {
        // A letter is reported alone, as it may stand in a group ("-xv").
        if (option != ':' && optopt > 0 && optopt < 0x100) {
          failMap("quendrel-map: unknown option -%c (see quendrel-map --help)\n", optopt);
        }
        // A long option is mistyped more often than a letter: it is named in
        // glibc's words, as quendrel names it, and the whole usage text follows.
        const std::string word = argv[optind - 1];
        if (option != ':' && optopt == 0) {
          failMap("quendrel-map: unrecognized option '%s'\n%s", word.c_str(), kUsage);
        }
        failMap("quendrel-map: option '%s' doesn't allow an argument\n%s",
                word.substr(0, word.find('=')).c_str(), kUsage);
      }
    }
  }
  // Without PLUGIN, the whole load order is checked for land clashes; what
  // speaks of PLUGIN needs it.
  if (argc - optind == 0 && !options.loadOrder.empty()) {
    const char* needsPlugin = options.rulesNamed              ? "--rules"
                              : options.suggest               ? "--suggest"
                              : !options.resolvedRules.empty() ? "--write-rules"
                                                               : nullptr;
    if (needsPlugin != nullptr) {
      failMap("quendrel-map: %s needs a plugin; without one, --load-order checks the whole "
              "load order for land clashes (see quendrel-map --help)\n",
              needsPlugin);
    }
  } else if (argc - optind != 1) {
    failMap("quendrel-map: name one plugin (see quendrel-map --help)\n");
  } else {
    options.plugin = argv[optind];
  }
  if (!options.suggest && (options.margin != 0 || !options.reserve.empty())) {
    failMap("quendrel-map: --margin and --reserve go with --suggest (see quendrel-map --help)\n");
  }
  return options;
}

