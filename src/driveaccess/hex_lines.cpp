#include "driveaccess/hex_lines.h"

#include <cinttypes>
#include <cstdio>

std::string FormatHexLine(std::uint64_t offset, const std::uint8_t* bytes, std::size_t count,
                          int offsetDigits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (count > kHexBytesPerLine) count = kHexBytesPerLine;
  char head[24];
  std::snprintf(head, sizeof head, "%0*" PRIX64 " ", offsetDigits, offset);
  std::string line(head);
  line.reserve(line.size() + 3 * kHexBytesPerLine + 2 + kHexBytesPerLine);
  for (std::size_t i = 0; i < kHexBytesPerLine; ++i) {
    if (i < count) {
      line += ' ';
      line += kDigits[bytes[i] >> 4];
      line += kDigits[bytes[i] & 0x0F];
    } else {
      line += "   ";
    }
  }
  line += "  ";
  for (std::size_t i = 0; i < count; ++i) {
    line += (bytes[i] >= 0x20 && bytes[i] < 0x7F) ? static_cast<char>(bytes[i]) : '.';
  }
  return line;
}

int HexOffsetDigits(std::uint64_t lastOffset) {
  int digits = 1;
  while (lastOffset >>= 4) ++digits;
  return digits < 8 ? 8 : digits;
}
