#include "base/unicode.h"

namespace platform {

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, std::uint32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t* cp) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::uint32_t value = 0;
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if (lead < 0x80) {
    value = lead, length = 1;
  } else if ((lead & 0xE0) == 0xC0) {
    value = lead & 0x1F, length = 2, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    value = lead & 0x0F, length = 3, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    value = lead & 0x07, length = 4, minimum = 0x10000;
  } else {
    return 0;
  }
  if (length > text.size() - at) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return length;
}

std::size_t DecodeUtf16(std::u16string_view text, std::size_t at, std::uint32_t* cp) {
  const std::uint32_t unit = text[at];
  if (unit < 0xD800 || unit > 0xDFFF) {
    *cp = unit;
    return 1;
  }
  if (unit > 0xDBFF || at + 1 >= text.size() || text[at + 1] < 0xDC00 || text[at + 1] > 0xDFFF) {
    return 0;
  }
  *cp = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<std::uint32_t>(text[at + 1]) - 0xDC00);
  return 2;
}

}  // namespace platform

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
