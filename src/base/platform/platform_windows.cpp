// The Windows side of platform.h. File names are UTF-8 throughout (the
// program's manifest makes UTF-8 its code page); where the system is called
// directly they are turned into the UTF-16 its wide calls take.
#ifdef _WIN32

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "base/platform/platform.h"

const char* const kUserTextLineEnd = "\r\n";

namespace {

// The name in UTF-16, in a buffer of the caller's; false when it does not fit.
// Allocates nothing, so that the interruption handler may use it.
bool wideName(const char* name, wchar_t* wide, int room) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, room) > 0;
}

// errno for the last failed call of the system, so that the messages carry
// the C library's texts as they do everywhere.
void setErrnoFromSystem() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      errno = EACCES;
      break;
    default:
      errno = EIO;
  }
}

std::filesystem::path utf8Path(const char* name) {
  return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
}

// UTF-16 text from the system in UTF-8; empty when it cannot be turned.
std::string utf8Text(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

EngineFolders engineFolders() {
  // The user's Documents folder, wherever it was moved; USERPROFILE\Documents
  // when the shell cannot say.
  std::string documents;
  PWSTR known = nullptr;
  if (SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &known) == S_OK) {
    documents = utf8Text(known);
  }
  CoTaskMemFree(known);
  if (documents.empty()) {
    if (const wchar_t* profile = _wgetenv(L"USERPROFILE"); profile != nullptr && *profile != 0) {
      documents = utf8Text(profile) + "\\Documents";
    }
  }
  const std::string user = documents.empty() ? documents : documents + "\\My Games\\OpenMW";
  return {user, user, ""};
}

// The C library's stat() gives every file the inode 0 here, so the same-file
// test asks the file system itself.
bool isSameFile(const char* first, const char* second) {
  std::error_code error;
  const bool same = std::filesystem::equivalent(utf8Path(first), utf8Path(second), error);
  return !error && same;
}

bool isSamePlace(const char* first, const char* second) {
  std::error_code error;
  const auto place = [&](const char* path) {
    const std::filesystem::path name =
        std::filesystem::absolute(utf8Path(path), error).lexically_normal();
    std::wstring text =
        (std::filesystem::weakly_canonical(name.parent_path(), error) / name.filename()).wstring();
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
  };
  return place(first) == place(second) && !error;
}

bool copyModificationTime(const char* from, const char* to) {
  wchar_t wideFrom[MAX_PATH * 2];
  wchar_t wideTo[MAX_PATH * 2];
  if (!wideName(from, wideFrom, MAX_PATH * 2) || !wideName(to, wideTo, MAX_PATH * 2)) {
    errno = ENOENT;
    return false;
  }
  WIN32_FILE_ATTRIBUTE_DATA source;
  if (!GetFileAttributesExW(wideFrom, GetFileExInfoStandard, &source)) {
    setErrnoFromSystem();
    return false;
  }
  HANDLE target = CreateFileW(wideTo, FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) {
    setErrnoFromSystem();
    return false;
  }
  const bool set = SetFileTime(target, nullptr, nullptr, &source.ftLastWriteTime) != 0;
  if (!set) setErrnoFromSystem();
  CloseHandle(target);
  return set;
}

std::optional<uint64_t> sizeOfOpenFile(std::FILE* file) {
  struct _stat64 status;
  if (_fstat64(_fileno(file), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

// ReadFile with the offset in an OVERLAPPED reads from there on a handle
// opened for plain (synchronous) reading, as the C library opens it.
std::optional<std::size_t> readFileAt(std::FILE* file, uint64_t offset, void* into,
                                      std::size_t count) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return std::nullopt;
  }
  auto* bytes = static_cast<char*>(into);
  std::size_t done = 0;
  while (done < count) {
    constexpr std::size_t kLargestRead = std::size_t{1} << 30;
    const uint64_t at = offset + done;
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(at);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (!ReadFile(handle, bytes + done, static_cast<DWORD>(std::min(count - done, kLargestRead)),
                  &got, &place)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      setErrnoFromSystem();
      return std::nullopt;
    }
    if (got == 0) break;  // the end of the file
    done += got;
  }
  return done;
}

std::optional<int64_t> fileModificationTime(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExW(utf8Path(path).c_str(), GetFileExInfoStandard, &attributes)) {
    return std::nullopt;
  }
  // A FILETIME counts 100-nanosecond steps from the start of 1601.
  return static_cast<int64_t>(uint64_t{attributes.ftLastWriteTime.dwHighDateTime} << 32 |
                              attributes.ftLastWriteTime.dwLowDateTime);
}

// "notepad" is the system's own editor here.
void runEditorCommand(const std::string& command) {
  int ignored = std::system(command.c_str());
  (void)ignored;
}

// The file is created with the system's own call; the C library's descriptor
// owns the handle, and writes go to the handle directly, taking no lock of
// the C library (an interruption handler writes while the main thread is
// stopped).
RawFile createRawFile(const char* name) {
  removeFileQuietly(name);
  wchar_t wide[MAX_PATH * 2];
  if (!wideName(name, wide, MAX_PATH * 2)) {
    errno = ENOENT;
    return RawFile{};
  }
  // CREATE_NEW fails on any name that exists, a link included.
  HANDLE handle = CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    setErrnoFromSystem();
    // A folder cannot be deleted as a file, and then "exists": say what is
    // really there.
    const DWORD attributes = GetFileAttributesW(wide);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      errno = EISDIR;
    }
    return RawFile{};
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return RawFile{};
  }
  return RawFile{reinterpret_cast<intptr_t>(handle), descriptor};
}

std::optional<uint64_t> rawFileSize(RawFile file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(file.handle), &size)) return std::nullopt;
  return static_cast<uint64_t>(size.QuadPart);
}

bool writeRaw(RawFile file, const char* bytes, std::size_t size) {
  while (size > 0) {
    const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file.handle), bytes, piece, &written, nullptr) ||
        written == 0) {
      setErrnoFromSystem();
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

void closeRaw(RawFile& file) {
  if (file) _close(file.descriptor);
  file = RawFile{};
}

std::FILE* createFileStream(const char* name) {
  RawFile file = createRawFile(name);
  if (!file) return nullptr;
  std::FILE* stream = _fdopen(file.descriptor, "wb");
  if (stream == nullptr) closeRaw(file);
  return stream;
}

namespace {

// A name the system gives a device in every folder (NUL, CON, CONOUT$, AUX,
// PRN, COM1 to COM9, LPT1 to LPT9), with or without an extension, or a path
// in the device space (\\.\ or //./).
bool isDeviceName(const char* path) {
  const std::string text(path);
  if (text.rfind("\\\\.\\", 0) == 0 || text.rfind("//./", 0) == 0) return true;
  std::string stem = utf8Path(path).filename().string();
  stem = stem.substr(0, stem.find('.'));
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == ':')) stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  static const char* const kDevices[] = {"NUL", "CON", "CONOUT$", "AUX", "PRN"};
  for (const char* device : kDevices) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

// A named pipe is told by its name alone: opening one to ask would take a
// connection its server waits for.
FileKind fileKindAt(const char* path) {
  const std::string text(path);
  for (const char* pipes : {"\\\\.\\pipe\\", "//./pipe/"}) {
    if (text.size() > std::strlen(pipes) && _strnicmp(path, pipes, std::strlen(pipes)) == 0) {
      return FileKind::kPipe;
    }
  }
  if (isDeviceName(path)) return FileKind::kCharacterDevice;
  wchar_t wide[MAX_PATH * 2];
  if (!wideName(path, wide, MAX_PATH * 2)) return FileKind::kNothing;
  const DWORD attributes = GetFileAttributesW(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kNothing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kFolder : FileKind::kRegular;
}

std::FILE* openStreamInto(const char* path) {
  wchar_t wide[MAX_PATH * 2];
  if (!wideName(path, wide, MAX_PATH * 2)) {
    errno = ENOENT;
    return nullptr;
  }
  HANDLE handle = CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    setErrnoFromSystem();
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, "wb");
  if (stream == nullptr) _close(descriptor);
  return stream;
}

bool syncFileStream(std::FILE* file) {
  return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

// Windows has no call that starts the write-back of a range and returns;
// its own lazy writer starts within a second or so.
void keepFreedMemoryAtHand() {}
void startWritingToDisk(std::FILE*, uint64_t, uint64_t) {}

// MoveFileEx replaces the file (or the link) under the new name in one step;
// the C library's rename() refuses to replace anything here.
bool replaceFile(const char* from, const char* to) {
  wchar_t wideFrom[MAX_PATH * 2];
  wchar_t wideTo[MAX_PATH * 2];
  if (!wideName(from, wideFrom, MAX_PATH * 2) || !wideName(to, wideTo, MAX_PATH * 2)) {
    errno = ENOENT;
    return false;
  }
  if (MoveFileExW(wideFrom, wideTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  setErrnoFromSystem();
  return false;
}

void removeFileQuietly(const char* name) {
  wchar_t wide[MAX_PATH * 2];
  if (wideName(name, wide, MAX_PATH * 2)) DeleteFileW(wide);
}

FolderLock takeFolderLock(const char* name, LockHandle& lock, bool createFile) {
  if (lock) return FolderLock::kLocked;
  wchar_t wide[MAX_PATH * 2];
  if (!wideName(name, wide, MAX_PATH * 2)) {
    errno = ENOENT;
    return FolderLock::kFailed;
  }
  HANDLE handle = CreateFileW(wide, GENERIC_READ | (createFile ? GENERIC_WRITE : 0),
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              createFile ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    setErrnoFromSystem();
    return !createFile && errno == ENOENT ? FolderLock::kNoLockFile : FolderLock::kFailed;
  }
  OVERLAPPED whole = {};
  if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                  MAXDWORD, &whole)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
    setErrnoFromSystem();
    return error == ERROR_LOCK_VIOLATION ? FolderLock::kHeldByAnother : FolderLock::kFailed;
  }
  lock.value = reinterpret_cast<intptr_t>(handle);
  return FolderLock::kLocked;
}

void releaseFolderLock(LockHandle& lock) {
  if (lock) CloseHandle(reinterpret_cast<HANDLE>(lock.value));
  lock = LockHandle{};
}

namespace {

void (*interruptionCleanUp)() = nullptr;
HANDLE mainThread = nullptr;
std::atomic<bool> interrupted{false};

// Windows calls this on a thread of its own. The main thread is stopped
// first, wherever it stands, so that the clean-up sees the run as it was;
// the process then ends at once, without the C library's exit handlers,
// which could wait for a lock the stopped thread holds.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  if (interrupted.exchange(true)) return TRUE;
  if (mainThread != nullptr) SuspendThread(mainThread);
  if (interruptionCleanUp != nullptr) interruptionCleanUp();
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
  return TRUE;
}

}  // namespace

void handleInterruptions(void (*cleanUp)()) {
  interruptionCleanUp = cleanUp;
  interrupted = false;
  if (mainThread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
  }
  // A program started in a new process group begins with Ctrl-C turned off.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void stopHandlingInterruptions() {
  SetConsoleCtrlHandler(onConsoleEvent, FALSE);
  interruptionCleanUp = nullptr;
}

#endif
