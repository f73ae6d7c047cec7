// Opening an output as what stands under its name allows.
#include <cerrno>

#include "base/platform/platform.h"

OutputPlace outputPlaceOf(const char* path) {
  switch (fileKindAt(path)) {
    case FileKind::kNothing:
    case FileKind::kRegular:
      return {OutputWay::kReplace, nullptr};
    case FileKind::kCharacterDevice:
    case FileKind::kPipe:
      return {OutputWay::kWriteInto, nullptr};
    case FileKind::kFolder:
      return {OutputWay::kRefuse, "it is a folder"};
    case FileKind::kSocket:
      return {OutputWay::kRefuse, "it is a socket"};
    case FileKind::kBlockDevice:
      return {OutputWay::kRefuse, "it is a block device"};
    case FileKind::kOther:
      break;
  }
  return {OutputWay::kRefuse, "it is neither a file, a device nor a pipe"};
}

std::FILE* createOutputStream(const char* path) {
  const OutputPlace place = outputPlaceOf(path);
  switch (place.way) {
    case OutputWay::kReplace:
      return createFileStream(path);
    case OutputWay::kWriteInto:
      return openStreamInto(path);
    case OutputWay::kRefuse:
      break;
  }
  errno = fileKindAt(path) == FileKind::kFolder ? EISDIR : ENOTSUP;
  return nullptr;
}
