// The text tables of the result-code families: each family keeps its codes'
// English and German texts in rows, and one lookup serves them all.
#pragma once

#include <span>
#include <string>

struct CodeText {
  int code;
  const char* english;
  const char* german;
};

// The text of `code` in the current language. A code without a row reads
// `unknownEnglish` or `unknownGerman`, with the code in place of their "%d".
std::string LookupCodeText(std::span<const CodeText> table, int code, const char* unknownEnglish,
                           const char* unknownGerman);
