#include "container/sector_crc.h"

#include <array>

namespace {

constexpr std::uint16_t kPolynomial = 0x1021;

// tables[k][b]: the CRC (from 0) of byte b followed by k zero bytes. Eight
// tables let the loop take eight bytes per step; a slot block runs the CRC
// over its whole image, so this is the hot loop of building one.
using CrcTables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr CrcTables MakeTables() {
  CrcTables tables{};
  for (unsigned b = 0; b < 256; ++b) {
    auto crc = static_cast<std::uint16_t>(b << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ kPolynomial : crc << 1);
    }
    tables[0][b] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k) {
    for (unsigned b = 0; b < 256; ++b) {
      const std::uint16_t prev = tables[k - 1][b];
      tables[k][b] = static_cast<std::uint16_t>((prev << 8) ^ tables[0][prev >> 8]);
    }
  }
  return tables;
}

constexpr CrcTables kTables = MakeTables();

inline std::uint16_t Step(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>((crc << 8) ^ kTables[0][((crc >> 8) ^ byte) & 0xFF]);
}

}  // namespace

std::uint16_t ComputeSectorCrc(std::uint16_t initial, const std::uint8_t* bytes,
                               std::size_t length) {
  std::uint16_t crc = initial;
  while (length >= 8) {
    // The CRC register folds into the first two bytes; each byte then
    // contributes its table value for the number of bytes that follow it.
    const auto b0 = static_cast<std::uint8_t>(bytes[0] ^ (crc >> 8));
    const auto b1 = static_cast<std::uint8_t>(bytes[1] ^ (crc & 0xFF));
    crc = static_cast<std::uint16_t>(
        kTables[7][b0] ^ kTables[6][b1] ^ kTables[5][bytes[2]] ^ kTables[4][bytes[3]] ^
        kTables[3][bytes[4]] ^ kTables[2][bytes[5]] ^ kTables[1][bytes[6]] ^ kTables[0][bytes[7]]);
    bytes += 8;
    length -= 8;
  }
  while (length-- > 0) crc = Step(crc, *bytes++);
  return crc;
}
