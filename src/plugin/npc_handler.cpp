// The NPC_ handler: a walk over every subrecord in which a destination
// (AI_T, AI_E, AI_F or DODT) is acted on once the subrecord behind it shows
// it does not lead into an interior cell.
#include "plugin/npc_handler.h"

#include <optional>

#include "base/run_state.h"
#include "plugin/record_layout.h"
#include "plugin/text_fields.h"
#include "plugin/world_positions.h"

namespace {

constexpr std::size_t kCharacterIdSize = 32;

enum class DestinationKind { kAiPackage, kTravelService };

struct PendingDestination {
  std::size_t offset;  // of the subrecord in the record data
  DestinationKind kind;
};

void processDestination(uint8_t* data, const PendingDestination& pending, const char* characterId) {
  uint8_t* xy = data + pending.offset + kSubrecordHeaderSize;
  const std::string id = characterId;
  if (!moveDestinationWithItsCell(xy, "AI/Travel Package on " + id + " points at ",
                                  "\tAI/Travel Package on " + id + " \t")) {
    return;
  }
  writeModifiedOnly(outputDecision);
  if (pending.kind == DestinationKind::kAiPackage) {
    ++runCounters.aiPackagesModified;
  } else {
    ++runCounters.travelModified;
  }
}

}  // namespace

void handleNpc(uint8_t* record, uint32_t recordSize) {
  uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = recordSize - kRecordHeaderSize;
  char characterId[kCharacterIdSize] = "";
  std::optional<PendingDestination> pending;
  std::size_t offset = 0;
  while (offset < dataSize) {
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    if (!subrecord) break;
    const uint8_t* tag = data + offset;
    if (hasTag(tag, "NAME")) {
      copySubrecordText(characterId, sizeof characterId, tag + kSubrecordHeaderSize,
                        subrecord->size);
    } else if (pending && !hasTag(tag, "CNDT") && !hasTag(tag, "DNAM")) {
      processDestination(data, *pending, characterId);
    }
    pending.reset();
    const bool hasDestination = subrecord->size >= kXYSize;
    if (hasTag(tag, "AI_T") || hasTag(tag, "AI_E") || hasTag(tag, "AI_F")) {
      ++runCounters.aiPackagesFound;
      if (hasDestination) pending = PendingDestination{offset, DestinationKind::kAiPackage};
    } else if (hasTag(tag, "DODT")) {
      ++runCounters.travelFound;
      if (hasDestination) pending = PendingDestination{offset, DestinationKind::kTravelService};
    }
    offset = subrecordEnd(*subrecord);
  }
  if (pending) processDestination(data, *pending, characterId);
}
