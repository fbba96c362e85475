#include "platform/install_folders.h"

#include "platform/process.h"

// Set by the install rules (cmake/Install.cmake) from the installed layout,
// such as "../lib/x86_64-linux-gnu/quillfen".
#ifndef QUILLFEN_PRIVATE_LIBRARY_FOLDER
#define QUILLFEN_PRIVATE_LIBRARY_FOLDER ""
#endif

namespace platform {

std::string GetPrivateLibraryFolder() {
  const std::string relative = QUILLFEN_PRIVATE_LIBRARY_FOLDER;
  const std::string program = GetProgramFolder();
  if (relative.empty() || program.empty()) return {};
  return program + relative + "/";
}

}  // namespace platform
