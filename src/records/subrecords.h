// Walking the subrecords of a record's data: name[4], size (u32), then size
// bytes of data, one after another. Every handler and the record check walk
// with this one range, so that each has the same idea of where the data
// ends:
//
//   SubrecordWalk walk(data, dataSize);
//   for (const WalkedSubrecord& s : walk) {
//     if (s.is("NAME")) ...                    // s.offset, s.size, s.dataOffset()
//   }
//   if (walk.overran()) ...                    // a subrecord ran past the end
//
// The walk stops at the end of the data, and before a subrecord whose header
// or data would reach past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "records/record_layout.h"

struct WalkedSubrecord : Subrecord {
  const uint8_t* name = nullptr;  // its four name bytes
  bool is(const char* tag) const { return hasTag(name, tag); }
  std::size_t dataOffset() const { return offset + kSubrecordHeaderSize; }
};

class SubrecordWalk {
 public:
  SubrecordWalk(const uint8_t* data, std::size_t dataSize, std::size_t start = 0)
      : data_(data), dataSize_(dataSize), at_(start) {
    load();
  }

  class iterator {
   public:
    explicit iterator(SubrecordWalk* walk) : walk_(walk) {}
    const WalkedSubrecord& operator*() const { return walk_->current_; }
    const WalkedSubrecord* operator->() const { return &walk_->current_; }
    iterator& operator++() {
      walk_->advance();
      return *this;
    }
    // Only the end is compared with.
    bool operator!=(const iterator&) const { return walk_->loaded_; }

   private:
    SubrecordWalk* walk_;
  };
  iterator begin() { return iterator(this); }
  iterator end() { return iterator(this); }

  // Goes on at `offset` rather than behind the current subrecord: for a
  // walker that has stepped over several subrecords itself.
  void continueAt(std::size_t offset) { resume_ = offset; }
  // Where the walk stands: behind the last subrecord, or at the one that
  // did not fit.
  std::size_t offset() const { return at_; }
  // The walk stopped before the end of the data: what is left is not a
  // whole subrecord.
  bool overran() const { return !loaded_ && at_ < dataSize_; }

 private:
  void load() {
    loaded_ = false;
    if (at_ >= dataSize_) return;
    if (std::optional<Subrecord> s = subrecordAt(data_, dataSize_, at_)) {
      current_ = WalkedSubrecord{*s, data_ + at_};
      loaded_ = true;
    }
  }
  void advance() {
    at_ = resume_ != kNoResume ? resume_ : subrecordEnd(current_);
    resume_ = kNoResume;
    load();
  }

  const uint8_t* data_;
  std::size_t dataSize_;
  std::size_t at_;
  // Where continueAt asked the walk to go on; kNoResume: behind the current
  // subrecord. (A plain number: an optional here trips g++'s maybe-uninitialized
  // warning once the walk is inlined.)
  static constexpr std::size_t kNoResume = SIZE_MAX;
  std::size_t resume_ = kNoResume;
  WalkedSubrecord current_{{0, 0}, nullptr};
  bool loaded_ = false;
};
