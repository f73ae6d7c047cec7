// Reading a plugin record by record. Both programs read plugins through this
// one reader: quendrel every record whole, twice; quendrel-map only the few
// records it looks at (and only the first bytes of those), stepping over the
// rest. A plugin is a plain sequence of records, each a 16-byte header (type,
// data size, two header words) and its data; the reader yields the headers
// one at a time with their offsets in the file, and hands the data of a
// record to the caller whole, in part, or not at all.
//
// Damage (a record that runs past the end of the file, a data size that no
// record can have, a read that fails) is not the reader's to judge: it tells
// the DamageReporter its caller gave it, once, and yields nothing more. The
// caller decides what damage means: quendrel ends the run, quendrel-map
// leaves the plugin out and goes on with the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "records/record_layout.h"

struct RecordHeader {
  uint8_t bytes[kRecordHeaderSize];  // as read: type, data size, two header words
  uint64_t offset;                   // of the record's first byte in the file
  uint32_t dataSize;
  uint64_t wholeSize() const { return uint64_t{dataSize} + kRecordHeaderSize; }
  bool isType(const char* type) const { return hasTag(bytes, type); }
};

// What is wrong with a plugin, as the reader found it.
struct RecordDamage {
  uint64_t offset;      // of the damaged record's first byte
  uint64_t recordSize;  // the whole size its header gives (16 + data size)
  bool readFailed;      // the system failed a read (errno was set)
  // "the file ends inside this record", or the system's text for the error.
  std::string reason;
};

class DamageReporter {
 public:
  virtual ~DamageReporter() = default;
  // Told once; the reader then yields no further record. May end the run
  // by throwing.
  virtual void damaged(const RecordDamage& damage) = 0;
};

class RecordReader {
 public:
  // `bufferSize`: the most read from the file at a time. Reads start small
  // and double while the records are taken one after another, up to
  // `bufferSize`; a step over more bytes than the last read starts them small
  // again, so that what is stepped over is not read for nothing. quendrel
  // reads everything and takes a large buffer; quendrel-map steps over most
  // of a master's bytes.
  explicit RecordReader(DamageReporter& reporter, std::size_t bufferSize = 1 << 20);
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;
  ~RecordReader();

  // Opens the plugin in byte mode; false, with errno set, when it cannot.
  bool open(const char* path);
  // The size the system gives the open file; the largest number when it
  // cannot tell (the file then ends where reading ends).
  uint64_t fileSize() const { return fileSize_; }
  // Starts again from the first record, reading at most `bufferSize` bytes
  // at a time from then on.
  void rewind(std::size_t bufferSize);

  // The next record's header. False at the end of the file, and when the
  // record is damaged (its header cut short, or a data size that runs past
  // the end of the file or beyond 32 bits with the header): then the
  // reporter has been told.
  bool next(RecordHeader& header);
  // The whole record `next` gave, header included, into `into`, which has
  // room for its wholeSize() bytes. False when the data cannot be read
  // (reported).
  bool readRecord(const RecordHeader& header, uint8_t* into);
  // The whole record `next` gave, header included, where it stands: in the
  // reader's own buffer when it lies there whole (no copy; the bytes stay
  // valid, and may be changed, until the next call of the reader), else read
  // into `storage`. Null when the data cannot be read (reported).
  uint8_t* readRecordInPlace(const RecordHeader& header, std::vector<uint8_t>& storage);
  // The first `limit` bytes of the record's data (all of it when shorter)
  // into `data`; the rest is stepped over. False when they cannot be read
  // (reported).
  bool readData(const RecordHeader& header, std::vector<uint8_t>& data,
                std::size_t limit = SIZE_MAX);
  // The first `count` bytes of the record's data (fewer when the data is
  // shorter), left in place for readRecord, readData or skip to take: to look
  // at a record before deciding to read it. Null when they cannot be read
  // (the call that takes them then reports it).
  const uint8_t* peekData(const RecordHeader& header, std::size_t count);
  // Steps over the record's data. False when that fails (reported).
  bool skip(const RecordHeader& header);
  // The whole record, header included, that begins at `offset` (a place
  // `next` gave in an earlier walk over the file), read straight from there
  // without walking the records before it, and handed over as
  // readRecordInPlace hands it (`header` gets its header); the reader goes
  // on behind it. Null when it cannot be read or runs past the end of the
  // file (reported).
  uint8_t* readRecordAt(uint64_t offset, RecordHeader& header, std::vector<uint8_t>& storage);

 private:
  bool fill(std::size_t wanted);
  std::size_t readAt(uint64_t offset, uint8_t* into, std::size_t count);
  bool take(uint8_t* into, std::size_t count);
  void stepOver(uint64_t count);
  bool fail(const RecordHeader& header, bool readFailed);

  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  DamageReporter& reporter_;
  std::unique_ptr<std::FILE, FileCloser> file_;
  std::vector<uint8_t> buffer_;
  std::size_t begin_ = 0, end_ = 0;  // the bytes of buffer_ not yet taken
  uint64_t position_ = 0;            // in the file, of buffer_[begin_]
  uint64_t next_ = 0;                // in the file, of buffer_[end_]: where reads go on
  uint64_t fileSize_ = UINT64_MAX;
  std::size_t readSize_ = 0;         // of the next read into the buffer
  bool readFailed_ = false;          // the system failed a read (errno set)
  bool stopped_ = false;             // damage was reported
};
