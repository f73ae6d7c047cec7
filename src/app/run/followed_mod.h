// The mod a plugin follows (--follow MOD): what the rules make of each of
// its grids, read from its cells, land and moved-reference markers as the
// passes read them when they move the mod itself, and the names of its
// interior cells. The plugin then gets the mod's fate at each of those grids
// (as rules by grid), and its pointers into the grids the mod's cells leave
// follow them.
#pragma once

#include <string>
#include <vector>

#include "rules/grid_fates.h"
#include "rules/rules.h"

struct FollowedMod {
  std::string path;                    // as the user wrote it
  std::vector<GridFate> fates;         // every grid of the mod the rules decide
  RuleTable gridRules;                 // the same as rules by grid, for the plugin
  std::vector<std::string> interiors;  // the mod's interior cells, by name
  int count(CellFate fate) const;
};

// Reads the mod at `path` and resolves `rules` on its grids. A mod that
// cannot be read whole ends the run, as the plugin would; so does a grid the
// rules send two ways, with the same words as quendrel-map's refusal.
FollowedMod readFollowedMod(const char* path, const RuleTable& rules);
