// NPC_ records: travel, escort and follow packages and travel-service
// destinations that lie in a moved exterior cell follow it.
#pragma once

#include <cstdint>

// An NPC_ record's modified copy, header included, and its size.
void handleNpc(uint8_t* record, uint32_t recordSize);
