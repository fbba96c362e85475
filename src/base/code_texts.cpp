#include "base/code_texts.h"

#include "base/current_language.h"

std::string LookupCodeText(std::span<const CodeText> table, int code, const char* unknownEnglish,
                           const char* unknownGerman) {
  for (const CodeText& row : table) {
    if (row.code == code) return Localized(row.english, row.german);
  }
  std::string text = Localized(unknownEnglish, unknownGerman);
  const std::size_t at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(code));
  return text;
}
