// The desktop's own record of the program that opens container files
// (*.dfp), kept by the OS backend; on Linux, the XDG files of
// platform/linux/desktop_association.h.
#pragma once

#include <string>

namespace platform {

// Makes the desktop open container files with the program at programPath.
// True when every record holds what it should; running it again changes
// nothing.
bool RegisterContainerFileType(const std::string& programPath);

}  // namespace platform
