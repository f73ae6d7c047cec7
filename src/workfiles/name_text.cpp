// Converting and folding names.
#include "workfiles/name_text.h"

#include <cstdint>
#include <optional>

namespace {

void appendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xc0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xe0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3f));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  }
}

// The code point of the well-formed UTF-8 sequence at `at` and its length in
// bytes; nothing when the bytes there are no such sequence.
struct Decoded {
  uint32_t code;
  std::size_t length;
};
std::optional<Decoded> decodeAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[at + i]); };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return Decoded{lead, 1};
  std::size_t length;
  uint32_t code, least;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2, code = lead & 0x1f, least = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3, code = lead & 0x0f, least = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4, code = lead & 0x07, least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xc0) != 0x80) return std::nullopt;
    code = code << 6 | (byte(i) & 0x3f);
  }
  if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return std::nullopt;
  return Decoded{code, length};
}

uint32_t lowerCase(uint32_t code) {
  if (code >= 'A' && code <= 'Z') return code + 0x20;
  if (code >= 0xc0 && code <= 0xde && code != 0xd7) return code + 0x20;  // À..Þ but ×
  switch (code) {
    case 0x160: return 0x161;  // Š
    case 0x152: return 0x153;  // Œ
    case 0x17d: return 0x17e;  // Ž
    case 0x178: return 0xff;   // Ÿ
    default: return code;
  }
}

}  // namespace

std::string utf8FromWindows1252(std::string_view bytes) {
  // 0x80 to 0x9F: the code page's own letters and signs; 0 where it has none.
  static const uint16_t kHigh[32] = {
      0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
      0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    const bool high = byte >= 0x80 && byte < 0xa0;
    appendUtf8(out, high && kHigh[byte - 0x80] != 0 ? kHigh[byte - 0x80] : byte);
  }
  return out;
}

bool isWellFormedUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const std::optional<Decoded> decoded = decodeAt(text, at);
    if (!decoded) return false;
    at += decoded->length;
  }
  return true;
}

std::string foldedName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  for (std::size_t at = 0; at < name.size();) {
    if (const std::optional<Decoded> decoded = decodeAt(name, at)) {
      appendUtf8(folded, lowerCase(decoded->code));
      at += decoded->length;
    } else {
      folded += name[at++];
    }
  }
  return folded;
}

std::string utf8Text(std::string_view text) {
  return isWellFormedUtf8(text) ? std::string(text) : utf8FromWindows1252(text);
}
