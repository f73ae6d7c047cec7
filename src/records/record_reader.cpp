// Reading a plugin record by record through one buffer of our own, filled
// by reads at the reader's own place in the file: stepping over a record
// inside the buffer costs nothing, and one beyond it costs no call of the
// system either, as the next read starts behind it.
#include "records/record_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/platform/platform.h"

namespace {

constexpr const char* kEndsInside = "the file ends inside this record";

// The first read, and the first after a long step: a record's header and
// the first bytes of its data, all that a step over a large record (land,
// 30 KB in a master) is followed by.
constexpr std::size_t kSmallestRead = 4 * 1024;
// A step over more bytes than this costs more to read than one call of the
// system more (a read copies some 10 KB a microsecond, and a call costs a few
// microseconds): reads start small again behind it. Shorter steps (the rest
// of a cell whose first bytes were read) are read through.
constexpr uint64_t kLongStep = 16 * 1024;
// The first read at a record's known place: a land record as the game's
// editor writes it (some 30 KB; most records read this way are land) in one.
constexpr std::size_t kRecordAtRead = 32 * 1024;

}  // namespace

RecordReader::RecordReader(DamageReporter& reporter, std::size_t bufferSize)
    : reporter_(reporter), buffer_(std::max<std::size_t>(bufferSize, kRecordHeaderSize)) {}

RecordReader::~RecordReader() = default;

bool RecordReader::open(const char* path) {
  file_.reset(std::fopen(path, "rb"));
  if (!file_) return false;
  fileSize_ = sizeOfOpenFile(file_.get()).value_or(UINT64_MAX);
  rewind(buffer_.size());
  return true;
}

void RecordReader::rewind(std::size_t bufferSize) {
  buffer_.resize(std::max<std::size_t>(bufferSize, kRecordHeaderSize));
  begin_ = end_ = 0;
  position_ = next_ = 0;
  readSize_ = kSmallestRead;
  readFailed_ = false;
  stopped_ = false;
}

// Reads `count` bytes from `offset` on; fewer where the file ends or a read
// fails (then noted, with errno set).
std::size_t RecordReader::readAt(uint64_t offset, uint8_t* into, std::size_t count) {
  const std::optional<std::size_t> got = readFileAt(file_.get(), offset, into, count);
  if (!got) {
    readFailed_ = true;
    return 0;
  }
  return *got;
}

// Reads until `wanted` bytes (at most the buffer's size) are in the buffer,
// or the file ends or fails: at least the read size, which doubles with
// every read.
bool RecordReader::fill(std::size_t wanted) {
  if (end_ - begin_ >= wanted) return true;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  const std::size_t count = std::min(buffer_.size(), std::max(wanted, end_ + readSize_)) - end_;
  const std::size_t got = readAt(next_, buffer_.data() + end_, count);
  end_ += got;
  next_ += got;
  readSize_ = std::min(buffer_.size(), readSize_ * 2);
  return end_ >= wanted;
}

// Takes `count` bytes from the file into `into`: first what the buffer
// holds, then a large rest straight from the file, a small one through the
// buffer.
bool RecordReader::take(uint8_t* into, std::size_t count) {
  if (count == 0) return true;  // `into` may be no buffer at all then
  const std::size_t buffered = std::min(count, end_ - begin_);
  std::memcpy(into, buffer_.data() + begin_, buffered);
  begin_ += buffered;
  position_ += buffered;
  into += buffered;
  count -= buffered;
  if (count == 0) return true;
  if (count >= buffer_.size()) {
    const std::size_t got = readAt(next_, into, count);  // the buffer is empty
    position_ += got;
    next_ += got;
    return got == count;
  }
  const bool filled = fill(count);
  const std::size_t got = std::min(count, end_ - begin_);
  std::memcpy(into, buffer_.data() + begin_, got);
  begin_ += got;
  position_ += got;
  return filled;
}

// Moves on by `count` bytes: within the buffer, or past it to where the
// next read starts.
void RecordReader::stepOver(uint64_t count) {
  if (count > kLongStep) readSize_ = kSmallestRead;
  const std::size_t buffered = static_cast<std::size_t>(std::min<uint64_t>(count, end_ - begin_));
  begin_ += buffered;
  position_ += buffered;
  count -= buffered;
  if (count == 0) return;
  begin_ = end_ = 0;
  position_ += count;
  next_ = position_;
}

bool RecordReader::fail(const RecordHeader& header, bool readFailed) {
  stopped_ = true;
  const std::string reason = readFailed ? std::strerror(errno) : kEndsInside;
  reporter_.damaged(RecordDamage{header.offset, header.wholeSize(), readFailed, reason});
  return false;
}

bool RecordReader::next(RecordHeader& header) {
  if (stopped_) return false;
  std::memset(header.bytes, 0, sizeof header.bytes);
  header.offset = position_;
  fill(kRecordHeaderSize);
  const bool readFailed = readFailed_;
  const std::size_t got = std::min(end_ - begin_, kRecordHeaderSize);
  if (got == 0 && !readFailed) return false;
  // A whole header, the usual case, is copied as one fixed-size block.
  if (got == kRecordHeaderSize) {
    std::memcpy(header.bytes, buffer_.data() + begin_, kRecordHeaderSize);
  } else {
    std::memcpy(header.bytes, buffer_.data() + begin_, got);
  }
  header.dataSize = readU32(header.bytes + kRecordSizeOffset);
  const uint64_t left = fileSize_ > header.offset ? fileSize_ - header.offset : 0;
  const uint64_t whole = header.wholeSize();
  if (got < kRecordHeaderSize || whole > UINT32_MAX || whole > left) {
    return fail(header, readFailed);
  }
  begin_ += kRecordHeaderSize;
  position_ += kRecordHeaderSize;
  return true;
}

bool RecordReader::readRecord(const RecordHeader& header, uint8_t* into) {
  std::memcpy(into, header.bytes, kRecordHeaderSize);
  if (!take(into + kRecordHeaderSize, header.dataSize)) return fail(header, readFailed_);
  return true;
}

uint8_t* RecordReader::readRecordInPlace(const RecordHeader& header,
                                        std::vector<uint8_t>& storage) {
  // The header was taken from the buffer just before the data, so the two
  // stand together there when the data does.
  if (begin_ >= kRecordHeaderSize && end_ - begin_ >= header.dataSize) {
    uint8_t* record = buffer_.data() + begin_ - kRecordHeaderSize;
    begin_ += header.dataSize;
    position_ += header.dataSize;
    return record;
  }
  storage.resize(header.wholeSize());
  return readRecord(header, storage.data()) ? storage.data() : nullptr;
}

bool RecordReader::readData(const RecordHeader& header, std::vector<uint8_t>& data,
                            std::size_t limit) {
  const std::size_t wanted = std::min<std::size_t>(header.dataSize, limit);
  data.resize(wanted);
  if (!take(data.data(), wanted)) return fail(header, readFailed_);
  stepOver(header.dataSize - wanted);
  return true;
}

const uint8_t* RecordReader::peekData(const RecordHeader& header, std::size_t count) {
  count = std::min<std::size_t>(count, header.dataSize);
  if (count > buffer_.size() - kRecordHeaderSize) return nullptr;
  // The header stays in front of its data, for readRecordInPlace.
  if (end_ - begin_ < count) {
    begin_ -= kRecordHeaderSize;
    const bool filled = fill(count + kRecordHeaderSize);
    begin_ += kRecordHeaderSize;
    if (!filled) return nullptr;
  }
  return buffer_.data() + begin_;
}

bool RecordReader::skip(const RecordHeader& header) {
  stepOver(header.dataSize);
  return true;
}

uint8_t* RecordReader::readRecordAt(uint64_t offset, RecordHeader& header,
                                   std::vector<uint8_t>& storage) {
  if (offset >= position_ && offset - position_ <= end_ - begin_) {
    // Ahead within the buffer (the record behind the last one read, say).
    begin_ += static_cast<std::size_t>(offset - position_);
  } else {
    begin_ = end_ = 0;
    next_ = offset;
    readSize_ = kRecordAtRead;
  }
  position_ = offset;
  header = RecordHeader{};
  if (!next(header)) {
    // The end of the file where a record was found before: it was cut since.
    if (!stopped_) fail(header, false);
    return nullptr;
  }
  peekData(header, header.dataSize);  // the whole record into the buffer where it fits
  return readRecordInPlace(header, storage);
}
