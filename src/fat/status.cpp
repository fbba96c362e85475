#include "fat/status.h"

#include "platform/errors.h"

namespace fat {
namespace {
// ERROR_FILE_TOO_LARGE: a FAT file cannot reach 4 GiB.
constexpr std::uint32_t kErrorFileTooLarge = 223;
}  // namespace

const char* ErrorName(Error error) {
  switch (error) {
    case Error::kOk:
      return "kOk";
    case Error::kIo:
      return "kIo";
    case Error::kOutOfRange:
      return "kOutOfRange";
    case Error::kNotFat:
      return "kNotFat";
    case Error::kCorrupt:
      return "kCorrupt";
    case Error::kNotFound:
      return "kNotFound";
    case Error::kExists:
      return "kExists";
    case Error::kNotEmpty:
      return "kNotEmpty";
    case Error::kIsDirectory:
      return "kIsDirectory";
    case Error::kNotDirectory:
      return "kNotDirectory";
    case Error::kDiskFull:
      return "kDiskFull";
    case Error::kInvalidName:
      return "kInvalidName";
    case Error::kReadOnly:
      return "kReadOnly";
    case Error::kAccessDenied:
      return "kAccessDenied";
    case Error::kTooLarge:
      return "kTooLarge";
    case Error::kBusy:
      return "kBusy";
    case Error::kInvalidArgument:
      return "kInvalidArgument";
    case Error::kPathNotFound:
      return "kPathNotFound";
  }
  return "unknown";
}

std::uint32_t ToSystemError(Error error) {
  switch (error) {
    case Error::kOk:
      return platform::kErrorSuccess;
    case Error::kIo:
      return platform::kErrorIoDevice;
    case Error::kOutOfRange:
      return platform::kErrorSectorNotFound;
    case Error::kNotFat:
      return platform::kErrorUnrecognizedMedia;
    case Error::kCorrupt:
      return platform::kErrorDiskCorrupt;
    case Error::kNotFound:
      return platform::kErrorFileNotFound;
    case Error::kExists:
      return platform::kErrorFileExists;
    case Error::kNotEmpty:
      return platform::kErrorDirNotEmpty;
    case Error::kIsDirectory:
      return platform::kErrorAccessDenied;
    case Error::kNotDirectory:
      return platform::kErrorDirectory;
    case Error::kDiskFull:
      return platform::kErrorDiskFull;
    case Error::kInvalidName:
      return platform::kErrorInvalidName;
    case Error::kReadOnly:
      return platform::kErrorWriteProtect;
    case Error::kAccessDenied:
      return platform::kErrorAccessDenied;
    case Error::kTooLarge:
      return kErrorFileTooLarge;
    case Error::kBusy:
      return platform::kErrorSharingViolation;
    case Error::kInvalidArgument:
      return platform::kErrorInvalidParameter;
    case Error::kPathNotFound:
      return platform::kErrorPathNotFound;
  }
  return platform::kErrorGenFailure;
}

}  // namespace fat
