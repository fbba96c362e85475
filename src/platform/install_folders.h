// Where an installed program keeps its private files (the virtual disk
// driver's library and the FAT server beside it). The build names the folder
// relative to the program's own, so an installed tree works wherever it lies.
#pragma once

#include <string>

namespace platform {

// The folder, with a trailing slash; empty when the build names none.
std::string GetPrivateLibraryFolder();

}  // namespace platform
