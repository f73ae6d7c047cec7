// Reading the reserve file.
#include "workfiles/reserve_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>

#include "workfiles/map_errors.h"
#include "workfiles/text_input.h"

namespace {

// A whole number with an optional sign and blanks around it, fitting in 32 bits.
std::optional<int32_t> wholeNumber(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::vector<GridRectangle> readReserveFile(const std::string& path) {
  std::vector<GridRectangle> rectangles;
  int number = 0;
  for (const std::string& line : readTextLines(path)) {
    ++number;
    std::string_view text = line;
    text = text.substr(0, text.find_first_of(";#"));
    if (trimmed(text).empty()) continue;
    int32_t corner[4];
    int found = 0;
    bool whole = true;
    while (whole) {
      const std::size_t comma = text.find(',');
      const std::optional<int32_t> value = wholeNumber(text.substr(0, comma));
      whole = value.has_value() && found < 4;
      if (whole) corner[found++] = *value;
      if (comma == std::string_view::npos) break;
      text.remove_prefix(comma + 1);
    }
    if (!whole || found != 4) {
      failMap("quendrel-map: %s:%d: not a rectangle \"x1, y1, x2, y2\" of whole numbers\n",
              path.c_str(), number);
    }
    rectangles.push_back({std::min(corner[0], corner[2]), std::min(corner[1], corner[3]),
                          std::max(corner[0], corner[2]), std::max(corner[1], corner[3])});
  }
  return rectangles;
}
