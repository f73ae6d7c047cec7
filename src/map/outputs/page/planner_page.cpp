// The planner page put together: the page's skeleton, styles and script,
// carried inside the program as the byte arrays of a header generated at
// build time (cmake/embed_page.cmake), with the map's data in between.
#include "map/outputs/page/planner_page.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

#include "map/page_files.h"

namespace {

template <std::size_t size>
std::string_view bytes(const unsigned char (&array)[size]) {
  return {reinterpret_cast<const char*>(array), size};
}

// The JSON text made safe to stand in a script element: `<`, `>` and `&`
// appear in JSON text only inside strings, where \u003c, \u003e and
// \u0026 read back as the same characters, so neither "</script>" nor
// "<!--" can occur.
std::string scriptSafe(const std::string& json) {
  std::string safe;
  safe.reserve(json.size() + json.size() / 16);
  std::size_t from = 0;
  for (std::size_t at = 0; at < json.size(); ++at) {
    const char c = json[at];
    if (c != '<' && c != '>' && c != '&') continue;
    safe.append(json, from, at - from);
    safe += c == '<' ? "\\u003c" : c == '>' ? "\\u003e" : "\\u0026";
    from = at + 1;
  }
  safe.append(json, from);
  return safe;
}

constexpr std::string_view kPngStart = "data:image/png;base64,";

// True for base64 text, which JSON strings and script elements take as it
// stands.
bool isBase64(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=';
  });
}

// Where `marker` stands in the JSON text, when it stands there once.
std::optional<std::size_t> onlyPlace(const std::string& json, std::string_view marker) {
  const std::size_t at = json.find(marker);
  if (at == std::string::npos || json.find(marker, at + 1) != std::string::npos) return std::nullopt;
  return at;
}

std::string dumped(const nlohmann::json& data) {
  return scriptSafe(data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

// The data as script-safe JSON text. The terrain's picture, a megabyte of
// base64 that the JSON writer would look at byte by byte, is taken out
// first and set back into the finished text where its start alone stood
// (when that start stands nowhere else, as in a name); each member given
// as text is made script-safe too and set where the member stands null
// (`"cells":null`: a name cannot hold that, as its quotes are escaped).
// The text is put together once, the large parts copied once.
std::string scriptSafeJson(nlohmann::json data, const std::vector<JsonText>& asText) {
  std::string png;
  const auto terrain = data.find("terrain");
  if (terrain != data.end() && terrain->is_object()) {
    const auto found = terrain->find("png");
    if (found != terrain->end() && found->is_string()) {
      std::string& text = found->get_ref<std::string&>();
      if (text.starts_with(kPngStart) && isBase64(std::string_view(text).substr(kPngStart.size()))) {
        png = std::move(text);
        text = kPngStart;
      }
    }
  }
  for (const JsonText& member : asText) data[member.name] = nullptr;
  std::string json = dumped(data);
  const std::string quotedStart = "\"" + std::string(kPngStart) + "\"";
  std::optional<std::size_t> pngAt;
  if (!png.empty() && !(pngAt = onlyPlace(json, quotedStart))) {
    // The start stands in a name too: the picture goes through the writer.
    (*terrain)["png"] = std::move(png);
    png.clear();
    json = dumped(data);
  }
  struct Splice {
    std::size_t at, length;
    std::string text;
  };
  std::vector<Splice> splices;
  if (pngAt) splices.push_back({*pngAt + 1, kPngStart.size(), std::move(png)});
  for (const JsonText& member : asText) {
    const std::string marker = "\"" + member.name + "\":null";
    const std::optional<std::size_t> at = onlyPlace(json, marker);
    if (!at) {
      // Not met with data made by plannerData: every member goes through
      // the writer.
      for (const JsonText& each : asText) data[each.name] = nlohmann::json::parse(each.text);
      if (pngAt) (*terrain)["png"] = std::move(splices.front().text);
      return dumped(data);
    }
    splices.push_back({*at + marker.size() - 4, 4, scriptSafe(member.text)});  // in place of null
  }
  if (splices.empty()) return json;
  std::sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) { return a.at < b.at; });
  std::size_t size = json.size();
  for (const Splice& splice : splices) size += splice.text.size();
  std::string whole;
  whole.reserve(size);
  std::size_t from = 0;
  for (const Splice& splice : splices) {
    whole.append(json, from, splice.at - from);
    whole.append(splice.text);
    from = splice.at + splice.length;
  }
  whole.append(json, from);
  return whole;
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

std::string plannerPage(nlohmann::json data, const std::vector<JsonText>& asText) {
  const std::string json = scriptSafeJson(std::move(data), asText);
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
