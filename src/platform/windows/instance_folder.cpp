#include "platform/instance_folder.h"

#include <mutex>

#include "platform/errors.h"
#include "platform/process.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {
constexpr int kMaxInstances = 64;

// Takes the folder for this process: a lock file opened without sharing
// and deleted when its handle closes, which the system does when the
// process ends, however it ends. The handle is not inherited by started
// programs.
bool TakeFolder(const std::string& folder) {
  if (!CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  const std::string lock = folder + "\\.lock";
  HANDLE handle = CreateFileA(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
  return handle != INVALID_HANDLE_VALUE;  // stays open: the lock lives with the process
}
}  // namespace

std::string InstanceTemporaryFolder() {
  static std::mutex mutex;
  static std::string folder;
  std::lock_guard<std::mutex> lock(mutex);
  // Kept for the process; claimed again should someone have removed it.
  if (!folder.empty() && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return folder;
  }
  const std::string base = GetTempPath();
  if (base.empty()) return {};
  folder = ClaimInstanceFolder(base);
  return folder;
}

std::string ClaimInstanceFolder(const std::string& base) {
  for (int n = 0; n < kMaxInstances; ++n) {
    const std::string candidate = base + "instance-" + std::to_string(n);
    if (TakeFolder(candidate)) return candidate + "\\";
  }
  SetLastError(kErrorAccessDenied);
  return {};
}

}  // namespace platform
