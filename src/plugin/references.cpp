// Placed references and door destinations.
#include "plugin/references.h"

#include <optional>

#include "base/report.h"
#include "base/run_state.h"
#include "plugin/record_layout.h"
#include "plugin/text_fields.h"
#include "plugin/world_positions.h"

namespace {

constexpr std::size_t kObjectIdSize = 512;

bool isSteppedOver(const uint8_t* name) {
  static const char* const kNames[] = {"FLTV", "KNAM", "XSCL", "DNAM", "ANAM", "INTV",
                                       "NAM9", "INDX", "TNAM", "XCHG", "ZNAM", "CNAM"};
  for (const char* known : kNames) {
    if (hasTag(name, known)) return true;
  }
  return false;
}

// The offset between two grid positions, when a position can be moved by it.
std::optional<int32_t> gridOffset(int32_t from, int32_t to) {
  int64_t offset = int64_t{to} - from;
  if (offset < INT32_MIN || offset > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(offset);
}

}  // namespace

std::size_t handleReference(const ReferenceWalk& walk, std::size_t frmrOffset) {
  uint8_t* data = walk.data;
  const std::size_t dataSize = walk.dataSize;
  std::optional<Subrecord> frmr = subrecordAt(data, dataSize, frmrOffset);
  if (!frmr) return dataSize - frmrOffset;
  std::size_t offset = subrecordEnd(*frmr);
  std::optional<Subrecord> name = subrecordAt(data, dataSize, offset);
  if (!name || !hasTag(data + offset, "NAME")) {
    if (name) {
      const uint8_t* found = data + offset;
      appendRunLog(formatMessage("Unknown field in FRMR entry - expected NAME, but got: %c%c%c%c\n",
                                 found[0], found[1], found[2], found[3]));
    }
    return dataSize - frmrOffset;
  }
  char objectId[kObjectIdSize];
  copySubrecordText(objectId, sizeof objectId, data + offset + kSubrecordHeaderSize, name->size);
  if (runOptions.verbose) appendRunLog(formatMessage("\tObject: \"%s\"\t", objectId));

  offset = subrecordEnd(*name);
  std::optional<Subrecord> position;
  while (offset < dataSize) {
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    if (!subrecord) return dataSize - frmrOffset;
    const uint8_t* tag = data + offset;
    if (hasTag(tag, "DATA")) {
      position = subrecord;
      break;
    }
    if (hasTag(tag, "FRMR")) return offset - frmrOffset;
    if (hasTag(tag, "DELE")) {
      if (runOptions.verbose) appendRunLog(" (already marked as DELE field - ignored)\n");
      return subrecordEnd(*subrecord) - frmrOffset;
    }
    if (hasTag(tag, "DODT")) {
      if (walk.interior) handleDoorDestination(walk, offset);
    } else if (!isSteppedOver(tag) && runOptions.verbose) {
      appendRunLog(formatMessage("[WARNING: <Unknown FRMR field: %c%c%c%c>]!\n", tag[0], tag[1],
                                 tag[2], tag[3]));
    }
    offset = subrecordEnd(*subrecord);
  }
  if (!position) return offset - frmrOffset;

  uint8_t* xy = data + position->offset + kSubrecordHeaderSize;
  const WorldPosition old = readWorldPosition(xy);
  const ReferenceShift& shift = walk.shift;
  std::optional<int32_t> dX = gridOffset(shift.oldX, shift.newX);
  std::optional<int32_t> dY = gridOffset(shift.oldY, shift.newY);
  std::optional<WorldPosition> moved;
  if ((shift.newX != shift.oldX || shift.newY != shift.oldY) && dX && dY) {
    moved = shiftWorldPosition(old, *dX, *dY);
  }
  // Each reference's position and its fate go to the run log as one text
  // (the same bytes as one text each), as a master holds 100,000 of them.
  if (!moved) {
    if (runOptions.verbose) {
      appendRunLog(formatMessage("(%s, %s) \n", fixed(old.x).text, fixed(old.y).text));
    }
  } else {
    writeWorldPosition(xy, *moved);
    if (runOptions.verbose) {
      appendRunLog(formatMessage("(%s, %s)  - MODIFIED to (%s, %s)\n", fixed(old.x).text,
                                 fixed(old.y).text, fixed(moved->x).text, fixed(moved->y).text));
    } else {
      appendRunLog(formatMessage("\tObject \"%s\"\t(%s, %s)  - MODIFIED to (%s, %s)\n", objectId,
                                 fixed(old.x).text, fixed(old.y).text, fixed(moved->x).text,
                                 fixed(moved->y).text));
    }
    ++runCounters.objectsModified;
  }
  return subrecordEnd(*position) - frmrOffset;
}

void handleDoorDestination(const ReferenceWalk& walk, std::size_t dodtOffset) {
  uint8_t* data = walk.data;
  const std::size_t dataSize = walk.dataSize;
  if (runOptions.verbose) appendRunLog("\tInterior Door: ");
  // A DNAM among the door's subrecords names an interior destination.
  std::size_t offset = dodtOffset;
  while (offset < dataSize) {
    std::optional<Subrecord> subrecord = subrecordAt(data, dataSize, offset);
    if (!subrecord) break;
    const uint8_t* tag = data + offset;
    if (hasTag(tag, "DNAM")) {
      if (runOptions.verbose) appendRunLog("[Interior->Interior Door Teleport - ignoring.] ");
      return;
    }
    if (!hasTag(tag, "CNAM") && !hasTag(tag, "DODT") && runOptions.verbose) {
      appendRunLog(formatMessage("[Warning: <Unknown DODT field: %c%c%c%c>]!\n", tag[0], tag[1],
                                 tag[2], tag[3]));
    }
    offset = subrecordEnd(*subrecord);
    if (dataSize - offset >= kTagSize && (hasTag(data + offset, "DATA") || hasTag(data + offset, "FRMR"))) {
      break;
    }
  }

  uint8_t* xy = data + dodtOffset + kSubrecordHeaderSize;
  std::optional<WorldPosition> moved =
      moveDestinationWithItsCell(xy, "Door teleports to ", "\tDoor teleport\t");
  if (!moved) return;
  ++runCounters.objectsModified;
  // A door follows its destination in every copy of the cell that is
  // written; a cell the rules deleted stays deleted.
  if (outputDecision.writeOriginal == kYes && outputDecision.writeModified == kYes) {
    if (walk.originalData != nullptr) {
      writeWorldPosition(walk.originalData + dodtOffset + kSubrecordHeaderSize, *moved);
    }
  } else if (outputDecision.writeOriginal == kYes) {
    writeModifiedOnly(outputDecision);
  }
}
