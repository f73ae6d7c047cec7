// Reading a load order from Morrowind.ini or openmw.cfg, and finding its
// plugins on disk.
#include "workfiles/load_order.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "base/platform/platform.h"
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

// The file's lines, a byte-order mark at its start left out.
std::vector<std::string> linesOf(const std::string& file) {
  std::vector<std::string> lines = readTextLines(file);
  if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF")) lines.front().erase(0, 3);
  return lines;
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
      cfg = cfg || pair->first == "content" || pair->first == "data" ||
            pair->first == "data-local" || pair->first == "config";
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

// The folders of the engine's ?tokens?, and what to say where one is not
// known here.
struct Token {
  const char* name;
  std::string EngineFolders::*folder;  // null: never known here
  const char* unknown;
};
constexpr Token kTokens[] = {
    {"?local?", nullptr, "the folder of the engine's program is not known here"},
    {"?userconfig?", &EngineFolders::userConfig, "the user's folder is not known here"},
    {"?userdata?", &EngineFolders::userData, "the user's folder is not known here"},
    {"?global?", &EngineFolders::global, "the engine's data folder is not known here"},
};

// What a chain of openmw.cfg files is read with, and what reading it says
// on standard error.
struct CfgReading {
  const EngineFolders& engine;
  std::vector<std::string> notes;
  std::vector<std::string> files;  // read, in order
};

// A data=, data-local= or config= value as a folder: unquoted (& escapes
// the next character inside double quotes), a leading ?token? replaced by
// its folder, and taken from the cfg's folder when relative; an empty value
// is the cfg's folder itself. Nothing, and a note, for a folder left out.
//   data="C:\Games&&Stuff"   ->  C:\Games&Stuff
//   data=?userdata?data      ->  ~/.local/share/openmw/data
std::optional<std::string> cfgFolder(CfgReading& reading, const std::string& file,
                                      std::string_view key, std::string_view value) {
  std::string folder;
  if (!value.empty() && value.front() == '"') {
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
      if (value[i] == '&' && i + 1 < value.size()) ++i;
      folder += value[i];
    }
  } else {
    folder = value;
  }
  const std::size_t tokenEnd = folder.size() > 1 && folder.front() == '?' ? folder.find('?', 1)
                                                                          : std::string::npos;
  if (tokenEnd != std::string::npos && tokenEnd > 1) {
    const std::string token = folder.substr(0, tokenEnd + 1);
    const auto known = std::find_if(std::begin(kTokens), std::end(kTokens),
                                    [&](const Token& t) { return token == t.name; });
    const std::string base = known != std::end(kTokens) && known->folder != nullptr
                                 ? reading.engine.*(known->folder)
                                 : "";
    if (base.empty()) {
      const char* why =
          known != std::end(kTokens) ? known->unknown : "no folder of the engine's has that name";
      reading.notes.push_back(file + ": " + std::string(key) + "=" + std::string(value) +
                              " left out: " + why);
      return std::nullopt;
    }
    const std::string rest = folder.substr(tokenEnd + 1);
    return rest.empty() ? base : inFolder(base, rest);
  }
  const std::string home = folderOf(file);
  if (folder.empty()) return home;
  const std::optional<fs::path> path = pathOf(folder);
  if (!path || path->is_absolute()) return folder;
  return inFolder(home, folder);
}

// What one openmw.cfg of a chain says, in its own order.
struct CfgFile {
  std::vector<std::string> folders;  // data=
  bool setsLocal = false;            // a data-local= line: the last one's folder, if any
  std::optional<std::string> local;
  std::vector<std::string> names;    // content= plugins
  std::vector<std::string> configs;  // config= folders
  bool replacesData = false, replacesContent = false;
};

CfgFile readCfgFile(CfgReading& reading, const std::string& file,
                    const std::vector<std::string>& lines) {
  CfgFile cfg;
  reading.files.push_back(file);
  for (const std::string& line : lines) {
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    const auto pair = keyAndValue(text);
    if (!pair) continue;
    const auto& [key, value] = *pair;
    if (key == "data" || key == "data-local" || key == "config") {
      std::optional<std::string> folder = cfgFolder(reading, file, key, value);
      if (key == "data-local") {
        cfg.setsLocal = true;
        cfg.local = std::move(folder);
      } else if (folder) {
        (key == "data" ? cfg.folders : cfg.configs).push_back(std::move(*folder));
      }
    } else if (key == "replace") {
      const std::string what = foldedName(value);
      cfg.replacesData = cfg.replacesData || what == "data";
      cfg.replacesContent = cfg.replacesContent || what == "content";
    } else if (key == "content") {
      // Only plugins: content lines also name the engine's script lists.
      // groundcover= plugins are not checked: they only place grass and
      // stones by the land under them.
      const std::string folded = foldedName(value);
      if (endsWith(folded, ".esm") || endsWith(folded, ".esp") || endsWith(folded, ".omwaddon") ||
          endsWith(folded, ".omwgame")) {
        cfg.names.emplace_back(value);
      }
    }
  }
  return cfg;
}

// A file as the same file however it is named, for reading each file of a
// chain once.
std::string identityOf(const std::string& file) {
  const std::optional<fs::path> path = pathOf(file);
  if (!path) return file;
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(*path, error);
  return textOf(error ? path->lexically_normal() : canonical);
}

// The files of the chain in the engine's reading order: the file, then the
// openmw.cfg of each folder its config= lines name, in their order, each
// with the files its own config= lines name before the next (depth first).
std::vector<CfgFile> readChain(CfgReading& reading, const std::string& file,
                               const std::vector<std::string>& lines) {
  std::vector<CfgFile> chain{readCfgFile(reading, file, lines)};
  std::unordered_set<std::string> read{identityOf(file)};
  struct Named {
    std::string file, by;
  };
  std::vector<Named> pending;  // a stack: the next to read last
  const auto push = [&](const std::string& by) {
    const std::vector<std::string>& configs = chain.back().configs;
    for (auto it = configs.rbegin(); it != configs.rend(); ++it) {
      // game/two/.. named as game/, for the notes' sake.
      const std::optional<fs::path> folder = pathOf(*it);
      const std::string normal = folder ? textOf(folder->lexically_normal()) : *it;
      pending.push_back({inFolder(normal, "openmw.cfg"), by});
    }
  };
  push(file);
  while (!pending.empty()) {
    const Named next = std::move(pending.back());
    pending.pop_back();
    std::error_code error;
    const std::optional<fs::path> path = pathOf(next.file);
    if (!read.insert(identityOf(next.file)).second) {
      reading.notes.push_back(next.file + ": named again by config= in " + next.by + "; read once");
    } else if (!path || !fs::is_regular_file(*path, error)) {
      reading.notes.push_back(next.file + ": no such file; config= in " + next.by + " passed over");
    } else {
      chain.push_back(readCfgFile(reading, next.file, linesOf(next.file)));
      push(next.file);
    }
  }
  return chain;
}

// The chain's values put together as the engine does: a later file's
// data= folders and content= plugins after the earlier ones', unless it
// says replace=data or replace=content, which forgets the earlier ones;
// the last data-local= line wins.
LoadOrder readCfg(CfgReading& reading, const std::string& file,
                  const std::vector<std::string>& lines) {
  std::vector<std::string> folders, listed, names;
  std::optional<std::string> local;
  for (CfgFile& cfg : readChain(reading, file, lines)) {
    if (cfg.replacesData) folders.clear();
    if (cfg.replacesContent) listed.clear();
    folders.insert(folders.end(), cfg.folders.begin(), cfg.folders.end());
    listed.insert(listed.end(), cfg.names.begin(), cfg.names.end());
    if (cfg.setsLocal) local = std::move(cfg.local);
  }
  std::unordered_set<std::string> seen;
  for (std::string& name : listed) listOnce(names, seen, std::move(name));
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
  order.files = std::move(reading.files);
  return order;
}

// The folder's openmw.cfg, otherwise its Morrowind.ini (letter case aside);
// nothing when it holds neither.
std::optional<std::string> configurationIn(const std::string& folder) {
  const Listing listing = listFolder(folder, false);
  for (const char* name : {"openmw.cfg", "Morrowind.ini"}) {
    if (const std::optional<std::string> found = lookUp(listing, name)) {
      return inFolder(folder, *found);
    }
  }
  return std::nullopt;
}

// The player's own configuration file: $OPENMW_CONFIG, the openmw.cfg in
// $OPENMW_CONFIG_DIR, the user's openmw.cfg where the engine keeps it, then
// a Morrowind.ini in the current folder or the nearest folder above.
std::string playersConfiguration(const EngineFolders& engine) {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  if (std::string file = variable("OPENMW_CONFIG"); !file.empty()) return file;
  if (std::string folder = variable("OPENMW_CONFIG_DIR"); !folder.empty()) {
    return inFolder(folder, "openmw.cfg");
  }
  std::error_code error;
  if (!engine.userConfig.empty()) {
    const std::string file = inFolder(engine.userConfig, "openmw.cfg");
    const std::optional<fs::path> path = pathOf(file);
    if (path && fs::is_regular_file(*path, error)) return file;
  }
  for (fs::path folder = fs::current_path(error); !error && !folder.empty();) {
    const std::string here = textOf(folder);
    if (const std::optional<std::string> found = lookUp(listFolder(here, false), "Morrowind.ini")) {
      return inFolder(here, *found);
    }
    if (folder == folder.parent_path()) break;
    folder = folder.parent_path();
  }
  failMap("quendrel-map: --load-order auto: no openmw.cfg in %s, and no Morrowind.ini here or in a "
          "folder above\n",
          engine.userConfig.empty() ? "the user's folder" : engine.userConfig.c_str());
}

}  // namespace

LoadOrder readLoadOrder(const std::string& where) {
  const EngineFolders engine = engineFolders();
  std::string file = where;
  std::error_code error;
  const std::optional<fs::path> path = pathOf(where);
  if (where == "auto") {
    file = playersConfiguration(engine);
  } else if (path && fs::is_directory(*path, error)) {
    const std::optional<std::string> found = configurationIn(where);
    if (!found) {
      failMap("quendrel-map: %s: no openmw.cfg or Morrowind.ini in this folder\n", where.c_str());
    }
    file = *found;
  }
  std::fflush(stdout);
  if (file != where) std::fprintf(stderr, "quendrel-map: the load order of %s\n", file.c_str());

  const std::vector<std::string> lines = linesOf(file);
  switch (kindOf(lines)) {
    case Kind::kIni: {
      LoadOrder order = readIni(file, lines);
      order.files = {file};
      return order;
    }
    case Kind::kCfg: {
      CfgReading reading{engine, {}, {}};
      LoadOrder order = readCfg(reading, file, lines);
      for (const std::string& note : reading.notes) {
        std::fprintf(stderr, "quendrel-map: %s\n", note.c_str());
      }
      return order;
    }
    case Kind::kNeither: break;
  }
  failMap("quendrel-map: %s: no load order: neither a [Game Files] section nor content= lines\n",
          file.c_str());
}
