// The script work files, opened per record or held open for the write pass.
#include "workfiles/script_work_files.h"

#include <unistd.h>

const char* const kScriptTextFile = "qnscpt0.txt";
const char* const kRewrittenTextFile = "qnscpt1.txt";

namespace {

bool holding = false;
std::FILE* heldFiles[2] = {nullptr, nullptr};

const char* nameOf(WorkFile which) {
  return which == WorkFile::kScriptText ? kScriptTextFile : kRewrittenTextFile;
}

std::FILE*& heldFile(WorkFile which) { return heldFiles[which == WorkFile::kScriptText ? 0 : 1]; }

}  // namespace

WorkStream WorkStream::forWriting(WorkFile which) {
  if (!holding) return WorkStream(std::fopen(nameOf(which), "wb"), false);
  std::FILE*& file = heldFile(which);
  if (file == nullptr) {
    file = std::fopen(nameOf(which), "w+b");
  } else {
    std::rewind(file);
    if (ftruncate(fileno(file), 0) != 0) return WorkStream(nullptr, true);
  }
  return WorkStream(file, true);
}

WorkStream WorkStream::forReading(WorkFile which) {
  if (!holding || heldFile(which) == nullptr) {
    return WorkStream(std::fopen(nameOf(which), "rb"), false);
  }
  std::FILE* file = heldFile(which);
  std::rewind(file);  // also ends the writing: what was written is read back
  return WorkStream(file, true);
}

WorkStream::~WorkStream() {
  if (file_ != nullptr && !held_) std::fclose(file_);
}

bool WorkStream::finish() {
  if (file_ == nullptr) return false;
  if (held_) return std::fflush(file_) == 0 && !std::ferror(file_);
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return closed;
}

void holdScriptWorkFilesOpen() { holding = true; }

void releaseScriptWorkFiles() {
  holding = false;
  for (std::FILE*& file : heldFiles) {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
  }
}
