// The SCPT and INFO handlers: take a script's source text (SCTX) or a
// dialogue entry's result text (BNAM) a line at a time, rewrite its command
// lines one by one, and put the rewritten text back into the record with every
// size brought up to date. The text stays in memory: a record's text is at
// most one record long, and the bytes come back exactly as they were read.
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>

#include "base/ascii.h"
#include "base/report.h"
#include "base/text_format.h"
#include "base/text_lines.h"
#include "records/record_layout.h"
#include "records/subrecords.h"
#include "script/script_text.h"
#include "world/command_words.h"
#include "world/pointers.h"

namespace {

// What tells the two handlers apart.
struct TextRecordForm {
  PointerKind pointer;  // its row names the text subrecord
  const char* nameSubrecord;
  const char* nameLead;              // verbose, once per name subrecord: then the name, "\""
  const char* const* quietSubrecords;  // known subrecords stepped over without a word
  std::size_t quietCount;
  const char* unknownWarning;        // verbose, for any other subrecord
  const char* changedLead;  // after each rewritten line when not verbose: then the name, "\"\n"
  int32_t RunCounters::*changedCounter;
  bool keepsScriptLists;  // recompile and investigate lists, getpos/setpos count
};

constexpr const char* kScriptQuiet[] = {"SCVR", "SCDT"};
constexpr const char* kDialogueQuiet[] = {"PNAM", "NAME", "NNAM", "INAM", "FNAM", "DNAM", "ANAM",
                                          "RNAM", "CNAM", "SNAM", "FLTV", "SCTV", "SCVR", "QSTF",
                                          "QSTN", "QSTR", "DELE", "INTV", "DATA"};

const TextRecordForm kScriptForm = {
    PointerKind::kScript,
    "SCHD",
    " - script called \"",
    kScriptQuiet,
    std::size(kScriptQuiet),
    "[Warning: <Unknown SCDT field: %c%c%c%c>]!\n",
    " - for script called \"",
    &RunCounters::scriptCommandsModified,
    true,
};

const TextRecordForm kDialogueForm = {
    PointerKind::kDialogue,
    "ONAM",
    " - text for ID \"",
    kDialogueQuiet,
    std::size(kDialogueQuiet),
    "[Warning: <Unknown INFO field: %c%c%c%c>]!\n",
    " - changed Dialog command text for \"",
    &RunCounters::dialogModified,
    false,
};

constexpr std::size_t kNameMax = 127;

// A note that names the script or the entry, put together in place: a
// master holds tens of thousands of dialogue entries.
ShortText<kNameMax + 64> nameNote(const char* lead, const char* name, const char* tail) {
  ShortText<kNameMax + 64> note;
  note << lead << name << tail;
  return note;
}

bool isQuietSubrecord(const TextRecordForm& form, const WalkedSubrecord& s) {
  for (std::size_t i = 0; i < form.quietCount; ++i) {
    if (s.is(form.quietSubrecords[i])) return true;
  }
  return false;
}

// Walks the subrecords of the record (`limit` bytes, header included) up to
// the text subrecord, picking up the name on the way. A subrecord that would
// reach outside the record ends the walk without a text.
std::optional<Subrecord> findTextSubrecord(const WriteInputs& in, WriteState& state, const uint8_t* record,
                                           std::size_t limit, const TextRecordForm& form,
                                           char (&name)[kNameMax + 1]) {
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = limit - kRecordHeaderSize;
  const bool verbose = in.options.verbose;
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (pointerRow(form.pointer).holdsSubrecord(s)) return s;
    if (s.is(form.nameSubrecord)) {
      const char* text = reinterpret_cast<const char*>(data + s.dataOffset());
      std::size_t length = strnlen(text, s.size < kNameMax ? s.size : kNameMax);
      std::memcpy(name, text, length);
      name[length] = '\0';
      if (verbose) state.log.append(nameNote(form.nameLead, name, "\"").view());
    } else if (!isQuietSubrecord(form, s) && verbose) {
      state.log.append(
          formatted(form.unknownWarning, s.name[0], s.name[1], s.name[2], s.name[3]));
    }
  }
  return std::nullopt;
}

struct LinePassResult {
  std::string text;  // the whole text, rewritten lines and all
  int changedLines = 0;
  int getposSetposLines = 0;
};

// Whether the line (lower case, up to its first zero byte) holds "getpos"
// or "setpos": one search for what the two share, most lines holding neither.
bool holdsGetposOrSetpos(const char* lower) {
  for (const char* at = std::strstr(lower, "etpos"); at != nullptr;
       at = std::strstr(at + 1, "etpos")) {
    if (at > lower && (at[-1] == 'g' || at[-1] == 's')) return true;
  }
  return false;
}

// Copies the text a line at a time, rewriting command lines on the way. Lines
// are raw bytes: a CR LF line end, a 0x1A or any other byte comes through
// exactly as it was; a line of more than 1023 bytes is handled in pieces.
LinePassResult rewriteLines(const WriteInputs& in, WriteState& state, const uint8_t* text, std::size_t size,
                            const TextRecordForm& form, const char* name,
                            OutputDecision& decision) {
  LinePassResult result;
  result.text.reserve(size);
  char line[kScriptLineSize];
  char lower[kScriptLineSize];
  std::size_t at = 0;
  std::size_t length;
  // Where the next command word begins (at or after the line read next): a
  // line in which none begins holds none, and is not searched for one.
  std::size_t next = nextCommandWord(text, size, 0);
  while ((length = readLineFromMemory(text, size, at, line, sizeof line)) > 0) {
    lowerCaseCopy(line, length, lower);
    // The word tests see a line up to a zero byte in it; such a line is only
    // copied, as rewriting it would lose what follows the zero byte.
    const bool holdsZeroByte = std::strlen(line) != length;
    bool offered = false;
    if (next < at) {
      next = nextCommandWord(text, size, at);
      offered = holdsCommandWord(lower);
    }
    if (offered && !holdsZeroByte && rewriteCommandLine(in, state, line) == 1) {
      if (!in.options.verbose) {
        state.log.append(nameNote(form.changedLead, name, "\"\n").view());
      }
      ++(state.counters.*form.changedCounter);
      writeModifiedOnly(decision);
      length = std::strlen(line);
      ++result.changedLines;
    }
    // Scripts that read or set positions at run time may hold coordinates
    // that no command word shows; they are named for a look by hand.
    if (form.keepsScriptLists && !offered &&
        holdsGetposOrSetpos(lower)) {
      ++result.getposSetposLines;
    }
    result.text.append(line, length);
  }
  return result;
}

// Replaces the old text (the data of the subrecord whose header is at
// `textAt`) by the rewritten text. Subrecords behind the text move with its
// end; the text subrecord's size, the record's data size and the record size
// all change by the same amount.
void putTextBack(RecordInHand& record, std::size_t limit, std::size_t textAt,
                 uint32_t oldTextSize, const std::string& newText) {
  const std::size_t textData = textAt + kSubrecordHeaderSize;
  const std::size_t oldTextEnd = textData + oldTextSize;
  const std::size_t tailSize = limit - oldTextEnd;
  const int64_t sizeChange = static_cast<int64_t>(newText.size()) - oldTextSize;
  const int64_t newRecordSize = static_cast<int64_t>(limit) + sizeChange;
  if (newText.size() > UINT32_MAX || newRecordSize > static_cast<int64_t>(UINT32_MAX)) {
    failRun("Unable to put the rewritten script text back: the record would be %lld bytes\n",
            static_cast<long long>(newRecordSize));
  }
  // The copy has spare room behind the record; a text that grows past it
  // gets a larger buffer instead of being cut.
  if (record.modified.size() < static_cast<std::size_t>(newRecordSize)) {
    record.modified.resize(static_cast<std::size_t>(newRecordSize));
  }
  uint8_t* bytes = record.modified.data();
  std::memmove(bytes + textData + newText.size(), bytes + oldTextEnd, tailSize);
  std::memcpy(bytes + textData, newText.data(), newText.size());
  writeU32(bytes + textAt + kSubrecordSizeOffset, static_cast<uint32_t>(newText.size()));
  writeU32(bytes + kRecordSizeOffset,
           static_cast<uint32_t>(readU32(bytes + kRecordSizeOffset) + sizeChange));
  record.modifiedSize = static_cast<uint32_t>(newRecordSize);
}

OutputDecision rewriteTextRecord(const WriteInputs& in, WriteState& state, RecordInHand& record,
                                 const TextRecordForm& form) {
  OutputDecision decision;
  const bool verbose = in.options.verbose;
  const std::size_t limit = std::min<std::size_t>(record.modifiedSize, record.modified.size());
  char name[kNameMax + 1] = {};
  std::optional<Subrecord> text;
  if (limit >= kRecordHeaderSize) {
    text = findTextSubrecord(in, state, record.modified.data(), limit, form, name);
  }
  if (!text) {
    if (verbose) state.log.append("\n");
    return decision;
  }
  const std::size_t textAt = kRecordHeaderSize + text->offset;
  const LinePassResult pass = rewriteLines(
      in, state, record.modified.data() + textAt + kSubrecordHeaderSize, text->size, form, name,
      decision);
  if (pass.changedLines > 0) {
    putTextBack(record, limit, textAt, text->size, pass.text);
    if (form.keepsScriptLists) addScriptToList(state.scripts.recompile, name);
  } else if (form.keepsScriptLists && pass.getposSetposLines > 0) {
    addScriptToList(state.scripts.investigate, name);
  }
  if (verbose) state.log.append("\n");
  return decision;
}

}  // namespace

OutputDecision rewriteScriptRecord(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  return rewriteTextRecord(in, state, record, kScriptForm);
}

OutputDecision rewriteDialogueRecord(const WriteInputs& in, WriteState& state, RecordInHand& record) {
  return rewriteTextRecord(in, state, record, kDialogueForm);
}
