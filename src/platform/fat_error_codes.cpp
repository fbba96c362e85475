#include "platform/fat_error_codes.h"

#include "platform/errors.h"

namespace platform {

std::uint32_t ToSystemError(fat::Error error) {
  switch (error) {
    case fat::Error::kOk:
      return kErrorSuccess;
    case fat::Error::kIo:
      return kErrorIoDevice;
    case fat::Error::kOutOfRange:
      return kErrorSectorNotFound;
    case fat::Error::kNotFat:
      return kErrorUnrecognizedMedia;
    case fat::Error::kCorrupt:
      return kErrorDiskCorrupt;
    case fat::Error::kNotFound:
      return kErrorFileNotFound;
    case fat::Error::kExists:
      return kErrorFileExists;
    case fat::Error::kNotEmpty:
      return kErrorDirNotEmpty;
    case fat::Error::kIsDirectory:
      return kErrorAccessDenied;
    case fat::Error::kNotDirectory:
      return kErrorDirectory;
    case fat::Error::kDiskFull:
      return kErrorDiskFull;
    case fat::Error::kInvalidName:
      return kErrorInvalidName;
    case fat::Error::kReadOnly:
      return kErrorWriteProtect;
    case fat::Error::kAccessDenied:
      return kErrorAccessDenied;
    case fat::Error::kTooLarge:  // a FAT file cannot reach 4 GiB
      return kErrorFileTooLarge;
    case fat::Error::kBusy:
      return kErrorSharingViolation;
    case fat::Error::kInvalidArgument:
      return kErrorInvalidParameter;
    case fat::Error::kPathNotFound:
      return kErrorPathNotFound;
  }
  return kErrorGenFailure;
}

}  // namespace platform
