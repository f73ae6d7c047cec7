// The NPC_ handler: a walk over every subrecord in which a destination
// (AI_T, AI_E, AI_F or DODT) is acted on once the subrecord behind it shows
// it does not lead into an interior cell.
#include "plugin/npc_handler.h"

#include <optional>

#include "records/record_layout.h"
#include "records/subrecords.h"
#include "records/text_fields.h"
#include "plugin/world_positions.h"

namespace {

constexpr std::size_t kCharacterIdSize = 32;

enum class DestinationKind { kAiPackage, kTravelService };

struct PendingDestination {
  std::size_t offset;  // of the subrecord in the record data
  DestinationKind kind;
};

void processDestination(RunContext& context, uint8_t* data, const PendingDestination& pending,
                        const char* characterId, OutputDecision& decision) {
  uint8_t* xy = data + pending.offset + kSubrecordHeaderSize;
  const std::string id = characterId;
  if (!moveDestinationWithItsCell(context, xy, "AI/Travel Package on " + id + " points at ",
                                  "\tAI/Travel Package on " + id + " \t")) {
    return;
  }
  writeModifiedOnly(decision);
  if (pending.kind == DestinationKind::kAiPackage) {
    ++context.counters.aiPackagesModified;
  } else {
    ++context.counters.travelModified;
  }
}

}  // namespace

OutputDecision handleNpc(RunContext& context, RecordInHand& record) {
  OutputDecision decision;
  uint8_t* data = record.modifiedData();
  char characterId[kCharacterIdSize] = "";
  std::optional<PendingDestination> pending;
  for (const WalkedSubrecord& s : SubrecordWalk(data, record.dataSize())) {
    if (s.is("NAME")) {
      copySubrecordText(characterId, sizeof characterId, data + s.dataOffset(), s.size);
    } else if (pending && !s.is("CNDT") && !s.is("DNAM")) {
      processDestination(context, data, *pending, characterId, decision);
    }
    pending.reset();
    const bool hasDestination = s.size >= kXYSize;
    if (s.is("AI_T") || s.is("AI_E") || s.is("AI_F")) {
      ++context.counters.aiPackagesFound;
      if (hasDestination) pending = PendingDestination{s.offset, DestinationKind::kAiPackage};
    } else if (s.is("DODT")) {
      ++context.counters.travelFound;
      if (hasDestination) pending = PendingDestination{s.offset, DestinationKind::kTravelService};
    }
  }
  if (pending) processDestination(context, data, *pending, characterId, decision);
  return decision;
}
