// The two script work files, "qnscpt0.txt" (a record's text as found) and
// "qnscpt1.txt" (the text as rewritten), which every script and dialogue
// text passes through.
#pragma once

#include <cstdio>

// The work files that carry one record's text out of the record and back, in
// the current directory; the closing of the run deletes them.
extern const char* const kScriptTextFile;     // "qnscpt0.txt": the text as found
extern const char* const kRewrittenTextFile;  // "qnscpt1.txt": the text as rewritten

enum class WorkFile { kScriptText, kRewrittenText };

// A stream on one work file: emptied for writing, or at its start for
// reading. Closed when it goes out of scope unless the files are held open.
class WorkStream {
 public:
  static WorkStream forWriting(WorkFile which);
  static WorkStream forReading(WorkFile which);
  WorkStream(WorkStream&& other) noexcept : file_(other.file_), held_(other.held_) {
    other.file_ = nullptr;
  }
  WorkStream(const WorkStream&) = delete;
  WorkStream& operator=(const WorkStream&) = delete;
  ~WorkStream();

  std::FILE* get() const { return file_; }
  explicit operator bool() const { return file_ != nullptr; }
  // Ends the writing; false when what was written did not all reach the file.
  bool finish();

 private:
  WorkStream(std::FILE* file, bool held) : file_(file), held_(held) {}
  std::FILE* file_;
  bool held_;
};

// While the write pass runs, each work file is opened once and emptied for
// every record instead of being created anew: on some file systems creating
// an emptied file costs as much as a disk flush. Each file holds exactly what
// it would otherwise hold after every record.
void holdScriptWorkFilesOpen();
void releaseScriptWorkFiles();
