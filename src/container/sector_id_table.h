// The table of sector identifiers behind each slot's image: for every track
// side one 512-byte entry with a 16-byte record per sector, as the floppy
// controller would see the sector's ID and data fields on the medium.
#pragma once

#include <cstddef>
#include <cstdint>

// Offsets inside one 16-byte record.
inline constexpr std::size_t kSectorIdCylinderOffset = 0;
inline constexpr std::size_t kSectorIdHeadOffset = 1;
inline constexpr std::size_t kSectorIdSectorOffset = 2;
inline constexpr std::size_t kSectorIdSizeCodeOffset = 3;
inline constexpr std::size_t kSectorIdIdCrcOffset = 4;     // high byte first
inline constexpr std::size_t kSectorIdDataMarkOffset = 6;  // A1 A1 A1 FB
inline constexpr std::size_t kSectorIdDataCrcOffset = 10;  // high byte first
inline constexpr std::uint8_t kSectorSizeCode512 = 2;

// Fills the records of all 160 entries of `table` (kSectorIdTableSize bytes)
// from `image` of the kind; bytes of an entry behind its records are left as
// they are. Fails with the raw-access "wrong image size" code, touching
// nothing, when the table or the image is shorter than the kind needs.
[[nodiscard]] int BuildSectorIdTable(std::uint8_t* table, std::size_t tableSize,
                                     const std::uint8_t* image, std::size_t imageSize,
                                     bool highDensity);
