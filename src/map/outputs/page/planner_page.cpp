// The planner page put together: the page's skeleton, styles and script,
// carried inside the program as the byte arrays of a header generated at
// build time (cmake/embed_page.cmake), with the map's data in between.
#include "map/outputs/page/planner_page.h"

#include <initializer_list>
#include <string_view>

#include "map/page_files.h"

namespace {

template <std::size_t size>
std::string_view bytes(const unsigned char (&array)[size]) {
  return {reinterpret_cast<const char*>(array), size};
}

// The data as JSON text that cannot end the script element it stands in:
// `<`, `>` and `&` appear in JSON text only inside strings, where \u003c,
// \u003e and \u0026 read back as the same characters, so neither "</script>"
// nor "<!--" can occur.
std::string scriptSafeJson(const nlohmann::json& data) {
  const std::string json = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string safe;
  safe.reserve(json.size() + json.size() / 16);
  for (char c : json) {
    switch (c) {
      case '<': safe += "\\u003c"; break;
      case '>': safe += "\\u003e"; break;
      case '&': safe += "\\u0026"; break;
      default: safe += c;
    }
  }
  return safe;
}

struct Part {
  std::string_view marker;
  std::string_view text;
};

// The skeleton with each marker replaced by its part. The skeleton alone is
// searched, so a marker inside a part stays as it is.
std::string filled(std::string_view skeleton, std::initializer_list<Part> parts) {
  std::string page;
  std::size_t at = 0;
  for (;;) {
    std::size_t next = std::string_view::npos;
    const Part* found = nullptr;
    for (const Part& part : parts) {
      const std::size_t where = skeleton.find(part.marker, at);
      if (where < next) {
        next = where;
        found = &part;
      }
    }
    if (found == nullptr) break;
    page.append(skeleton.substr(at, next - at));
    page.append(found->text);
    at = next + found->marker.size();
  }
  page.append(skeleton.substr(at));
  return page;
}

}  // namespace

std::string plannerPage(const nlohmann::json& data) {
  const std::string json = scriptSafeJson(data);
  return filled(bytes(page_files::page_html),
                {
                    {"@planner.css@", bytes(page_files::planner_css)},
                    {"@overlaps.js@", bytes(page_files::overlaps_js)},
                    {"@map_data.js@", bytes(page_files::map_data_js)},
                    {"@cell_picture.js@", bytes(page_files::cell_picture_js)},
                    {"@planner.js@", bytes(page_files::planner_js)},
                    {"@data@", json},
                });
}
