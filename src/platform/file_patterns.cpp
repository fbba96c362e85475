#include "platform/file_patterns.h"

#include "base/ascii_case.h"
#include "platform/program_file.h"

namespace platform {

HostPattern HostFilePattern(std::string_view pattern) {
  if (base::EqualIgnoringAsciiCase(pattern, "*.exe")) return HostPattern{"*", true};
  if (pattern == "*.*") return HostPattern{"*", false};
  return HostPattern{std::string(pattern), false};
}

bool IsProgramFile(const std::string& path) {
  return IsExecutableProgram(path);
}

}  // namespace platform
