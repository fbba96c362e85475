// The FAT boot sector: validation as a checklist and the normalised geometry
// that the rest of the engine works from.
#pragma once

#include <cstdint>
#include <string>

#include "fat/status.h"

namespace fat {

// Below 4085 clusters a volume is FAT12, below 65525 FAT16, else FAT32.
inline constexpr std::uint32_t kMaxFat12Clusters = 4084;
inline constexpr std::uint32_t kMaxFat16Clusters = 65524;

struct Geometry {
  std::uint32_t bytesPerSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t reservedSectors = 0;
  std::uint32_t fatCount = 0;
  std::uint32_t fatSectors = 0;      // sectors of one FAT
  std::uint32_t rootEntries = 0;     // 0 on FAT32
  std::uint32_t rootDirSectors = 0;  // 0 on FAT32
  std::uint32_t totalSectors = 0;
  std::uint32_t hiddenSectors = 0;     // sectors before the volume on its disk
  std::uint32_t fatStart = 0;          // volume sectors
  std::uint32_t rootStart = 0;         // fixed root (FAT12/16); equals dataStart on FAT32
  std::uint32_t dataStart = 0;         // sector of cluster 2
  std::uint32_t clusterCount = 0;      // clusters 2 ... clusterCount + 1 exist
  int fatType = 0;                     // 12, 16 or 32, from the cluster count
  std::uint32_t rootCluster = 0;       // FAT32 only
  std::uint32_t fsInfoSector = 0;      // FAT32 only; 0 when there is none
  std::uint32_t backupBootSector = 0;  // FAT32 only; 0 when there is none
  std::uint8_t mediaByte = 0;
  std::uint32_t serial = 0;
  std::string label;  // boot sector label, trailing blanks removed; empty without one

  std::uint32_t ClusterBytes() const { return bytesPerSector * sectorsPerCluster; }
  std::uint32_t MaxCluster() const { return clusterCount + 1; }
  std::uint64_t ClusterSector(std::uint32_t cluster) const {
    return dataStart + static_cast<std::uint64_t>(cluster - 2) * sectorsPerCluster;
  }
  // Offset of the 11-byte label field in the boot sector.
  std::uint32_t LabelOffset() const { return fatType == 32 ? 71 : 43; }
};

// Checks a boot sector (its first 512 bytes) and derives the geometry. A
// failed check gives kNotFat naming the rule ("only 1 or 2 FATs are
// supported"); a volume that does not fit a device of `deviceSectors`
// sectors of the volume's own size gives kCorrupt. deviceSectors 0 skips
// that check.
bool ParseBootSector(const std::uint8_t* sector, std::uint64_t deviceSectors, Geometry* geometry,
                     Status* status);

// True for an NTFS boot sector: "NTFS    " at offset 3, and the fields only
// FAT uses left zero.
bool IsNtfsBootSector(const std::uint8_t* sector);

}  // namespace fat
