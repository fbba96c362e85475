// The layout of a FAT volume, read from its boot sector, and the names of
// the volume behind a drive letter.
#pragma once

#include <cstdint>
#include <string>

// File system kinds of a volume layout.
inline constexpr std::uint32_t VOLUME_KIND_UNKNOWN = 0;
inline constexpr std::uint32_t VOLUME_KIND_NTFS = 1;
inline constexpr std::uint32_t VOLUME_KIND_FAT32 = 2;
inline constexpr std::uint32_t VOLUME_KIND_FAT16 = 3;
inline constexpr std::uint32_t VOLUME_KIND_FAT12 = 4;

// Counts are in sectors unless said otherwise.
struct VolumeLayout {
  std::uint32_t fileSystemKind = VOLUME_KIND_UNKNOWN;
  std::uint64_t bytesPerSector = 0;
  std::uint64_t sectorsPerCluster = 0;
  std::uint64_t totalSectors = 0;
  std::uint64_t rootDirectorySectors = 0;
  std::uint64_t firstDataSector = 0;  // counted from the start of the physical disk
  std::uint64_t dataSectors = 0;
  std::uint64_t clusterCount = 0;
  std::uint64_t fatSize = 0;
  std::uint64_t hiddenSectors = 0;  // sectors before the volume on the disk
};

struct VolumeNames {
  char driveLetter = '\0';
  std::string physicalDriveName;  // "\\.\PhysicalDrive<n>" or empty
  std::string volumePath;         // "\\?\Volume{...}\" or empty
};

// Checks a volume's first 512 bytes as a FAT boot sector and derives the
// layout from it. False for anything that is not a usable FAT layout.
[[nodiscard]] bool ParseFatBootSector(const std::uint8_t* sector, VolumeLayout& out);

// True only when the drive's volume is FAT and its boot sector was read and
// parsed. On false, GetLastError() tells whether opening the volume was
// refused (kErrorAccessDenied: no rights for raw access).
[[nodiscard]] bool ReadVolumeLayout(char driveLetter, VolumeLayout& out);

// True when at least one of the two names is known.
[[nodiscard]] bool GetVolumeNames(char driveLetter, VolumeNames& out);

// The volume path of "X:\" ("\\?\Volume{...}\"), or empty.
std::string GetVolumeGuidPath(char driveLetter);
