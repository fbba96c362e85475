// Hex dump lines: the offset, up to 16 bytes in hexadecimal and the same
// bytes as characters, as the sector viewer and the command-line tool show
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kHexBytesPerLine = 16;

// "00000000  EB 3C 90 ...  .<.MSDOS5.0" with the offset in at least
// `offsetDigits` hex digits. A short last line keeps the character column in
// place. Bytes 0x20 to 0x7E show as themselves, all others as '.'.
std::string FormatHexLine(std::uint64_t offset, const std::uint8_t* bytes, std::size_t count,
                          int offsetDigits = 8);

// The number of hex digits that every offset up to `lastOffset` fits in, at
// least 8, so that all lines of one dump line up.
int HexOffsetDigits(std::uint64_t lastOffset);
