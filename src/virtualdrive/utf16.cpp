#include "virtualdrive/utf16.h"

#include <cstdint>

#include "platform/unicode.h"

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(text, i, &cp);
    if (length == 0) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    platform::AppendUtf16(out, cp);
    i += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = platform::DecodeUtf16(text, i, &cp);
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    platform::AppendUtf8(out, cp);
    i += length;
  }
  return out;
}
