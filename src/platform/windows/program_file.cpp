#include "platform/program_file.h"

#include "platform/windows/win32.h"

namespace platform {

// A file the system would start: what GetBinaryTypeA recognizes as a
// program (.exe and .com of every kind).
bool IsExecutableProgram(const std::string& path) {
  DWORD type = 0;
  return !path.empty() && GetBinaryTypeA(path.c_str(), &type) != 0;
}

}  // namespace platform
