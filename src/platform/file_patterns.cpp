#include "platform/file_patterns.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

namespace platform {
namespace {
bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}
}  // namespace

HostPattern HostFilePattern(std::string_view pattern) {
  if (SameNoCase(pattern, "*.exe")) return HostPattern{"*", true};
  if (pattern == "*.*") return HostPattern{"*", false};
  return HostPattern{std::string(pattern), false};
}

bool IsProgramFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace platform
