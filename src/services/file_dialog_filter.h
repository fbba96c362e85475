// The filters of the program's file dialogs, written the Windows way:
// "Executable File (*.exe)|*.exe|All Files (*.*)|*.*||" (pairs of a label and
// its patterns, separated by ';', the list ended by "||").
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct FileDialogFilter {
  std::string label;                  // shown as it is written
  std::vector<std::string> patterns;  // as this system reads them
  bool programsOnly = false;          // only programs (and folders) are offered
};

// The pairs in order up to the first empty field; each pattern goes through
// platform::HostFilePattern.
std::vector<FileDialogFilter> ParseFileDialogFilter(std::string_view filter);
