// LAND and PGRD records: the terrain and the path grid of an exterior cell,
// each naming its cell by grid position, follow their cell.
#pragma once

#include <cstdint>

#include "rules/rules.h"

// The data of a LAND record's modified copy (behind its header) and the
// whole record's size.
void handleLand(const RuleTable& rules, uint8_t* data, uint32_t recordSize);

// A PGRD record's modified copy, header included, and its size.
void handlePathGrid(const RuleTable& rules, uint8_t* record, uint32_t recordSize);
