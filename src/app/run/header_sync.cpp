// Bringing the output's header up to date.
#include "app/run/header_sync.h"

#include <optional>

#include "base/platform/folder_files.h"
#include "base/text_format.h"
#include "records/record_layout.h"
#include "records/subrecords.h"
#include "records/text_fields.h"

namespace {

// HEDR: version (f32), file type (u32), author (32 bytes), description (256
// bytes), then the number of records (u32) at data offset 4 + 4 + 32 + 256
// = 296; 300 bytes in all.
constexpr std::size_t kHeaderCountOffset = 296;
constexpr std::size_t kHeaderDataSize = 300;
// Each master: MAST, its file name (zero-terminated), then DATA, its size
// in bytes (u64).
constexpr std::size_t kMasterSizeBytes = 8;

void writeU64(uint8_t* p, uint64_t value) {
  writeU32(p, static_cast<uint32_t>(value));
  writeU32(p + 4, static_cast<uint32_t>(value >> 32));
}
uint64_t readU64(const uint8_t* p) { return uint64_t{readU32(p)} | uint64_t{readU32(p + 4)} << 32; }

}  // namespace

HeaderSync::HeaderSync(const RunOptions& options, const char* pluginPath)
    : folders_{folderOf(options.outputPath), folderOf(pluginPath)} {}

void HeaderSync::prepareHeader(uint8_t* record, std::size_t size, uint64_t at, RunLog& log) {
  // Only a header that begins the output: the game reads it nowhere else.
  if (headerAt_ || at != 0 || size < kRecordHeaderSize) return;
  uint8_t* data = record + kRecordHeaderSize;
  const std::size_t dataSize = size - kRecordHeaderSize;
  std::string master;  // the name of the MAST just passed
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (s.is("HEDR") && s.offset == 0 && s.size >= kHeaderDataSize) {
      headerAt_ = at + kRecordHeaderSize + s.dataOffset() + kHeaderCountOffset;
    } else if (s.is("MAST")) {
      char name[1024];
      copySubrecordText(name, sizeof name, data + s.dataOffset(), s.size);
      master = name;
      continue;
    } else if (s.is("DATA") && !master.empty() && s.size == kMasterSizeBytes) {
      uint8_t* bytes = data + s.dataOffset();
      std::optional<uint64_t> present;
      for (const std::string& folder : folders_) {
        if (std::optional<std::string> file = findFileIgnoringCase(folder, master)) {
          if ((present = sizeOfFile(*file))) break;
        }
      }
      if (present) {
        writeU64(bytes, *present);
      } else {
        // On the console too: a patch whose header keeps a wrong size is
        // what the user ran --sync-header to avoid.
        const std::string note =
            formatted("The master %s is in neither %s nor %s: its size stays %llu.\n",
                      master.c_str(), folders_[0].c_str(), folders_[1].c_str(),
                      static_cast<unsigned long long>(readU64(bytes)));
        log.append(note);
        std::fflush(stdout);
        std::fputs(note.c_str(), stderr);
      }
    }
    master.clear();
  }
}

bool HeaderSync::finish(std::FILE* output) const {
  if (!headerAt_) return true;
  uint8_t count[4];
  writeU32(count, records_);
  if (std::fflush(output) != 0) return false;
  // The count lies within the first record, so a long holds its place.
  if (std::fseek(output, static_cast<long>(*headerAt_), SEEK_SET) != 0) return false;
  if (std::fwrite(count, 1, sizeof count, output) != sizeof count) return false;
  return std::fseek(output, 0, SEEK_END) == 0;
}
