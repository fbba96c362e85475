#include "driveaccess/product_name.h"

#include <cstddef>

namespace {
bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view word) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[at + i]) != AsciiLower(word[i])) return false;
  }
  return true;
}
}  // namespace

bool ContainsWholeWord(std::string_view text, std::string_view word) {
  if (word.empty() || word.size() > text.size()) return false;
  for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
    if (!MatchesAt(text, at, word)) continue;
    const bool clearBefore = at == 0 || !IsAsciiAlnum(text[at - 1]);
    const std::size_t end = at + word.size();
    const bool clearAfter = end == text.size() || !IsAsciiAlnum(text[end]);
    if (clearBefore && clearAfter) return true;
  }
  return false;
}

bool IsCompactFlashProductName(std::string_view productName) {
  return ContainsWholeWord(productName, "CFC") || ContainsWholeWord(productName, "CF") ||
         ContainsWholeWord(productName, "CompactFlash");
}
