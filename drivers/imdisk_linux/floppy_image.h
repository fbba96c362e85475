// The floppy image the driver is asked to mount: whether it holds a FAT volume
// that lies whole in the file, and the disk geometry the driver reports for it.
#pragma once

#include <cstdint>
#include <string>

#include "virtualdrive/virtual_disk.h"

namespace linux_driver {

// Windows media types of the usual floppy formats, and of any other
// removable medium.
inline constexpr std::uint32_t kMediaF5_1Pt2 = 1;
inline constexpr std::uint32_t kMediaF3_1Pt44 = 2;
inline constexpr std::uint32_t kMediaF3_2Pt88 = 3;
inline constexpr std::uint32_t kMediaF3_720 = 5;
inline constexpr std::uint32_t kMediaF5_360 = 6;
inline constexpr std::uint32_t kMediaRemovable = 11;

// The geometry of an image of `size` bytes: the usual floppy formats by their
// size, any other from its boot sector's sectors per track and heads.
VirtualDiskGeometry FloppyGeometry(std::uint64_t size, std::uint32_t bytesPerSector,
                                   std::uint32_t sectorsPerTrack, std::uint32_t heads);

// Checks that the first sector of `bootSector` (at least 512 bytes) starts a
// FAT volume that fits an image of `size` bytes, and gives its geometry.
// False names the reason in *why.
bool DescribeFloppyImage(const std::uint8_t* bootSector, std::uint64_t size,
                         VirtualDiskGeometry* geometry, std::string* why);

// Reads the image file's boot sector and describes it. 0, or an error code
// (kErrorUnrecognizedMedia when the file holds no FAT volume that fits it).
std::uint32_t ReadFloppyImage(const std::string& path, VirtualDiskGeometry* geometry);

}  // namespace linux_driver
