#include "services/file_dialog_filter.h"

#include <algorithm>

#include "platform/file_patterns.h"

namespace {
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}
}  // namespace

std::vector<FileDialogFilter> ParseFileDialogFilter(std::string_view filter) {
  std::vector<FileDialogFilter> filters;
  const std::vector<std::string_view> fields = Split(filter, '|');
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    // The first empty field ends the list, as "||" does at its end.
    if (fields[i].empty() || fields[i + 1].empty()) break;
    FileDialogFilter entry;
    entry.label = std::string(fields[i]);
    for (std::string_view pattern : Split(fields[i + 1], ';')) {
      if (pattern.empty()) continue;
      const platform::HostPattern host = platform::HostFilePattern(pattern);
      entry.programsOnly = entry.programsOnly || host.programsOnly;
      if (std::find(entry.patterns.begin(), entry.patterns.end(), host.pattern) ==
          entry.patterns.end()) {
        entry.patterns.push_back(host.pattern);
      }
    }
    if (!entry.patterns.empty()) filters.push_back(std::move(entry));
  }
  return filters;
}
