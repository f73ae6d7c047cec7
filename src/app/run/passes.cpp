// The scan pass and the write pass: each reads the plugin record by record,
// hands every record to the handler of its kind, and in the write pass puts
// the original, the modified copy, both or neither into QNOUT.ESP.
#include "app/run/passes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

#include "app/run/closing.h"
#include "app/run/damage_ends_run.h"
#include "app/file_names.h"
#include "app/run/header_sync.h"
#include "app/run/record_kinds.h"
#include "app/run/rule_check.h"
#include "app/safety.h"
#include "base/numbers.h"
#include "base/platform/platform.h"
#include "base/report.h"
#include "base/text_format.h"
#include "plugin/cell_handler.h"
#include "records/cell_header.h"
#include "records/record_check.h"
#include "records/record_layout.h"
#include "records/record_reader.h"

namespace {

// One record at a time: the bytes as read, and the copy the handlers change,
// which has room behind the record for script text to grow into.
struct RecordBuffers {
  std::vector<uint8_t> storage;  // for a record the reader cannot hand over in place
  uint8_t* original = nullptr;   // the record as read: in the reader's buffer, or in storage
  uint32_t wholeSize = 0;
  std::vector<uint8_t> modified;
  uint32_t modifiedSize = 0;
  // The first bytes of the modified copy that were copied: all of them, or
  // as far as the handler reaches; the rest is the original's.
  uint32_t modifiedCopied = 0;
  uint64_t fileOffset = 0;  // of the record's first byte in the plugin
  uint32_t size() const { return wholeSize; }
  bool isType(const char* type) const { return hasTag(original, type); }
};

// The write pass reads and writes every byte, in big pieces. The scan pass
// reads the cells and steps over the rest (most of a master is land) in
// pieces as big: the reader starts small again behind every long step, so
// that the land stays in the file, and grows its reads through a run of
// small records (a master's dialogue: 1,400 reads rather than 2,500).
constexpr std::size_t kStreamBufferSize = 1 << 20;

// Progress characters are shown in order, but written to the console at
// most every 50 ms rather than one flushed write per record: a master holds
// some 50,000 records. The clock is read every 32nd character only (a read
// of it costs about what a small record's handling does); the passes flush
// the rest at the end of each pass.
constexpr unsigned kLookEvery = 32;

class Progress {
 public:
  void show(char c) {
    std::fputc(c, stdout);
    if (++sinceLook_ < kLookEvery) return;
    sinceLook_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown_ >= std::chrono::milliseconds(50)) {
      std::fflush(stdout);
      lastShown_ = now;
    }
  }

 private:
  unsigned sinceLook_ = kLookEvery - 1;  // the first character looks
  std::chrono::steady_clock::time_point lastShown_;
};

// Reads the next record, and makes the modified copy the handlers change.
// The scan pass writes nothing and hands only the kinds with a scan handler
// (cells) to their handlers: of every other record it reads the
// header alone and steps over the data, as most of a master's bytes are
// land. Returns false at the end of the file.
bool readRecord(RecordReader& reader, RecordBuffers& record, bool writePass) {
  RecordHeader header;
  if (!reader.next(header)) return false;
  const uint32_t recordSize = static_cast<uint32_t>(header.wholeSize());
  const RecordKind* kind = recordKindOf(header.bytes);
  const bool handled = writePass || (kind != nullptr && kind->scan != nullptr);
  record.fileOffset = header.offset;
  record.wholeSize = recordSize;
  record.modifiedCopied = recordSize;
  if (writePass && kind != nullptr && kind->reach != 0 && kind->reach < recordSize) {
    record.modifiedCopied = static_cast<uint32_t>(kind->reach);
  }
  if (!handled) {
    record.storage.assign(header.bytes, header.bytes + kRecordHeaderSize);
    record.original = record.storage.data();
    record.wholeSize = kRecordHeaderSize;
    reader.skip(header);
    return true;
  }
  try {
    // The copy's buffer only grows: shrunk for a small record and grown
    // again for the next land, it would be cleared anew each time.
    const std::size_t room = std::size_t{record.modifiedCopied} + kRecordGrowthRoom;
    if (record.modified.size() < room) record.modified.resize(room);
    record.original = reader.readRecordInPlace(header, record.storage);
    if (record.original == nullptr) return false;  // damage, which the reporter ended the run for
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    failRun("Unable to allocate %lld bytes of memory to store TES file record: %s\n",
            static_cast<long long>(uint64_t{recordSize} * 2), systemErrorText());
  }
  std::memcpy(record.modified.data(), record.original, record.modifiedCopied);
  record.modifiedSize = recordSize;
  return true;
}

// The handlers trust that a record's subrecords fit inside it; one that does
// not is passed on unchanged, with one warning in the run log.
bool recordIsSound(RunLog& log, const RecordBuffers& record, const RecordNeeds& needs, bool warn) {
  std::optional<std::string> damage =
      describeRecordDamage(record.original, record.size(), needs);
  if (!damage) return true;
  if (warn) {
    log.append(formatted(
        "WARNING: %.4s record at byte %llu of the plugin is damaged (%s) - left unchanged.\n",
        reinterpret_cast<const char*>(record.original),
        static_cast<unsigned long long>(record.fileOffset), damage->c_str()));
  }
  return false;
}

// What a run holds from its start to its closing: what the handlers read,
// what the scan pass learns for the write pass, and what the closing reports.
struct Run {
  const RunOptions& options;
  const RuleTable& rules;
  RunLog& log;
  ScanFiles& files;
  ScanFacts facts;
  // For the write pass: the user's list of interior cell names.
  KnownInteriors knownInteriors;
  RunCounters counters;
  ScriptLists scripts;
  PlacesSeen seen;  // for the check of the rules file after the write pass
};

// One pass over the plugin: the scan pass (`write` empty) or the write pass.
struct Pass {
  Run& run;
  std::optional<ScanState> scan;
  std::optional<WriteState> write;
  bool writePass() const { return write.has_value(); }
};

// Shows the record's progress, counts it, and hands it to its handler;
// returns what the write pass writes for it.
OutputDecision dispatchRecord(Pass& pass, Progress& progress, RecordBuffers& record) {
  const bool writePass = pass.writePass();
  Run& run = pass.run;
  const RunOptions& options = run.options;
  const RecordKind* kind = recordKindOf(record.original);
  if (kind == nullptr) {
    progress.show(writePass ? '.' : '-');
    if (writePass && options.verbose) {
      run.log.append(" - ignoring record (not " + handledTypesText() + ")\n");
    }
    return OutputDecision{};
  }
  progress.show(kind->progress);
  if (kind->found != nullptr && writePass != kind->has(kCountedInScan)) {
    ++(run.counters.*kind->found);
  }
  OutputDecision decision;
  const bool handled = writePass || kind->scan != nullptr;
  if (handled) {
    if (kind->has(kStartsCell)) {
      (writePass ? pass.write->lastCellName : pass.scan->lastCellName).clear();
    }
    if (kind->has(kScriptText) && !options.modifyScripts) {
      if (options.verbose) run.log.append("\n");
    } else if (recordIsSound(run.log, record, *kind->needs, writePass || options.listCells)) {
      RecordInHand inHand{record.original, record.size(), record.fileOffset,
                          record.modified, record.modifiedSize};
      if (writePass) {
        const WriteInputs in{options, run.rules, run.facts, run.knownInteriors};
        decision = kind->write(in, *pass.write, inHand);
      } else {
        kind->scan(ScanInputs{options, run.rules}, *pass.scan, inHand);
      }
    }
    if (writePass && kind->has(kLineEndAfter) && options.verbose) run.log.append("\n");
  }
  if (writePass && kind->has(kShownTwice)) std::fputc(kind->progress, stdout);
  return decision;
}

// The exterior cells the output holds, by grid, in the order their grids
// first appear in it: a grid with more than one is a grid two cells share in
// the game, which no editor shows and which is always a mistake of the rules.
class CellsWritten {
 public:
  void note(const uint8_t* record, std::size_t size) {
    if (!hasTag(record, "CELL")) return;
    const std::optional<CellHeader> cell =
        readCellHeader(record + kRecordHeaderSize, size - kRecordHeaderSize);
    if (!cell || cell->interior) return;
    if (++count_[cell->grid] == 1) order_.push_back(cell->grid);
  }
  // "Warning: N cells stand on grid (X, Y) in QNOUT.ESP", for each such grid,
  // on standard error and in the run log.
  void warn(RunLog& log, const std::string& output) const {
    for (const GridCell grid : order_) {
      const int count = count_.at(grid);
      if (count < 2) continue;
      const std::string line = formatted("Warning: %d cells stand on grid (%d, %d) in %s\n",
                                         count, grid.x, grid.y, output.c_str());
      std::fflush(stdout);
      std::fwrite(line.data(), 1, line.size(), stderr);
      log.append(line);
    }
  }

 private:
  std::unordered_map<GridCell, int, GridCellHash> count_;
  std::vector<GridCell> order_;
};

// The new plugin goes to the disk in steps while the write pass runs, so
// that the sync before it takes the output's place has only the last step
// left to wait for: on a master, some 60 MB, that wait was most of what the
// run spent beyond reading and writing the bytes.
constexpr uint64_t kWriteBackStep = 4 << 20;

// What the write pass writes to the output, and what it learns on the way.
struct OutputWriter {
  std::FILE* file;
  bool toDisk;  // a file that is synced at the end, not a device or a pipe
  CellsWritten cells;
  std::optional<HeaderSync> header;  // under --sync-header
  uint64_t size = 0;                 // bytes written so far
  uint64_t sentToDisk = 0;           // bytes whose write-back has been started

  // Writes one record; false when it cannot be written whole.
  bool write(const uint8_t* bytes, std::size_t count) { return write(bytes, count, nullptr, 0); }
  // Writes one record in two parts, its first bytes and the rest (of a
  // modified copy made only as far as its handler reaches: never a cell).
  bool write(const uint8_t* head, std::size_t headCount, const uint8_t* tail,
             std::size_t tailCount) {
    if (std::fwrite(head, 1, headCount, file) != headCount) return false;
    if (tailCount > 0 && std::fwrite(tail, 1, tailCount, file) != tailCount) return false;
    if (tailCount == 0) cells.note(head, headCount);
    if (header && size > 0) header->written(1);
    const std::size_t count = headCount + tailCount;
    size += count;
    if (toDisk && size - sentToDisk >= kWriteBackStep) {
      if (std::fflush(file) != 0) return false;
      startWritingToDisk(file, sentToDisk, size - sentToDisk);
      sentToDisk = size;
    }
    return true;
  }
};

void writeRecord(Run& run, OutputWriter& output, RecordBuffers& record,
                 const OutputDecision& decision) {
  const RunOptions& options = run.options;
  if (decision.writeOriginal && (!options.copiesOnly || record.isType("TES3"))) {
    // Under -n the header's file-type word says "plugin": the output holds
    // only the copies and is never a master.
    if (options.copiesOnly && record.size() > kFileTypeByteOffset) {
      record.original[kFileTypeByteOffset] = 0;
    }
    if (output.header && record.isType("TES3")) {
      output.header->prepareHeader(record.original, record.size(), output.size,
                                   run.log);
    }
    if (options.verbose) {
      ShortText<64> line;
      line << "\t[Saving Original Record: " << decimalText(static_cast<int>(record.size())).text
           << " bytes]\n";
      run.log.append(line.view());
    }
    if (!output.write(record.original, record.size())) {
      failRun("Unable to write new record data  to %s: %s\n", options.outputPath.c_str(),
              systemErrorText());
    }
  }
  if (decision.writeModified &&
      (!options.copiesOnly || record.isType("CELL") || record.isType("LAND"))) {
    if (options.verbose) {
      ShortText<64> line;
      line << "\t[Saving New (modified) Record: "
           << decimalText(static_cast<int>(record.modifiedSize)).text << " bytes]\n";
      run.log.append(line.view());
    }
    // A copy made only as far as the handler reaches (land, whose size stays)
    // is the record as read behind that.
    const bool partial = record.modifiedCopied < record.wholeSize &&
                         record.modifiedSize == record.wholeSize;
    const std::size_t head = partial ? record.modifiedCopied : record.modifiedSize;
    if (!output.write(record.modified.data(), head, record.original + head,
                      record.modifiedSize - head)) {
      failRun("Unable to write new record data  (%d bytes) to %s: %s\n",
              static_cast<int>(record.modifiedSize), options.outputPath.c_str(),
              systemErrorText());
    }
  }
}

// The new plugin as the write pass writes it: a temporary file beside the
// output, created anew, which becomes the output only once it is whole and
// on the disk, with the plugin's modification time. Until then an earlier
// output is untouched; a run that fails removes the temporary file. A
// device or a pipe under the output's name (/dev/null, a FIFO) is written
// into as it is, never replaced.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const RunOptions& options)
      : output_(options.outputPath), temporary_(options.temporaryOutput()),
        direct_(outputPlaceOf(output_.c_str()).way == OutputWay::kWriteInto),
        buffer_(kStreamBufferSize) {
    if (direct_) {
      file_ = openStreamInto(output_.c_str());
      if (file_ == nullptr) {
        failRun("Unable to open %s for writing: %s\n", output_.c_str(), systemErrorText());
      }
    } else {
      // Noted first: an interruption removes the file from the moment it may exist.
      noteTemporaryOutput(true);
      file_ = createFileStream(temporary_.c_str());
      if (file_ == nullptr) {
        failRun("Unable to open %s for writing: %s\n", temporary_.c_str(), systemErrorText());
      }
    }
    // Written in a few big pieces rather than in pieces of a disk block.
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;
  ~TemporaryOutput() {
    if (file_ != nullptr) std::fclose(file_);
    if (!replaced_ && !direct_) {
      std::remove(temporary_.c_str());
      noteTemporaryOutput(false);
    }
  }
  std::FILE* get() const { return file_; }
  // Whether the output is a file put on the disk before it takes its place.
  bool replaces() const { return !direct_; }

  // Puts the whole file on the disk, gives it the plugin's modification time
  // (so that it takes the plugin's place in a load order kept by date) and
  // renames it to the output; a device or pipe is only given the rest.
  void replaceOutput(const char* pluginPath) {
    const bool synced = direct_ ? std::fflush(file_) == 0 : syncFileStream(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!synced || !closed) {
      failRun("Unable to write new record data  to %s: %s\n", output_.c_str(), systemErrorText());
    }
    if (direct_) {
      replaced_ = true;
      return;
    }
    if (!copyModificationTime(pluginPath, temporary_.c_str())) {
      failRun("Unable to give %s the modification time of %s: %s\n", temporary_.c_str(),
              pluginPath, systemErrorText());
    }
    if (!replaceFile(temporary_.c_str(), output_.c_str())) {
      failRun("Unable to replace %s with the new plugin %s: %s\n", output_.c_str(),
              temporary_.c_str(), systemErrorText());
    }
    replaced_ = true;
    noteTemporaryOutput(false);
    noteOutputReplaced();
  }

 private:
  std::string output_;
  std::string temporary_;
  bool direct_;               // written into, not replaced
  std::vector<char> buffer_;  // outlives the stream, which is closed first
  std::FILE* file_ = nullptr;
  bool replaced_ = false;
};

void runOnePass(Pass& pass, RecordReader& plugin, const char* path, RecordBuffers& record) {
  Run& run = pass.run;
  const bool writePass = pass.writePass();
  plugin.rewind(kStreamBufferSize);
  std::optional<TemporaryOutput> output;
  if (writePass) output.emplace(run.options);
  if (!writePass) {
    std::printf("Step 1/2: Generating a list of cells that should be modifed from %s ...\n", path);
  } else {
    std::printf("\n\nStep 2/2: Processing data from \"%s\" and creating \"%s\":\n", path,
                run.options.outputPath.c_str());
  }
  Progress progress;
  std::optional<OutputWriter> writer;
  if (output) {
    writer.emplace(OutputWriter{output->get(), output->replaces(), {}, {}});
    if (run.options.syncHeader) writer->header.emplace(run.options, path);
  }
  uint64_t records = 0;
  while (readRecord(plugin, record, writePass)) {
    if (run.options.verbose && writePass) {
      // The four type bytes as they are, a zero byte too (as "%c" writes it).
      ShortText<64> line;
      line << "New Record: " << std::string_view(reinterpret_cast<const char*>(record.original), 4)
           << ": (" << decimalText(static_cast<int>(record.size())).text << " bytes)";
      run.log.append(line.view());
    }
    const OutputDecision decision = dispatchRecord(pass, progress, record);
    if (writer) writeRecord(run, *writer, record, decision);
    // The log's clock is looked at every 32nd record, as the console's is.
    if (++records % kLookEvery == 0) run.log.flushIfDue();
  }
  std::fflush(stdout);
  if (output) {
    if (writer->header && !writer->header->finish(output->get())) {
      failRun("Unable to write new record data  to %s: %s\n", run.options.outputPath.c_str(),
              systemErrorText());
    }
    output->replaceOutput(path);
    writer->cells.warn(run.log, run.options.outputPath);
  }
}

// What the plugin takes of the mod it follows before its own cells: the
// mod's moves, which its pointers follow wherever the plugin has no cell,
// and the mod's interior cells, which a command naming one leaves alone.
void learnFollowedMod(const FollowedMod& mod, ScanFiles& files, ScanFacts& facts, RunLog& log) {
  for (const GridFate& fate : mod.fates) {
    if (fate.fate != CellFate::kMoved) continue;
    noteMove(files.changeList, facts.moves,
             CellMove{fate.grid, GridCell{fate.to.x - fate.grid.x, fate.to.y - fate.grid.y}});
  }
  for (const std::string& name : mod.interiors) {
    noteInteriorName(files.interiorList, facts.interiors, log, name);
  }
}

}  // namespace

int runPasses(const char* pluginPath, const RunOptions& options, const RuleTable& rules,
              const std::string& rulesText, RunLog& log, TextEditor& editor,
              const FollowedMod* followed) {
  ScanFiles files{RunFile(kChangeListFile), RunFile(kInteriorListFile), RunFile(kCellListFile)};
  Run run{options, rules, log, files, {}, {}, {}, {}, {}};
  RecordBuffers record;
  if (!options.listCells) {
    // A folder or the like under the output's name is refused before any pass.
    if (const OutputPlace place = outputPlaceOf(options.outputPath.c_str());
        place.way == OutputWay::kRefuse) {
      failRun("Unable to open %s for writing: %s\n", options.outputPath.c_str(), place.refusal);
    }
  }
  // The plugin is opened once and read in a few big pieces.
  EndRunOnDamage endRunOnDamage(pluginPath);
  RecordReader plugin(endRunOnDamage, kStreamBufferSize);
  if (!plugin.open(pluginPath)) {
    failRun("Unable to open %s for reading: %s\n", pluginPath, systemErrorText());
  }
  Pass scan{run, ScanState{run.facts, files, log, run.seen, {}}, std::nullopt};
  {
    // The work files the scan pass writes are created anew for the run and
    // held until the pass ends, however it ends.
    RunFileHeld changeList(files.changeList);
    RunFileHeld interiorList(files.interiorList);
    RunFileHeld cellList(files.cellList);
    if (followed) learnFollowedMod(*followed, files, run.facts, log);
    runOnePass(scan, plugin, pluginPath, record);
  }
  if (!options.listCells) {
    run.knownInteriors = readKnownInteriors();
    Pass write{run, std::nullopt,
               WriteState{log, run.counters, run.scripts, run.seen, scan.scan->lastCellName}};
    runOnePass(write, plugin, pluginPath, record);
    if (!followed) warnAboutRules(options, rules, run.seen, rulesText, pluginPath);
  }
  writeClosingReports(options, run.counters, run.scripts, log, editor, followed);
  return 0;
}
