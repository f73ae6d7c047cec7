// The scan pass and the write pass: each reads the plugin record by record,
// hands every record to the handler for its type, and in the write pass puts
// the original, the modified copy, both or neither into QNOUT.ESP.
#include "app/passes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "app/closing.h"
#include "app/safety.h"
#include "base/platform.h"
#include "base/report.h"
#include "base/run_state.h"
#include "plugin/cell_handler.h"
#include "plugin/land_handler.h"
#include "plugin/npc_handler.h"
#include "plugin/plugin_cells.h"
#include "plugin/record_check.h"
#include "plugin/record_layout.h"
#include "plugin/record_reader.h"
#include "rules/rules.h"
#include "script/script_text.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"
#include "base/text_lines.h"

namespace {

// One record at a time: the bytes as read, and the copy the handlers change,
// which has room behind the record for script text to grow into.
struct RecordBuffers {
  std::vector<uint8_t> original;
  std::vector<uint8_t> modified;
  uint32_t modifiedSize = 0;
  uint64_t fileOffset = 0;  // of the record's first byte in the plugin
};

constexpr std::size_t kStreamBufferSize = 1 << 20;

void resetForRecord(uint32_t recordSize) {
  cellState.oldX = cellState.oldY = cellState.newX = cellState.newY = 0;
  cellState.isInterior = 1;
  cellState.recordSize = recordSize;
  outputDecision = OutputDecision{};
}

// A plugin that ends inside a record, or holds a record larger than what is
// left of the file, ends the run.
class EndRunOnDamage : public DamageReporter {
 public:
  explicit EndRunOnDamage(const char* path) : path_(path) {}
  void damaged(const RecordDamage& damage) override {
    failRun("Unable to read entire marker record (%llu bytes) from %s into memory: %s\n",
            static_cast<unsigned long long>(damage.recordSize), path_, damage.reason.c_str());
  }

 private:
  const char* path_;
};

// Reads the next record whole. Returns false at the end of the file.
bool readRecord(RecordReader& reader, RecordBuffers& record) {
  RecordHeader header;
  if (!reader.next(header)) return false;
  const uint32_t recordSize = static_cast<uint32_t>(header.wholeSize());
  resetForRecord(recordSize);
  try {
    record.original.resize(recordSize);
    record.modified.resize(std::size_t{recordSize} + kRecordGrowthRoom);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    failRun("Unable to allocate %lld bytes of memory to store TES file record: %s\n",
            static_cast<long long>(uint64_t{recordSize} * 2), systemErrorText());
  }
  record.fileOffset = header.offset;
  reader.readRecord(header, record.original.data());
  std::memcpy(record.modified.data(), record.original.data(), recordSize);
  record.modifiedSize = recordSize;
  return true;
}

bool isType(const RecordBuffers& record, const char* type) {
  return hasTag(record.original.data(), type);
}

// The handlers trust that a record's subrecords fit inside it; one that does
// not is passed on unchanged, with one warning in the run log.
bool recordIsSound(const RecordBuffers& record, bool warn) {
  std::optional<std::string> damage =
      describeRecordDamage(record.original.data(), record.original.size());
  if (!damage) return true;
  if (warn) {
    appendRunLog(formatMessage(
        "WARNING: %.4s record at byte %llu of the plugin is damaged (%s) - left unchanged.\n",
        reinterpret_cast<const char*>(record.original.data()),
        static_cast<unsigned long long>(record.fileOffset), damage->c_str()));
  }
  return false;
}

// Script (SCPT) and dialogue (INFO) text, in the write pass: always counted,
// rewritten unless -d is given.
void passTextRecord(RecordBuffers& record, bool isScript) {
  ++(isScript ? runCounters.scriptsFound : runCounters.dialogFound);
  if (!runOptions.modifyScripts) {
    if (runOptions.verbose) appendRunLog("\n");
    return;
  }
  if (!recordIsSound(record, true)) return;
  ModifiedRecord modified{record.modified, record.modifiedSize};
  if (isScript) {
    rewriteScriptRecord(modified);
  } else {
    rewriteDialogueRecord(modified);
  }
}

void dispatchRecord(RecordBuffers& record, const RuleTable& rules) {
  const bool writePass = runOptions.pass == 2;
  uint8_t* modified = record.modified.data();
  uint8_t* modifiedData = modified + kRecordHeaderSize;
  const uint32_t recordSize = cellState.recordSize;
  if (isType(record, "CELL")) {
    showProgress('C');
    if (!writePass) ++runCounters.cellsFound;
    cellState.cellName[0] = '\0';
    cellState.regionName[0] = '\0';
    if (recordIsSound(record, writePass || runOptions.listCells)) {
      handleCell(rules, modifiedData, recordSize, record.original.data() + kRecordHeaderSize);
    }
  } else if (isType(record, "LAND")) {
    showProgress('L');
    if (!writePass) {
      ++runCounters.landsFound;
    } else {
      if (recordIsSound(record, true)) handleLand(rules, modifiedData, recordSize);
      std::fputc('L', stdout);
    }
  } else if (isType(record, "SCPT")) {
    showProgress('S');
    if (writePass) passTextRecord(record, true);
  } else if (isType(record, "INFO")) {
    showProgress('I');
    if (writePass) passTextRecord(record, false);
  } else if (isType(record, "PGRD")) {
    showProgress('P');
    if (writePass) {
      ++runCounters.pathGridsFound;
      if (recordIsSound(record, true)) handlePathGrid(rules, modified, recordSize);
      if (runOptions.verbose) appendRunLog("\n");
    }
  } else if (isType(record, "NPC_")) {
    showProgress('N');
    if (writePass) {
      if (recordIsSound(record, true)) handleNpc(modified, recordSize);
      if (runOptions.verbose) appendRunLog("\n");
    }
  } else {
    showProgress(writePass ? '.' : '-');
    if (writePass && runOptions.verbose) {
      appendRunLog(" - ignoring record (not CELL, LAND, SCPT, NPC_, PGRD or INFO)\n");
    }
  }
}

void writeRecord(std::FILE* output, RecordBuffers& record) {
  if (outputDecision.writeOriginal == kYes &&
      (!runOptions.copiesOnly || isType(record, "TES3"))) {
    // Under -n the header's file-type word says "plugin": the output holds
    // only the copies and is never a master.
    if (runOptions.copiesOnly && record.original.size() > kFileTypeByteOffset) {
      record.original[kFileTypeByteOffset] = 0;
    }
    if (runOptions.verbose) {
      appendRunLog(formatMessage("\t[Saving Original Record: %d bytes]\n",
                                 static_cast<int>(cellState.recordSize)));
    }
    if (std::fwrite(record.original.data(), 1, record.original.size(), output) !=
        record.original.size()) {
      failRun("Unable to write new record data  to %s: %s\n", kOutputPlugin, systemErrorText());
    }
  }
  if (outputDecision.writeModified == kYes &&
      (!runOptions.copiesOnly || isType(record, "CELL") || isType(record, "LAND"))) {
    if (runOptions.verbose) {
      appendRunLog(formatMessage("\t[Saving New (modified) Record: %d bytes]\n",
                                 static_cast<int>(record.modifiedSize)));
    }
    if (std::fwrite(record.modified.data(), 1, record.modifiedSize, output) !=
        record.modifiedSize) {
      failRun("Unable to write new record data  (%d bytes) to %s: %s\n",
              static_cast<int>(record.modifiedSize), kOutputPlugin, systemErrorText());
    }
  }
}

// The new plugin as the write pass writes it: a temporary file, created
// anew, which becomes QNOUT.ESP only once it is whole and on the disk. Until
// then an old QNOUT.ESP is untouched; a run that fails removes it.
class TemporaryOutput {
 public:
  TemporaryOutput() : buffer_(kStreamBufferSize) {
    // Noted first: an interruption removes the file from the moment it may exist.
    noteTemporaryOutput(true);
    file_ = createFileStream(kTemporaryOutput);
    if (file_ == nullptr) {
      failRun("Unable to open %s for writing: %s\n", kTemporaryOutput, systemErrorText());
    }
    // Written in a few big pieces rather than in pieces of a disk block.
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;
  ~TemporaryOutput() {
    if (file_ != nullptr) std::fclose(file_);
    if (!replaced_) {
      std::remove(kTemporaryOutput);
      noteTemporaryOutput(false);
    }
  }
  std::FILE* get() const { return file_; }

  // Puts the whole file on the disk and renames it to QNOUT.ESP.
  void replaceOutput() {
    const bool synced = syncFileStream(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!synced || !closed) {
      failRun("Unable to write new record data  to %s: %s\n", kOutputPlugin, systemErrorText());
    }
    if (!replaceFile(kTemporaryOutput, kOutputPlugin)) {
      failRun("Unable to replace %s with the new plugin %s: %s\n", kOutputPlugin,
              kTemporaryOutput, systemErrorText());
    }
    replaced_ = true;
    noteTemporaryOutput(false);
    noteOutputReplaced();
  }

 private:
  std::vector<char> buffer_;  // outlives the stream, which is closed first
  std::FILE* file_ = nullptr;
  bool replaced_ = false;
};

void runOnePass(RecordReader& plugin, const char* path, const RuleTable& rules,
                RecordBuffers& record) {
  plugin.rewind();
  std::optional<TemporaryOutput> output;
  if (runOptions.pass == 2) output.emplace();
  if (runOptions.pass == 1) {
    std::printf("Step 1/2: Generating a list of cells that should be modifed from %s ...\n", path);
  } else {
    std::printf("\n\nStep 2/2: Processing data from \"%s\" and creating \"%s\":\n", path,
                kOutputPlugin);
  }
  while (readRecord(plugin, record)) {
    if (runOptions.verbose && runOptions.pass == 2) {
      const uint8_t* type = record.original.data();
      appendRunLog(formatMessage("New Record: %c%c%c%c: (%d bytes)", type[0], type[1], type[2],
                                 type[3], static_cast<int>(cellState.recordSize)));
    }
    dispatchRecord(record, rules);
    if (output) writeRecord(output->get(), record);
    flushRunLog();
  }
  std::fflush(stdout);
  if (output) output->replaceOutput();
}

// Nothing is added to the change list or the interior cell lists once the
// scan pass is over, so the write pass looks them up in memory. They are
// dropped however the run ends, so that no later run in the same process
// answers from them.
struct WritePassListsHeld {
  WritePassListsHeld() {
    holdChangeListInMemory();
    holdInteriorListsInMemory();
  }
  ~WritePassListsHeld() {
    dropChangeListFromMemory();
    dropInteriorListsFromMemory();
  }
};

// The work files the scan pass writes are created anew for the run and held
// until the pass ends, however it ends.
struct ScanPassFilesHeld {
  ScanPassFilesHeld() {
    holdRunFile(changeListFile);
    holdRunFile(interiorListFile);
    holdRunFile(cellListFile);
  }
  ~ScanPassFilesHeld() {
    releaseRunFile(changeListFile);
    releaseRunFile(interiorListFile);
    releaseRunFile(cellListFile);
  }
};

// What the scan pass remembers of the plugin's cells serves this run only.
struct PluginCellsRemembered {
  ~PluginCellsRemembered() { forgetPluginCells(); }
};

// The scan pass and the write pass (one pass under -l). Everything held for
// the passes is let go when they end, however they end.
void runBothPasses(const char* pluginPath, const RuleTable& rules) {
  PluginCellsRemembered cellsRemembered;
  RecordBuffers record;
  // The plugin is opened once and read in a few big pieces.
  EndRunOnDamage endRunOnDamage(pluginPath);
  RecordReader plugin(endRunOnDamage);
  if (!plugin.open(pluginPath)) {
    failRun("Unable to open %s for reading: %s\n", pluginPath, systemErrorText());
  }
  runOptions.pass = 1;
  {
    ScanPassFilesHeld filesHeld;
    runOnePass(plugin, pluginPath, rules, record);
  }
  if (runOptions.listCells) return;
  runOptions.pass = 2;
  WritePassListsHeld listsHeld;
  runOnePass(plugin, pluginPath, rules, record);
}

}  // namespace

int runPasses(const char* pluginPath, const RuleTable& rules) {
  runBothPasses(pluginPath, rules);
  writeClosingReports();
  return 0;
}
