// The NPC_ handler: a walk over every subrecord in which a destination (an
// AI package's or a travel service's, as the table of pointers places them)
// is acted on once the subrecord behind it shows it does not lead into an
// interior cell.
#include "plugin/npc_handler.h"

#include <optional>

#include "records/record_layout.h"
#include "records/subrecords.h"
#include "records/text_fields.h"
#include "plugin/world_positions.h"
#include "world/pointers.h"

namespace {

constexpr std::size_t kCharacterIdSize = 32;

struct PendingDestination {
  std::size_t offset;  // of the subrecord in the record data
  PointerKind kind;    // a package or a travel service
};

void processDestination(const WriteInputs& in, WriteState& state, uint8_t* data, const PendingDestination& pending,
                        const char* characterId, OutputDecision& decision) {
  uint8_t* xy = data + pending.offset + kSubrecordHeaderSize;
  const std::string id = characterId;
  if (!moveDestinationWithItsCell(in, state, xy, "AI/Travel Package on " + id + " points at ",
                                  "\tAI/Travel Package on " + id + " \t")) {
    return;
  }
  writeModifiedOnly(decision);
  if (pending.kind == PointerKind::kPackage) {
    ++state.counters.aiPackagesModified;
  } else {
    ++state.counters.travelModified;
  }
}

}  // namespace

OutputDecision handleNpc(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  OutputDecision decision;
  uint8_t* data = record.modifiedData();
  char characterId[kCharacterIdSize] = "";
  std::optional<PendingDestination> pending;
  for (const WalkedSubrecord& s : SubrecordWalk(data, record.dataSize())) {
    if (s.is("NAME")) {
      copySubrecordText(characterId, sizeof characterId, data + s.dataOffset(), s.size);
    } else if (pending && destinationLeadsOutside(&s)) {
      processDestination(in, state, data, *pending, characterId, decision);
    }
    pending.reset();
    const PointerRow* row = pointerRowOf("NPC_", s);
    if (row == nullptr) continue;
    ++(row->kind == PointerKind::kPackage ? state.counters.aiPackagesFound
                                          : state.counters.travelFound);
    if (s.size >= kXYSize) pending = PendingDestination{s.offset, row->kind};
  }
  if (pending) processDestination(in, state, data, *pending, characterId, decision);
  return decision;
}
