// Reading a plugin record by record through one buffer of our own, so that
// stepping over a record inside the buffer costs nothing and one outside it
// costs one seek.
#include "records/record_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/platform/platform.h"

namespace {

constexpr const char* kEndsInside = "the file ends inside this record";

}  // namespace

RecordReader::RecordReader(DamageReporter& reporter, std::size_t bufferSize)
    : reporter_(reporter), buffer_(std::max<std::size_t>(bufferSize, kRecordHeaderSize)) {}

RecordReader::~RecordReader() = default;

bool RecordReader::open(const char* path) {
  file_.reset(std::fopen(path, "rb"));
  if (!file_) return false;
  // Every read goes to the system in the size asked for: the buffer is ours.
  std::setvbuf(file_.get(), nullptr, _IONBF, 0);
  fileSize_ = sizeOfOpenFile(file_.get()).value_or(UINT64_MAX);
  begin_ = end_ = 0;
  position_ = 0;
  stopped_ = false;
  return true;
}

void RecordReader::rewind(std::size_t bufferSize) {
  std::rewind(file_.get());
  buffer_.resize(std::max<std::size_t>(bufferSize, kRecordHeaderSize));
  begin_ = end_ = 0;
  position_ = 0;
  stopped_ = false;
}

// Reads until `wanted` bytes are in the buffer, or the file ends or fails.
bool RecordReader::fill(std::size_t wanted) {
  if (end_ - begin_ >= wanted) return true;
  std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  while (end_ < wanted) {
    errno = 0;
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_.get());
    if (got == 0) return false;
    end_ += got;
  }
  return true;
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
    errno = 0;
    const std::size_t got = std::fread(into, 1, count, file_.get());
    position_ += got;
    return got == count;
  }
  const bool filled = fill(count);
  const std::size_t got = std::min(count, end_ - begin_);
  std::memcpy(into, buffer_.data() + begin_, got);
  begin_ += got;
  position_ += got;
  return filled;
}

// Moves on by `count` bytes, in seeks a long can hold on every system.
bool RecordReader::stepOver(uint64_t count) {
  const std::size_t buffered = static_cast<std::size_t>(std::min<uint64_t>(count, end_ - begin_));
  begin_ += buffered;
  position_ += buffered;
  count -= buffered;
  constexpr uint64_t kLargestStep = uint64_t{1} << 30;
  while (count > 0) {
    const uint64_t step = std::min(count, kLargestStep);
    errno = 0;
    if (std::fseek(file_.get(), static_cast<long>(step), SEEK_CUR) != 0) return false;
    position_ += step;
    count -= step;
  }
  return true;
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
  const bool readFailed = std::ferror(file_.get()) != 0;
  const std::size_t got = std::min(end_ - begin_, kRecordHeaderSize);
  if (got == 0 && !readFailed) return false;
  std::memcpy(header.bytes, buffer_.data() + begin_, got);
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
  if (!take(into + kRecordHeaderSize, header.dataSize)) {
    return fail(header, std::ferror(file_.get()) != 0);
  }
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
  if (!take(data.data(), wanted) || !stepOver(header.dataSize - wanted)) {
    return fail(header, std::ferror(file_.get()) != 0 || errno != 0);
  }
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
  if (!stepOver(header.dataSize)) return fail(header, true);
  return true;
}
