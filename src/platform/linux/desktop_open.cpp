#include "platform/errors.h"
#include "platform/process.h"

namespace platform {

// The freedesktop opener picks the application of the file's type.
bool OpenWithDesktop(const std::string& target) {
  if (FindProgram("xdg-open").empty()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  return RunProgram({"xdg-open", target}, false);
}

}  // namespace platform
