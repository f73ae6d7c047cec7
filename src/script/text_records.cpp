// The SCPT and INFO handlers: carry a script's source text (SCTX) or a
// dialogue entry's result text (BNAM) out to a work file, rewrite its command
// lines one by one, and put the rewritten text back into the record with every
// size brought up to date.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>

#include "base/report.h"
#include "base/run_state.h"
#include "plugin/record_layout.h"
#include "base/ascii.h"
#include "script/command_words.h"
#include "script/script_text.h"
#include "workfiles/script_work_files.h"
#include "base/text_lines.h"

namespace {

// What tells the two handlers apart.
struct TextRecordForm {
  const char* textSubrecord;
  const char* nameSubrecord;
  const char* nameMessage;           // verbose, once per name subrecord
  const char* const* quietSubrecords;  // known subrecords stepped over without a word
  std::size_t quietCount;
  const char* unknownWarning;        // verbose, for any other subrecord
  const char* changedMessage;        // after each rewritten line when not verbose
  int32_t RunCounters::*changedCounter;
  const char* readBackFailure;
  bool keepsScriptLists;  // recompile and investigate lists, getpos/setpos count
};

constexpr const char* kScriptQuiet[] = {"SCVR", "SCDT"};
constexpr const char* kDialogueQuiet[] = {"PNAM", "NAME", "NNAM", "INAM", "FNAM", "DNAM", "ANAM",
                                          "RNAM", "CNAM", "SNAM", "FLTV", "SCTV", "SCVR", "QSTF",
                                          "QSTN", "QSTR", "DELE", "INTV", "DATA"};

const TextRecordForm kScriptForm = {
    "SCTX",
    "SCHD",
    " - script called \"%s\"",
    kScriptQuiet,
    std::size(kScriptQuiet),
    "[Warning: <Unknown SCDT field: %c%c%c%c>]!\n",
    " - for script called \"%s\"\n",
    &RunCounters::scriptCommandsModified,
    "Unable to read back %lld bytes from modified script file: %s: %s\n",
    true,
};

const TextRecordForm kDialogueForm = {
    "BNAM",
    "ONAM",
    " - text for ID \"%s\"",
    kDialogueQuiet,
    std::size(kDialogueQuiet),
    "[Warning: <Unknown INFO field: %c%c%c%c>]!\n",
    " - changed Dialog command text for \"%s\"\n",
    &RunCounters::dialogModified,
    "Unable to read back %lld bytes from modified dialog file: %s: %s\n",
    false,
};

constexpr std::size_t kNameMax = 127;

bool isQuietSubrecord(const TextRecordForm& form, const uint8_t* name) {
  for (std::size_t i = 0; i < form.quietCount; ++i) {
    if (hasTag(name, form.quietSubrecords[i])) return true;
  }
  return false;
}

// Walks the subrecords of the record (`limit` bytes, header included) up to
// the text subrecord, picking up the name on the way. A subrecord that would
// reach outside the record ends the walk without a text.
std::optional<Subrecord> findTextSubrecord(const uint8_t* record, std::size_t limit,
                                           const TextRecordForm& form,
                                           char (&name)[kNameMax + 1]) {
  const uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = limit - kRecordHeaderSize;
  std::size_t offset = 0;
  while (offset + 1 < dataSize) {
    std::optional<Subrecord> sub = subrecordAt(data, dataSize, offset);
    if (!sub) return std::nullopt;
    const uint8_t* tag = data + offset;
    if (hasTag(tag, form.textSubrecord)) return sub;
    if (hasTag(tag, form.nameSubrecord)) {
      const char* text = reinterpret_cast<const char*>(tag + kSubrecordHeaderSize);
      std::size_t length = strnlen(text, sub->size < kNameMax ? sub->size : kNameMax);
      std::memcpy(name, text, length);
      name[length] = '\0';
      if (runOptions.verbose) appendRunLog(formatMessage(form.nameMessage, name));
    } else if (!isQuietSubrecord(form, tag) && runOptions.verbose) {
      appendRunLog(formatMessage(form.unknownWarning, tag[0], tag[1], tag[2], tag[3]));
    }
    offset = subrecordEnd(*sub);
  }
  return std::nullopt;
}

void writeTextOut(const uint8_t* text, std::size_t size) {
  WorkStream out = WorkStream::forWriting(WorkFile::kScriptText);
  bool written = out && std::fwrite(text, 1, size, out.get()) == size;
  if (out && !out.finish()) written = false;
  if (!written) {
    failRun("Unable to create temporary script output file for writing, %s: %s\n",
            kScriptTextFile, systemErrorText());
  }
}

struct LinePassResult {
  int changedLines = 0;
  int64_t sizeChange = 0;
  int getposSetposLines = 0;
};

// Copies the text from the first work file to the second a line at a time,
// rewriting command lines on the way. Lines are raw bytes: a CR LF line end,
// or any other byte, comes through exactly as it was.
LinePassResult rewriteLines(const TextRecordForm& form, const char* name) {
  WorkStream in = WorkStream::forReading(WorkFile::kScriptText);
  if (!in) {
    failRun("Unable to create temporary script output file for reading, %s: %s\n",
            kScriptTextFile, systemErrorText());
  }
  WorkStream out = WorkStream::forWriting(WorkFile::kRewrittenText);
  if (!out) {
    failRun("Unable to open new temporary script output file for writing, %s: %s\n",
            kRewrittenTextFile, systemErrorText());
  }

  LinePassResult result;
  char line[kScriptLineSize];
  char lower[kScriptLineSize];
  std::size_t length;
  while ((length = readLine(in.get(), line, sizeof line, LineEnds::kRaw)) > 0) {
    lowerCaseCopy(line, length, lower);
    // The word tests see a line up to a zero byte in it; such a line is only
    // copied, as rewriting it would lose what follows the zero byte.
    const bool holdsZeroByte = std::strlen(line) != length;
    const bool offered = holdsCommandWord(lower);
    if (offered && !holdsZeroByte && rewriteCommandLine(line) == 1) {
      if (!runOptions.verbose) appendRunLog(formatMessage(form.changedMessage, name));
      ++(runCounters.*form.changedCounter);
      writeModifiedOnly(outputDecision);
      const std::size_t newLength = std::strlen(line);
      result.sizeChange += static_cast<int64_t>(newLength) - static_cast<int64_t>(length);
      length = newLength;
      ++result.changedLines;
    }
    // Scripts that read or set positions at run time may hold coordinates
    // that no command word shows; they are named for a look by hand.
    if (form.keepsScriptLists && !offered &&
        (std::strstr(lower, "getpos") != nullptr || std::strstr(lower, "setpos") != nullptr)) {
      ++result.getposSetposLines;
    }
    if (std::fwrite(line, 1, length, out.get()) != length) {
      failRun("Unable to open new temporary script output file for writing, %s: %s\n",
              kRewrittenTextFile, systemErrorText());
    }
  }
  if (std::ferror(in.get())) {
    failRun("Unable to create temporary script output file for reading, %s: %s\n",
            kScriptTextFile, systemErrorText());
  }
  if (!out.finish()) {
    failRun("Unable to open new temporary script output file for writing, %s: %s\n",
            kRewrittenTextFile, systemErrorText());
  }
  return result;
}

// Replaces the old text (the data of the subrecord whose header is at
// `textAt`) by the rewritten text from the second work file. Subrecords
// behind the text move with its end; the text subrecord's size, the record's
// data size and the record size all change by the same amount.
void putTextBack(ModifiedRecord record, std::size_t limit, std::size_t textAt,
                 uint32_t oldTextSize, int64_t sizeChange, const TextRecordForm& form) {
  const std::size_t textData = textAt + kSubrecordHeaderSize;
  const std::size_t oldTextEnd = textData + oldTextSize;
  const std::size_t tailSize = limit - oldTextEnd;
  const int64_t newTextSize = static_cast<int64_t>(oldTextSize) + sizeChange;
  const int64_t newRecordSize = static_cast<int64_t>(limit) + sizeChange;
  if (newTextSize < 0 || newRecordSize > static_cast<int64_t>(UINT32_MAX)) {
    failRun("Unable to put the rewritten text of %s back: the record would be %lld bytes\n",
            kRewrittenTextFile, static_cast<long long>(newRecordSize));
  }
  // The copy has spare room behind the record; a text that grows past it
  // gets a larger buffer instead of being cut.
  if (record.bytes.size() < static_cast<std::size_t>(newRecordSize)) {
    record.bytes.resize(static_cast<std::size_t>(newRecordSize));
  }
  uint8_t* bytes = record.bytes.data();
  const std::size_t newTextEnd = textData + static_cast<std::size_t>(newTextSize);
  std::memmove(bytes + newTextEnd, bytes + oldTextEnd, tailSize);

  WorkStream in = WorkStream::forReading(WorkFile::kRewrittenText);
  if (!in) {
    failRun("Unable to create new temporary script output file for reading, %s: %s\n",
            kRewrittenTextFile, systemErrorText());
  }
  const std::size_t wanted = static_cast<std::size_t>(newTextSize);
  if (std::fread(bytes + textData, 1, wanted, in.get()) != wanted) {
    failRun(form.readBackFailure, static_cast<long long>(newTextSize), kRewrittenTextFile,
            std::ferror(in.get()) ? systemErrorText() : "the file ends early");
  }

  writeU32(bytes + textAt + kSubrecordSizeOffset, static_cast<uint32_t>(newTextSize));
  writeU32(bytes + kRecordSizeOffset,
           static_cast<uint32_t>(readU32(bytes + kRecordSizeOffset) + sizeChange));
  record.size = static_cast<uint32_t>(newRecordSize);
}

int rewriteTextRecord(ModifiedRecord record, const TextRecordForm& form) {
  const std::size_t limit = record.size < record.bytes.size() ? record.size : record.bytes.size();
  char name[kNameMax + 1] = {};
  std::optional<Subrecord> text;
  if (limit >= kRecordHeaderSize) text = findTextSubrecord(record.bytes.data(), limit, form, name);
  if (!text) {
    if (runOptions.verbose) appendRunLog("\n");
    return 0;
  }
  const std::size_t textAt = kRecordHeaderSize + text->offset;
  writeTextOut(record.bytes.data() + textAt + kSubrecordHeaderSize, text->size);

  const LinePassResult pass = rewriteLines(form, name);
  if (pass.changedLines > 0) {
    putTextBack(record, limit, textAt, text->size, pass.sizeChange, form);
    if (form.keepsScriptLists) addScriptToList(scriptLists.recompile, name);
  } else if (form.keepsScriptLists && pass.getposSetposLines > 0) {
    addScriptToList(scriptLists.investigate, name);
  }
  if (runOptions.verbose) appendRunLog("\n");
  return 0;
}

}  // namespace

int rewriteScriptRecord(ModifiedRecord record) { return rewriteTextRecord(record, kScriptForm); }

int rewriteDialogueRecord(ModifiedRecord record) {
  return rewriteTextRecord(record, kDialogueForm);
}
