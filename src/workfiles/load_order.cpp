// Reading a load order from Morrowind.ini or openmw.cfg, and finding its
// plugins on disk.
#include "workfiles/load_order.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "base/platform.h"
#include "workfiles/map_errors.h"
#include "workfiles/name_text.h"
#include "workfiles/text_input.h"
#include "records/record_reader.h"

namespace {

namespace fs = std::filesystem;

// A path from UTF-8 text, or nothing when the text is not UTF-8 (Windows
// could not name a file by it).
std::optional<fs::path> pathOf(const std::string& utf8) {
  if (!isWellFormedUtf8(utf8)) return std::nullopt;
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string textOf(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

// The folder that holds the file; "." for a bare file name.
std::string folderOf(const std::string& file) {
  const std::optional<fs::path> path = pathOf(file);
  const std::string folder = path ? textOf(path->parent_path()) : "";
  return folder.empty() ? "." : folder;
}

std::string inFolder(const std::string& folder, const std::string& name) {
  const std::optional<fs::path> path = pathOf(folder);
  const std::optional<fs::path> file = pathOf(name);
  return path && file ? textOf(*path / *file) : folder + "/" + name;
}

// The entries of a folder (files, or folders), by their folded names; each
// list sorted. Nothing for a folder that cannot be listed.
using Listing = std::unordered_map<std::string, std::vector<std::string>>;
Listing listFolder(const std::string& folder, bool folders) {
  Listing listing;
  const std::optional<fs::path> path = pathOf(folder);
  if (!path) return listing;
  std::error_code error;
  for (fs::directory_iterator it(*path, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (folders ? !it->is_directory(ignored) : !it->is_regular_file(ignored)) continue;
    try {
      std::string name = textOf(it->path().filename());
      listing[foldedName(name)].push_back(std::move(name));
    } catch (const std::system_error&) {
      // A name Windows cannot give as UTF-8 (a lone surrogate): no plugin's.
    }
  }
  for (auto& [folded, names] : listing) std::sort(names.begin(), names.end());
  return listing;
}

// The entry `name` names: the one spelt the same, otherwise the first.
std::optional<std::string> lookUp(const Listing& listing, const std::string& name) {
  const auto found = listing.find(foldedName(name));
  if (found == listing.end()) return std::nullopt;
  const std::vector<std::string>& names = found->second;
  return std::find(names.begin(), names.end(), name) != names.end() ? name : names.front();
}

class IgnoreDamage : public DamageReporter {
 public:
  void damaged(const RecordDamage&) override {}
};

// The TES3 header's HEDR: version (float), then the file type, 1 for a master.
//   48 45 44 52  2C 01 00 00  66 66 A6 3F  01 00 00 00   HEDR, 300 bytes, 1.3, master
constexpr std::size_t kFileTypeInData = kFileTypeByteOffset - kRecordHeaderSize;

bool headerSaysMaster(const std::string& path) {
  IgnoreDamage ignore;
  RecordReader reader(ignore, 64);
  RecordHeader header;
  std::vector<uint8_t> data;
  if (!reader.open(path.c_str()) || !reader.next(header) || !header.isType("TES3") ||
      header.dataSize == 0 || !reader.readData(header, data, kFileTypeInData + 4)) {
    return false;
  }
  return data.size() == kFileTypeInData + 4 && hasTag(data.data(), "HEDR") &&
         readU32(data.data() + kSubrecordSizeOffset) >= 8 && readU32(data.data() + kFileTypeInData) == 1;
}

bool endsWith(const std::string& text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A line `key=value`: the folded key and the value, both trimmed; nothing
// without '='.
std::optional<std::pair<std::string, std::string_view>> keyAndValue(std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return std::pair{foldedName(trimmed(line.substr(0, equals))), trimmed(line.substr(equals + 1))};
}

// The folded name of a section line "[Game Files]".
std::string sectionName(std::string_view line) {
  line.remove_prefix(1);
  return foldedName(trimmed(line.substr(0, line.find(']'))));
}

enum class Kind { kIni, kCfg, kNeither };

Kind kindOf(const std::vector<std::string>& lines) {
  bool cfg = false;
  for (const std::string& line : lines) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#' || text.front() == ';') continue;
    if (text.front() == '[') {
      if (sectionName(text) == "game files") return Kind::kIni;
    } else if (auto pair = keyAndValue(text)) {
      cfg = cfg || pair->first == "content" || pair->first == "data" || pair->first == "data-local";
    }
  }
  return cfg ? Kind::kCfg : Kind::kNeither;
}

// Adds the name unless a name that differs only in letter case came first.
void listOnce(std::vector<std::string>& names, std::unordered_set<std::string>& seen,
              std::string name) {
  if (seen.insert(foldedName(name)).second) names.push_back(std::move(name));
}

LoadOrder readIni(const std::string& file, const std::vector<std::string>& lines) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen, keys;
  bool inGameFiles = false;
  for (const std::string& line : lines) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      inGameFiles = sectionName(text) == "game files";
      continue;
    }
    const auto pair = keyAndValue(text);
    if (!inGameFiles || !pair) continue;
    const std::string& key = pair->first;
    const bool gameFile = key.size() > 8 && key.compare(0, 8, "gamefile") == 0 &&
                          key.find_first_not_of("0123456789", 8) == std::string::npos;
    // A key given twice counts the first time, as the engine reads it.
    if (!gameFile || !keys.insert(key).second) continue;
    std::string_view value = pair->second;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    if (!value.empty()) listOnce(names, seen, utf8FromWindows1252(value));
  }

  LoadOrder order;
  const std::string home = folderOf(file);
  const std::optional<std::string> dataFolder = lookUp(listFolder(home, true), "Data Files");
  const Listing listing = dataFolder ? listFolder(inFolder(home, *dataFolder), false) : Listing{};
  struct Ranked {
    bool plugin;  // not a master: loaded after them
    int64_t time;
    std::string folded;
    LoadOrder::Plugin found;
  };
  std::vector<Ranked> ranked;
  for (const std::string& name : names) {
    const std::optional<std::string> found = lookUp(listing, name);
    if (!found) {
      order.missing.push_back(name);
      continue;
    }
    const std::string path = inFolder(inFolder(home, *dataFolder), *found);
    const bool master = endsWith(foldedName(*found), ".esm") || headerSaysMaster(path);
    ranked.push_back({!master, fileModificationTime(path.c_str()).value_or(0), foldedName(*found),
                      {name, path}});
  }
  std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    return std::tie(a.plugin, a.time, a.folded, a.found.path) <
           std::tie(b.plugin, b.time, b.folded, b.found.path);
  });
  for (Ranked& r : ranked) order.found.push_back(std::move(r.found));
  return order;
}

// A data= value as a folder: unquoted (& escapes the next character inside
// double quotes) and taken from the cfg's folder when relative; nothing
// for a folder named with a ?token? of the engine's own.
std::optional<std::string> dataFolder(const std::string& home, std::string_view value) {
  std::string folder;
  if (!value.empty() && value.front() == '"') {
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
      if (value[i] == '&' && i + 1 < value.size()) ++i;
      folder += value[i];
    }
  } else {
    folder = value;
  }
  if (folder.empty() || folder.front() == '?') return std::nullopt;
  const std::optional<fs::path> path = pathOf(folder);
  if (!path || path->is_absolute()) return folder;
  return inFolder(home, folder);
}

LoadOrder readCfg(const std::string& file, const std::vector<std::string>& lines) {
  const std::string home = folderOf(file);
  std::vector<std::string> folders, names;
  std::optional<std::string> local;
  std::unordered_set<std::string> seen;
  for (const std::string& line : lines) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    const auto pair = keyAndValue(text);
    if (!pair) continue;
    const auto& [key, value] = *pair;
    if (key == "data" || key == "data-local") {
      std::optional<std::string> folder = dataFolder(home, value);
      if (key == "data-local") {
        local = folder;
      } else if (folder) {
        folders.push_back(std::move(*folder));
      }
    } else if (key == "content") {
      // Only plugins: content lines also name the engine's script lists.
      const std::string folded = foldedName(value);
      if (endsWith(folded, ".esm") || endsWith(folded, ".esp") || endsWith(folded, ".omwaddon") ||
          endsWith(folded, ".omwgame")) {
        listOnce(names, seen, std::string(value));
      }
    }
  }
  if (local) folders.push_back(*local);

  std::vector<Listing> listings;
  for (const std::string& folder : folders) listings.push_back(listFolder(folder, false));
  LoadOrder order;
  for (const std::string& name : names) {
    std::optional<LoadOrder::Plugin> plugin;
    for (std::size_t i = folders.size(); i-- > 0 && !plugin;) {
      if (const std::optional<std::string> found = lookUp(listings[i], name)) {
        plugin = LoadOrder::Plugin{name, inFolder(folders[i], *found)};
      }
    }
    if (plugin) {
      order.found.push_back(std::move(*plugin));
    } else {
      order.missing.push_back(name);
    }
  }
  return order;
}

}  // namespace

LoadOrder readLoadOrder(const std::string& file) {
  const std::vector<std::string> lines = readTextLines(file);
  switch (kindOf(lines)) {
    case Kind::kIni: return readIni(file, lines);
    case Kind::kCfg: return readCfg(file, lines);
    case Kind::kNeither: break;
  }
  failMap("quendrel-map: %s: no load order: neither a [Game Files] section nor content= lines\n",
          file.c_str());
}
