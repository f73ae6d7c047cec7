// Coordinates written in script source and dialogue result text: one line of
// text at a time, and the SCPT and INFO records that carry such text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr std::size_t kScriptLineSize = 1024;  // a line buffer: 1023 bytes and a terminator

// Rewrites the X and Y arguments of the position, placement, travel, escort
// or follow command in `line` (a zero-terminated line in a kScriptLineSize
// buffer) when the cell they lie in has moved. Returns 1 when the line was
// rewritten, 0 when it was left exactly as it was.
int rewriteCommandLine(char* line);

// The modified copy of a record as the write pass hands it to the text
// handlers: `bytes` holds the record, header included, with spare room behind
// it; `size` is the size of the record in it. A handler whose text grows past
// the spare room enlarges `bytes`.
struct ModifiedRecord {
  std::vector<uint8_t>& bytes;
  uint32_t& size;
};

// SCPT: the SCTX text named by SCHD. INFO: the BNAM text named by ONAM.
// Both return 0.
int rewriteScriptRecord(ModifiedRecord record);
int rewriteDialogueRecord(ModifiedRecord record);
