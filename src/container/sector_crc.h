// CRC-16/CCITT as floppy controllers compute it over address marks and
// sector data: polynomial 0x1021, bits most significant first, no final XOR.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kSectorCrcInitial = 0xFFFF;

// Continues a CRC over `length` bytes. A CRC over several pieces passes the
// result of one piece as `initial` of the next; a new CRC starts from
// kSectorCrcInitial. The result is stored high byte first.
std::uint16_t ComputeSectorCrc(std::uint16_t initial, const std::uint8_t* bytes,
                               std::size_t length);
