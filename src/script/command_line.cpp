// Shifting the X and Y arguments of one script command line when the exterior
// cell they point into has moved. Everything but those two arguments is copied
// through byte for byte, case, comments and line break included.
#include <cstring>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/numbers.h"
#include "base/text_format.h"
#include "records/record_layout.h"
#include "script/script_text.h"
#include "world/command_words.h"

int rewriteCommandLine(const WriteInputs& in, WriteState& state, char* line) {
  const std::size_t length = strnlen(line, kScriptLineSize - 1);
  char lower[kScriptLineSize];
  lowerCaseCopy(line, length, lower);

  const std::optional<CommandCoordinates> command = readCommandCoordinates(lower);
  if (!command) return 0;
  const float x = command->xValue;
  const float y = command->yValue;
  const std::optional<GridCell> cell = cellOfPosition(x, y);
  const CommandCoordinates::Span* xSpan = &command->x;
  const CommandCoordinates::Span* ySpan = &command->y;

  if (command->namesCell) {
    if (in.interiors().isInteriorCell(command->cellName.c_str(), state.log)) {
      if (in.options.verbose) {
        state.log.append(formatted(
            "\n\t((AIEscort/AIFollow/Position/PlaceItem))Cell Script command identified as "
            "Internal, so ignored: %.*s",
            static_cast<int>(length), line));
      }
      return 0;
    }
    if (in.options.verbose) {
      state.log.append(formatted(
          "\n\t(AIEscort/AIFollow/Position/PlaceItem)Cell command identified as External, so "
          "processed: %.*s",
          static_cast<int>(length), line));
    }
  }

  // A position outside every cell (infinite or far beyond the grid) has nothing to follow.
  if (!cell) return 0;
  const std::optional<GridCell> offset = in.facts.moves.find(*cell);
  if (!offset) return 0;
  const int32_t offsetX = offset->x;
  const int32_t offsetY = offset->y;

  // Shifted in double precision: the text gets the exact sum, not a float
  // rounding of it (1234.567 + 16384 is written 17618.567017).
  const double newX = static_cast<double>(x) + offsetX * 8192.0;
  const double newY = static_cast<double>(y) + offsetY * 8192.0;

  const FixedText newXText = fixedSixDecimals(newX);
  const FixedText newYText = fixedSixDecimals(newY);
  std::string rebuilt(line, xSpan->begin);
  rebuilt += newXText.text;
  rebuilt.append(line + xSpan->end, ySpan->begin - xSpan->end);
  rebuilt += newYText.text;
  rebuilt.append(line + ySpan->end, length - ySpan->end);
  if (rebuilt.size() > kScriptLineSize - 1) return 0;

  // Put together in place: a master's scripts and dialogue hold thousands.
  ShortText<4 * sizeof(FixedText::text) + 64> note;
  note << "\n\tMODIFIED script usage of co-ords (" << fixedSixDecimals(x).text << ", "
       << fixedSixDecimals(y).text << ") to (" << newXText.text << "," << newYText.text << ")";
  state.log.append(note.view());
  std::memcpy(line, rebuilt.c_str(), rebuilt.size() + 1);
  return 1;
}
