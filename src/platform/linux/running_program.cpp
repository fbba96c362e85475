#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/process.h"

namespace platform {

std::string RunningProgramPath() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) {
    SetLastError(n < 0 ? ErrorFromErrno(errno) : kErrorInsufficientBuffer);
    return {};
  }
  path.resize(static_cast<std::size_t>(n));
  return path;
}

}  // namespace platform
