// The checks quendrel-map makes of the model beside the overlaps: what the
// rules file says that its writer may not have meant, the rules resolved by
// grid (--write-rules), and what the suggestion (--suggest) works from.
#pragma once

#include <cstdint>
#include <vector>

#include "map/checks/resolved_rules.h"
#include "map/checks/suggestion.h"
#include "map/model/game_model.h"
#include "rules/rule_warnings.h"

// The rules file's warnings, checked against PLUGIN's cells, land and
// interior cells as quendrel asks the rules about them (sound records
// only); none without a rules file.
std::vector<RuleWarning> ruleWarnings(const GameModel& model);

// The rules resolved by grid: what stands at each grid of PLUGIN as quendrel
// asks the rules about it (its sound cells with their regions, its sound land
// with the region of its cell or none, and the targets of its moved-reference
// markers with the region of the plugin's cell there, empty where it has
// none).
ResolvedRules resolvedRules(const GameModel& model);

// The whole plugin moved by one TA rule: what moves, what stays, and what is
// in the way (every checked plugin's grids), with the margin and the
// model's reserved rectangles.
SuggestionInput suggestionInput(const GameModel& model, int32_t margin);
