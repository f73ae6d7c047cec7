// The run log's buffer and file.
#include "base/run_log.h"

#include <algorithm>
#include <cstring>

#include "base/run_files.h"

namespace {

constexpr auto kLongestWait = std::chrono::milliseconds(100);

}  // namespace

RunLog::RunLog(const char* name)
    : name_(name), buffer_(new char[kBufferSize]), lastWrite_(std::chrono::steady_clock::now()) {}

RunLog::~RunLog() {
  flush();
  closeRaw(file_);
}

void RunLog::write() {
  const std::size_t pending = buffered_.load();
  lastWrite_ = std::chrono::steady_clock::now();
  if (pending == 0) return;
  if (name_ == nullptr) {
    buffered_.store(0);
    return;
  }
  if (!file_) {
    file_ = createRawFile(name_);
    if (!file_) {
      reportAppendFailure(name_);
      buffered_.store(0);
      return;
    }
  }
  sizeBeforeWrite_ = size_;
  writing_.store(pending);
  writeRaw(file_, buffer_.get(), pending);
  size_ += pending;
  buffered_.store(0);
  writing_.store(0);
}

void RunLog::append(std::string_view text) {
  const bool convert = kUserTextLineEnd[1] != '\0';
  std::size_t used = buffered_.load();
  // A text counts as appended once it is wholly in the buffer; a text longer
  // than what is left goes in pieces, the buffer written between them.
  auto put = [&](const char* bytes, std::size_t count) {
    while (count > 0) {
      if (used == kBufferSize) {
        buffered_.store(used);
        write();
        used = 0;
      }
      const std::size_t piece = std::min(count, kBufferSize - used);
      std::memcpy(buffer_.get() + used, bytes, piece);
      used += piece;
      bytes += piece;
      count -= piece;
    }
  };
  if (!convert) {
    put(text.data(), text.size());
  } else {
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
      if (text[at] != '\n') continue;
      put(text.data() + from, at - from);
      put(kUserTextLineEnd, std::strlen(kUserTextLineEnd));
      from = at + 1;
    }
    put(text.data() + from, text.size() - from);
  }
  buffered_.store(used);
  // Until the log is open, every text tries to open it (and reports it when
  // it cannot), so the first text goes out at once.
  if (!file_) write();
}

void RunLog::flush() { write(); }

void RunLog::flushIfDue() {
  if (buffered_.load() > 0 && std::chrono::steady_clock::now() - lastWrite_ >= kLongestWait) {
    write();
  }
}

void RunLog::writeAfterInterruption(const char* lastText) {
  if (name_ == nullptr) return;
  if (!file_) file_ = createRawFile(name_);
  if (!file_) return;
  std::size_t from = 0;
  if (const std::size_t inFlight = writing_.load(); inFlight > 0) {
    // The write may have reached the file or not: its size tells.
    const uint64_t size = rawFileSize(file_).value_or(sizeBeforeWrite_);
    const uint64_t arrived = size > sizeBeforeWrite_ ? size - sizeBeforeWrite_ : 0;
    from = arrived < inFlight ? static_cast<std::size_t>(arrived) : inFlight;
  }
  const std::size_t pending = buffered_.load();
  if (pending > from) writeRaw(file_, buffer_.get() + from, pending - from);
  writeRaw(file_, lastText, std::strlen(lastText));
}
