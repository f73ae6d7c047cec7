// The POSIX side of platform.h.
#ifndef _WIN32

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <filesystem>
#ifdef __GLIBC__
#include <malloc.h>  // mallopt
#endif

#include "base/platform/platform.h"

const char* const kUserTextLineEnd = "\n";

namespace {

// What each heap keeps at hand beyond its needs (keepFreedMemoryAtHand).
[[maybe_unused]] constexpr int kKeptMemory = 64 << 20;

}  // namespace

EngineFolders engineFolders() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  std::string home = variable("HOME");
  if (home.empty()) {
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
      home = user->pw_dir;
    }
  }
  // An XDG folder that is set wins; otherwise the default under the home
  // folder, when there is one.
  const auto xdg = [&](const char* name, const char* underHome) {
    std::string folder = variable(name);
    if (folder.empty() && !home.empty()) folder = home + underHome;
    return folder.empty() ? folder : folder + "/openmw";
  };
  return {xdg("XDG_CONFIG_HOME", "/.config"), xdg("XDG_DATA_HOME", "/.local/share"),
          "/usr/share/games/openmw"};
}

bool isSameFile(const char* first, const char* second) {
  struct stat a, b;
  if (stat(first, &a) != 0 || stat(second, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool isSamePlace(const char* first, const char* second) {
  std::error_code error;
  const auto place = [&](const char* path) {
    const std::filesystem::path name = std::filesystem::absolute(path, error).lexically_normal();
    return std::filesystem::weakly_canonical(name.parent_path(), error) / name.filename();
  };
  return place(first) == place(second) && !error;
}

bool copyModificationTime(const char* from, const char* to) {
  struct stat status;
  if (::stat(from, &status) != 0) return false;
  const struct timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
  return ::utimensat(AT_FDCWD, to, times, 0) == 0;
}

std::optional<uint64_t> sizeOfOpenFile(std::FILE* file) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

std::optional<std::size_t> readFileAt(std::FILE* file, uint64_t offset, void* into,
                                      std::size_t count) {
  auto* bytes = static_cast<char*>(into);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = pread(fileno(file), bytes + done, count - done,
                              static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;  // the end of the file
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::optional<int64_t> fileModificationTime(const char* path) {
  struct stat status;
  if (stat(path, &status) != 0) return std::nullopt;
  // Seconds beyond what nanoseconds in 64 bits hold (some 292 years either
  // side of 1970) are held at that edge.
  constexpr int64_t kEdge = INT64_MAX / 1000000000 - 1;
  const int64_t seconds = std::clamp<int64_t>(status.st_mtim.tv_sec, -kEdge, kEdge);
  return seconds * 1000000000 + status.st_mtim.tv_nsec;
}

namespace {

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

// The fallback notepad's folder: beside the installed program, or in the
// source tree for a program run from its build directory.
std::string fallbackFolder() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string exe(self, static_cast<std::size_t>(length));
    std::string bin = exe.substr(0, exe.rfind('/'));
    std::string installed = bin + "/../libexec/quendrel";
    if (isExecutable(installed + "/notepad")) return installed;
  }
  return QUENDREL_BUILD_LIBEXEC_DIR;
}

}  // namespace

void runEditorCommand(const std::string& command) {
  const char* oldPath = std::getenv("PATH");
  std::string savedPath = oldPath ? oldPath : "";
  std::string path = savedPath.empty() ? fallbackFolder() : savedPath + ":" + fallbackFolder();
  setenv("PATH", path.c_str(), 1);
  int ignored = std::system(command.c_str());
  (void)ignored;
  if (oldPath) {
    setenv("PATH", savedPath.c_str(), 1);
  } else {
    unsetenv("PATH");
  }
}

namespace {
RawFile rawFile(int descriptor) { return RawFile{descriptor, descriptor}; }
}  // namespace

RawFile createRawFile(const char* name) {
  ::unlink(name);
  RawFile file = rawFile(::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  // A folder cannot be unlinked, and then "exists": say what is really there.
  struct stat status;
  if (!file && errno == EEXIST && ::lstat(name, &status) == 0 && S_ISDIR(status.st_mode)) {
    errno = EISDIR;
  }
  return file;
}

std::optional<uint64_t> rawFileSize(RawFile file) {
  struct stat status;
  if (::fstat(static_cast<int>(file.handle), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

bool writeRaw(RawFile file, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(static_cast<int>(file.handle), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void closeRaw(RawFile& file) {
  if (file) ::close(file.descriptor);
  file = RawFile{};
}

std::FILE* createFileStream(const char* name) {
  RawFile file = createRawFile(name);
  if (!file) return nullptr;
  std::FILE* stream = ::fdopen(file.descriptor, "wb");
  if (stream == nullptr) closeRaw(file);
  return stream;
}

FileKind fileKindAt(const char* path) {
  struct stat status;
  if (::stat(path, &status) != 0) return FileKind::kNothing;
  if (S_ISREG(status.st_mode)) return FileKind::kRegular;
  if (S_ISDIR(status.st_mode)) return FileKind::kFolder;
  if (S_ISCHR(status.st_mode)) return FileKind::kCharacterDevice;
  if (S_ISFIFO(status.st_mode)) return FileKind::kPipe;
  if (S_ISSOCK(status.st_mode)) return FileKind::kSocket;
  if (S_ISBLK(status.st_mode)) return FileKind::kBlockDevice;
  return FileKind::kOther;
}

std::FILE* openStreamInto(const char* path) {
  const int descriptor = ::open(path, O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = ::fdopen(descriptor, "wb");
  if (stream == nullptr) ::close(descriptor);
  return stream;
}

bool syncFileStream(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
}

void keepFreedMemoryAtHand() {
#ifdef __GLIBC__
  // Each heap grows, and keeps when memory is freed, 64 MB more than it
  // needs at the moment: on a game of 900 MB a fifth fewer page faults.
  mallopt(M_TOP_PAD, kKeptMemory);
#endif
}

void startWritingToDisk(std::FILE* file, uint64_t from, uint64_t length) {
#ifdef __linux__
  // Starts the write-back of the range's dirty pages and returns; a full
  // queue of the device may hold it up a moment, never for the whole range.
  ::sync_file_range(fileno(file), static_cast<off_t>(from), static_cast<off_t>(length),
                    SYNC_FILE_RANGE_WRITE);
#else
  // Other POSIX systems leave it to their own write-back.
  (void)file;
  (void)from;
  (void)length;
#endif
}

bool replaceFile(const char* from, const char* to) {
  if (std::rename(from, to) != 0) return false;
  // The file's own bytes are already on the disk; the folder's new entry is
  // put there too. The new file is in place either way, so a folder the
  // system cannot sync (some network file systems) is no failure.
  std::string folder(to);
  const std::size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor >= 0) {
    ::fsync(descriptor);
    ::close(descriptor);
  }
  return true;
}

void removeFileQuietly(const char* name) { ::unlink(name); }

FolderLock takeFolderLock(const char* name, LockHandle& lock, bool createFile) {
  if (lock) return FolderLock::kLocked;
  // A lock on a file opened for reading alone is as good; it needs no write.
  const int fd = createFile ? ::open(name, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666)
                            : ::open(name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return !createFile && errno == ENOENT ? FolderLock::kNoLockFile : FolderLock::kFailed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return error == EWOULDBLOCK ? FolderLock::kHeldByAnother : FolderLock::kFailed;
  }
  lock.value = fd;
  return FolderLock::kLocked;
}

void releaseFolderLock(LockHandle& lock) {
  if (lock) ::close(static_cast<int>(lock.value));
  lock = LockHandle{};
}

namespace {

void (*interruptionCleanUp)() = nullptr;
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

void onInterruption(int signalNumber) {
  if (interruptionCleanUp != nullptr) interruptionCleanUp();
  // The handler was installed to be reset on delivery: the signal, raised
  // again, ends the process the moment the handler returns.
  ::raise(signalNumber);
}

}  // namespace

void handleInterruptions(void (*cleanUp)()) {
  interruptionCleanUp = cleanUp;
  struct sigaction action = {};
  action.sa_handler = onInterruption;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : kInterruptions) sigaddset(&action.sa_mask, signalNumber);
  for (int signalNumber : kInterruptions) {
    struct sigaction old;
    // A signal the caller's shell ignores (a run started with nohup, or in
    // the background of a non-interactive shell) stays ignored.
    if (::sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(signalNumber, &action, nullptr);
  }
}

void stopHandlingInterruptions() {
  for (int signalNumber : kInterruptions) {
    struct sigaction current;
    if (::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == onInterruption) {
      ::signal(signalNumber, SIG_DFL);
    }
  }
  interruptionCleanUp = nullptr;
}

#endif
