// The CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, initial value
// all ones, result inverted), as zip and Ethernet compute it.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint32_t Crc32(const std::uint8_t* data, std::size_t length);
