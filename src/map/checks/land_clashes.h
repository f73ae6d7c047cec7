// Land clashes: grids where two plugins both bring land, the two lands
// differ, and neither plugin names the other as its master. The game then
// shows the land of the one loaded last, and the other's objects stand on
// land they were not made for: a seam at best, another landscape at worst.
// A plugin that edits its master's land, or two that save the same land
// unchanged, clash with nothing; plugins that edit only the cells of one
// grid do not either (the game merges their objects).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "map/model/game_model.h"

// One plugin's land on a grid where land may clash: its last LAND record
// there (in file order), or PLUGIN's last one the rules put there.
struct LandOnGrid {
  StandingCell standing;  // as the report names it: with its plugin's cell there, or none
  const std::vector<std::string>* masters;  // its plugin's
  std::size_t file;  // its file: an index of GameModel::checkedPaths, or their count for PLUGIN
  uint64_t offset;   // of its LAND record in that file
  // What the check needs of its record, read once the candidates are known
  // (held by the one who read it); none before.
  const LandDigest* digest;
};

struct ClashCandidate {
  GridCell grid;
  std::vector<LandOnGrid> lands;  // in load order, PLUGIN's last (it is laid on top)
};

// The grids where land may clash, found without reading any land: two or
// more plugins with land there, at least two of them not each other's
// masters (names compared with letter case ignored). With PLUGIN (a model
// with a plugin path), only grids of PLUGIN's land after the rules where a
// checked plugin not related to it has land; without it, the whole load
// order's. North to south, then west to east.
std::vector<ClashCandidate> clashCandidates(const GameModel& model);

struct LandClash {
  GridCell grid;
  std::vector<StandingCell> lands;  // every plugin with land there, in load order
  const std::string* shown;         // the plugin whose land the game shows: the last
  // The largest difference in height, in game units rounded to the nearest
  // whole one, between the lands there at any one of the 65 × 65 vertices
  // (heights from VHGT, or from WNAM where a record has none); 0 when fewer
  // than two of them hold heights.
  int64_t heightDifference;
};

// The places of the candidates' land records: one list for each checked
// plugin in order, then PLUGIN's (`pluginFile`), each in increasing order,
// each place once; as readGameLand wants them.
std::vector<std::vector<uint64_t>> candidatePlaces(const std::vector<ClashCandidate>& candidates,
                                                   std::size_t pluginFile);

// The places of the lands (one list for each file, as candidatePlaces
// gives them) to be read whole before findClashes can tell whether the
// candidates clash: those whose heights are the same as a land they are
// compared with (see compareLand), on grids where no two lands differ
// already.
std::vector<std::vector<uint64_t>> landToReadWhole(const std::vector<ClashCandidate>& candidates,
                                                   bool pluginOnly, std::size_t pluginFile);

// The candidates that clash, their records read: two lands whose data
// differ (the grid they begin with aside, which a move rewrites) and whose
// plugins are not each other's masters; with `pluginOnly`, one of the two
// must be PLUGIN's (the last land of the candidate, from file `pluginFile`).
std::vector<LandClash> findClashes(const std::vector<ClashCandidate>& candidates, bool pluginOnly,
                                   std::size_t pluginFile);

// How many plugins take part in at least one clash.
int clashingPlugins(const std::vector<LandClash>& clashes);

// The checked plugins whose headers name PLUGIN as a master, in load order.
std::vector<std::string> patchesOf(const GameModel& model);
