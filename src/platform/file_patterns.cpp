#include "platform/file_patterns.h"

#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

namespace platform {
HostPattern HostFilePattern(std::string_view pattern) {
  if (::strcasecmp(std::string(pattern).c_str(), "*.exe") == 0) return HostPattern{"*", true};
  if (pattern == "*.*") return HostPattern{"*", false};
  return HostPattern{std::string(pattern), false};
}

bool IsProgramFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace platform
