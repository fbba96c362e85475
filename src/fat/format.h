// Making new FAT volumes: hard-disk style volumes with mkfs.fat-like cluster
// sizes, floppy volumes of the two standard sizes, and whole card images.
#pragma once

#include <cstdint>
#include <string>

#include "fat/boot_sector.h"
#include "fat/sector_device.h"

namespace fat {

struct FormatOptions {
  int fatType = 0;                      // 12, 16 or 32; 0 = FAT16 below 512 MiB, else FAT32
  std::uint32_t sectorsPerCluster = 0;  // 0 = automatic
  std::string label = "NO NAME";        // "NO NAME" or empty: no label
  std::uint32_t serial = 0;
  std::uint32_t hiddenSectors = 0;  // sectors before the volume on its disk
  std::uint8_t mediaByte = 0xF8;
  std::uint32_t rootEntries = 0;      // FAT12/16; 0 = 512
  std::uint32_t reservedSectors = 0;  // 0 = 1 (FAT12/16) or 32 (FAT32), before alignment
  std::uint32_t fatCount = 2;
  std::uint16_t sectorsPerTrack = 63;
  std::uint16_t heads = 255;
  std::uint8_t driveNumber = 0x80;
  // Pads the reserved area so that the data area starts on a cluster boundary.
  bool alignData = true;
};

// The layout FormatVolume() would write on a volume of `sectors` sectors of
// `bytesPerSector` bytes; kInvalidArgument when the FAT type cannot hold it.
Status PlanFormat(std::uint64_t sectors, std::uint32_t bytesPerSector, const FormatOptions& options,
                  Geometry* plan);

// Formats the device as one volume. Sector 0 is written last, so that an
// interrupted format leaves no valid boot sector over half-written tables.
Status FormatVolume(ISectorDevice& volumeRange, const FormatOptions& options,
                    Geometry* result = nullptr);

// 1.44 MB (2880 sectors, 224 root entries, 1 sector per cluster, media F0,
// 9 FAT sectors, 18 sectors per track) or 720 KB (1440 sectors, 112 root
// entries, 2 sectors per cluster, media F9, 3 FAT sectors, 9 per track).
Status FormatFloppy(ISectorDevice& device, bool highDensity, const std::string& label = "NO NAME",
                    std::uint32_t serial = 0);

struct CardImageOptions {
  std::uint64_t sizeBytes = 0;
  int fatType = 0;  // 12, 16, 32; 0 = FAT16 below 512 MiB, FAT32 from there (FAT12 only when asked)
  std::uint32_t partitionStart = 2048;  // sectors before the partition
  bool bare = false;                    // no partition table: the whole image is the volume
  std::string label = "NO NAME";
  std::uint32_t serial = 0;
  std::uint32_t sectorsPerCluster = 0;  // 0 = automatic
};

// Checks the size and the partition start of a card image before anything
// is made; kInvalidArgument names what does not fit.
Status CheckCardImageOptions(const CardImageOptions& options);

// Formats a zeroed card image of options.sizeBytes on `disk`: with an MBR of
// one partition (type 0x01 FAT12, 0x04/0x06 FAT16, 0x0C FAT32) starting at
// partitionStart, or bare. The image file itself is made by the platform
// layer (platform/card_image_file.h).
Status FormatCardImage(ISectorDevice& disk, const CardImageOptions& options);

// The partition type for a FAT volume of this type and size.
std::uint8_t PartitionTypeFor(int fatType, std::uint64_t sectors);

}  // namespace fat
