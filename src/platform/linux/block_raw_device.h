// A raw device on a block device node: a whole disk, a partition or a
// floppy drive.
//
// Opened unbuffered (O_DIRECT): every transfer is whole sectors at a sector
// boundary, as with an unbuffered device on Windows, and goes through an
// aligned bounce buffer when the caller's buffer is not aligned. The node is
// opened without O_EXCL (which fails while a partition of the disk is
// mounted); a second open of the same device in this process is refused by an
// in-use mark instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/raw_device.h"

namespace platform {

struct BlockDeviceTraits {
  bool floppy = false;     // geometry of a floppy disk from its size
  bool removable = false;  // RemovableMedia rather than FixedMedia
};

// kErrorAccessDenied when we may not open the node; kErrorNoMediaInDrive
// when the drive has no medium; kErrorSharingViolation when it is already
// open here. A write-protected medium opened for writing opens, and its
// writes fail with kErrorWriteProtect.
std::uint32_t OpenBlockDevice(const std::string& node, bool forWriting,
                              const BlockDeviceTraits& traits, std::unique_ptr<IRawDevice>* device);

// The geometry reported where the device has none of its own (loop devices,
// most USB readers): 255 heads of 63 sectors.
DiskGeometry SynthesizedGeometry(std::uint64_t bytes, std::uint32_t sectorSize, bool removable);

// The geometry of a floppy disk of that many bytes (1.44 MB and 720 KB media
// by their size).
DiskGeometry FloppyDiskGeometry(std::uint64_t bytes, std::uint32_t sectorSize);

}  // namespace platform
