// The MBR partition table and the search for a card's FAT volume.
#pragma once

#include <array>
#include <cstdint>

#include "fat/sector_device.h"

namespace fat {

struct MbrPartition {
  std::uint8_t bootFlag = 0;  // 0x80 active, 0x00 not
  std::uint8_t type = 0;      // 0 = unused entry
  std::uint32_t lbaStart = 0;
  std::uint32_t sectorCount = 0;
  bool used() const { return type != 0 && sectorCount != 0; }
};

struct MbrInfo {
  // Sector 0 ends with 0x55AA and every entry is plausible: boot flag 0x00 or
  // 0x80, used entries start after sector 0 and do not overlap.
  bool valid = false;
  std::array<MbrPartition, 4> partitions{};
};

// Parses a sector 0 (pure; the first 512 bytes).
MbrInfo ParseMbr(const std::uint8_t* sector);
// Reads and parses sector 0 of the disk; a read failure gives an invalid table.
MbrInfo ReadMbr(ISectorDevice& disk);

// True for the partition types that hold an extended partition table.
bool IsExtendedPartitionType(std::uint8_t type);

// Finds the card's FAT volume: the whole disk when sector 0 is itself a FAT
// boot sector ("bare volume"), else the first partition whose first sector is
// one. Gives the range in disk sectors.
bool FindFatVolume(ISectorDevice& disk, std::uint64_t* startSector, std::uint64_t* sectorCount,
                   Status* status);

// Writes an MBR of one partition into `sector` (512 bytes, zeroed first),
// with CHS values for 255 heads and 63 sectors per track.
void BuildMbr(std::uint8_t* sector, std::uint8_t type, std::uint32_t lbaStart,
              std::uint32_t sectorCount, std::uint32_t diskSignature, bool active);

}  // namespace fat
