// Whether a file is a program that the system runs by itself, as opposed to
// a document that the desktop opens with the application of its kind.
#pragma once

#include <string>

namespace platform {

// True for a program the user may start as a process of its own (on Linux:
// a regular file, or a link to one, that the user may execute).
bool IsExecutableProgram(const std::string& path);

}  // namespace platform
