// Result of every FAT engine operation: an error kind and a text that names
// the rule or the step that failed.
#pragma once

#include <cstdint>
#include <string>

namespace fat {

enum class Error {
  kOk,
  kIo,
  kOutOfRange,
  kNotFat,
  kCorrupt,
  kNotFound,
  kExists,
  kNotEmpty,
  kIsDirectory,
  kNotDirectory,
  kDiskFull,
  kInvalidName,
  kReadOnly,
  kAccessDenied,
  kTooLarge,
  kBusy,
  kInvalidArgument,
  kPathNotFound  // a folder on the way to the named item does not exist
};

struct Status {
  Error error = Error::kOk;
  std::string message;

  bool ok() const { return error == Error::kOk; }
  static Status Ok() { return Status{}; }
};

inline Status Fail(Error error, std::string message) {
  return Status{error, std::move(message)};
}

// "kCorrupt" and so on, for logs and test output.
const char* ErrorName(Error error);

}  // namespace fat
