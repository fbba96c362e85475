// File-name patterns of the file dialogs as this system reads them. The
// program's filters name Windows patterns: "*.exe" for programs, "*.*" for
// all files. Here programs carry no extension, and "*.*" would hide every name
// without a dot.
#pragma once

#include <string>
#include <string_view>

namespace platform {

struct HostPattern {
  std::string pattern;        // what the names are matched against
  bool programsOnly = false;  // show only files the user can run (and folders)
};

// "*.exe" becomes every name with programsOnly, "*.*" every name; any other
// pattern stays as it is.
HostPattern HostFilePattern(std::string_view pattern);

// True for a regular file the user may execute.
bool IsProgramFile(const std::string& path);

}  // namespace platform
