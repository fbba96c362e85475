#include "platform/instance_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/errors.h"
#include "platform/process.h"

namespace platform {
namespace {
constexpr int kMaxInstances = 64;

// Locks the folder (given without its trailing separator, so that a link
// in its place is seen as a link) for this process: true when it is ours now.
bool TakeFolder(const std::string& folder) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  // Only a real folder of our own that no one else may enter, never a link
  // someone put there.
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
      (st.st_mode & 0077) != 0) {
    return false;
  }
  const std::string lock = folder + "/.lock";
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  return true;  // fd stays open: the lock lives as long as the process
}
}  // namespace

std::string InstanceTemporaryFolder() {
  static std::mutex mutex;
  static std::string folder;
  std::lock_guard<std::mutex> lock(mutex);
  // Kept for the process; claimed again should someone have removed it.
  if (!folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0) return folder;
  const std::string base = GetTempPath();
  if (base.empty()) return {};
  folder = ClaimInstanceFolder(base);
  return folder;
}

std::string ClaimInstanceFolder(const std::string& base) {
  for (int n = 0; n < kMaxInstances; ++n) {
    const std::string candidate = base + "instance-" + std::to_string(n);
    if (TakeFolder(candidate)) return candidate + "/";
  }
  SetLastError(kErrorAccessDenied);
  return {};
}

}  // namespace platform
