#include "base/windows1252.h"

#include "base/unicode.h"

namespace {
constexpr std::uint32_t kReplacement = 0xFFFD;

// The characters of bytes 0x80 to 0x9F; 0 for the five unassigned bytes,
// which stand for the control character of their own number.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 0x98
};

std::uint32_t CharacterOf(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const std::uint16_t mapped = kHighControls[byte - 0x80];
  return mapped != 0 ? mapped : byte;
}

// The byte of a character, or -1 when the code page has none.
int ByteOf(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    const std::uint16_t mapped = kHighControls[i];
    if (mapped == cp || (mapped == 0 && cp == static_cast<std::uint32_t>(0x80 + i))) {
      return 0x80 + i;
    }
  }
  return -1;
}
}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) platform::AppendUtf8(out, CharacterOf(static_cast<unsigned char>(c)));
  return out;
}

bool Utf8ToWindows1252(std::string_view text, std::string* out, std::uint32_t* unmapped) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t length = platform::DecodeUtf8(text, at, &cp);
    const int byte = length != 0 ? ByteOf(cp) : -1;
    if (byte < 0) {
      if (unmapped != nullptr) *unmapped = length != 0 ? cp : kReplacement;
      return false;
    }
    bytes.push_back(static_cast<char>(byte));
    at += length;
  }
  *out = std::move(bytes);
  return true;
}
