// What the rules make of each grid of a plugin, one fate a grid: the fate a
// mod's cells, land and moved references get there when quendrel moves the
// mod. Its patches follow the mod grid by grid: quendrel --follow applies
// these fates to another plugin, and quendrel-map --write-rules writes them
// as rules by grid (MC for a move, CE for a copy, DE for a deletion), so that
// both move exactly the grids the mod's move moves, whatever regions or
// whole-plugin rules said, and nothing else.
//
// A grid the rules send two ways has no single fate: under region rules, two
// cells on one grid that name different regions (one moved by TR, the other
// kept), or a cell whose region a rule moves and land there without a cell
// of that region.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/record_layout.h"
#include "rules/rules.h"

// What stands at a grid of the mod, as quendrel asks the rules about it.
struct GridOccupant {
  enum Kind {
    kCell,    // an exterior cell (its region, empty without one)
    kLand,    // a LAND record: its cell's region, none without a cell
    kMarker,  // a moved-reference marker's target: only a move carries it along
  } kind;
  GridCell grid;
  std::optional<std::string> region;  // nothing: no region at all
};

// What the rules make of one grid: a move or copy to `to`, or a deletion.
struct GridFate {
  GridCell grid;
  CellFate fate;
  GridCell to;  // for a move or copy
};

struct GridFates {
  // Every grid whose fate the rules decide, in the order the occupants
  // first name it; grids the rules leave where they are are not listed.
  std::vector<GridFate> decided;
  // The first grid whose occupants the rules send different ways; `decided`
  // is then empty.
  std::optional<GridCell> conflict;
};

// `occupants` in the mod's order.
GridFates resolveGridFates(const RuleTable& rules, const std::vector<GridOccupant>& occupants);

// The fates as rules by grid, a line each: "MC, 3, -2, 10, 10\n",
// "CE, 3, -2, 10, 10\n", "DE, 3, -2\n".
std::string gridRulesText(const std::vector<GridFate>& fates);
