#include "fat/status.h"

namespace fat {

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

}  // namespace fat
