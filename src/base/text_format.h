// printf formatting into a std::string of the size the text needs: no text is
// ever cut or overflows its buffer.
#pragma once

#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>

// Replaces `out` by the formatted text.
void formatInto(std::string& out, const char* format, va_list args);
// Adds the formatted text to the end of `out`.
void appendFormatted(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The formatted text.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A short text put together in place, without a format and without the heap,
// for the lines that come by the hundred thousand (a master's references).
// Pieces past the capacity are cut; callers size it for their longest line.
template <std::size_t kCapacity>
class ShortText {
 public:
  ShortText& operator<<(std::string_view piece) {
    const std::size_t count = piece.size() < kCapacity - size_ ? piece.size() : kCapacity - size_;
    std::memcpy(bytes_ + size_, piece.data(), count);
    size_ += count;
    return *this;
  }
  std::string_view view() const { return {bytes_, size_}; }

 private:
  char bytes_[kCapacity];
  std::size_t size_ = 0;
};
