#include "platform/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool IsExecutableProgram(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

}  // namespace platform
