// Reading the header of a CELL record.
#include "records/cell_header.h"

#include "records/text_fields.h"

namespace {

std::string subrecordText(const uint8_t* data, const Subrecord& subrecord) {
  char text[kNameFieldSize];
  copySubrecordText(text, sizeof text, data + subrecord.offset + kSubrecordHeaderSize,
                    subrecord.size);
  return text;
}

}  // namespace

std::optional<CellHeader> readCellHeader(const uint8_t* data, std::size_t dataSize) {
  // NAME is taken as the first subrecord whatever it is called.
  std::optional<Subrecord> name = subrecordAt(data, dataSize, 0);
  if (!name) return std::nullopt;
  std::optional<Subrecord> cellData = subrecordAt(data, dataSize, subrecordEnd(*name));
  if (!cellData || cellData->size < kCellDataSize) return std::nullopt;

  CellHeader header{subrecordText(data, *name), "", {}, false, *name, 0, 0};
  const uint8_t* fields = data + cellData->offset + kSubrecordHeaderSize;
  header.interior = (readU32(fields + kCellFlagsOffset) & 1) != 0;
  header.gridOffset = cellData->offset + kSubrecordHeaderSize + kCellGridOffset;
  header.grid = readGrid(data + header.gridOffset);

  std::size_t offset = subrecordEnd(*cellData);
  std::optional<Subrecord> next = subrecordAt(data, dataSize, offset);
  if (next && hasTag(data + offset, "RGNN")) {
    header.region = subrecordText(data, *next);
    offset = subrecordEnd(*next);
    next = subrecordAt(data, dataSize, offset);
  }
  if (next && (hasTag(data + offset, "INTV") || hasTag(data + offset, "AMBI") ||
               hasTag(data + offset, "WHGT"))) {
    header.interior = true;
    offset = subrecordEnd(*next);
  }
  header.end = offset;
  return header;
}
