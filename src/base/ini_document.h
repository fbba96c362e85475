// An INI-style text ("[Section]" headers and "key=value" lines) that can be
// read, changed and written back with its comments and unknown lines kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniDocument {
 public:
  // Section and key names compare without regard to case when ignoreCase is
  // set (Windows profiles), exactly otherwise (desktop files).
  explicit IniDocument(bool ignoreCase) : ignoreCase_(ignoreCase) {}

  static IniDocument Parse(std::string_view text, bool ignoreCase);
  std::string ToText() const;

  // The raw value of a key (the text after the first '='), or null.
  const std::string* Find(std::string_view section, std::string_view key) const;
  // Sets a key, adding the section and the key at their ends when missing.
  // The value must not hold a line break.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes a key; false when it was not there.
  bool Remove(std::string_view section, std::string_view key);

 private:
  struct Line {
    bool isEntry = false;
    std::string key;    // entries
    std::string value;  // entries
    std::string text;   // other lines, as read
  };
  struct Section {
    std::string name;  // empty for the lines before the first header
    bool hasHeader = false;
    std::vector<Line> lines;
  };

  bool Same(std::string_view a, std::string_view b) const;
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  bool ignoreCase_;
  std::vector<Section> sections_;
};

// Values of profiles and desktop files may hold any text: backslashes, line
// breaks and tabs are written as \\, \n, \r and \t so that each entry stays on
// one line.
std::string EscapeIniValue(std::string_view value);
std::string UnescapeIniValue(std::string_view value);

}  // namespace platform
