// Whether another program has a card's volume mounted. Where nothing mounts
// the volume, our own FAT engine and the raw writes work on the device; a
// file system mounted meanwhile (the desktop's automount, fusefat, a loop
// device over the card) would be written around and corrupted, so every such
// write asks first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/block_device_info.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/sysfs_reader.h"

namespace platform {

// The folder where the device `name` ("sdb", "sdb1", "loop3") is mounted: the
// device itself, a partition of it, or a loop device over either (a loop
// device at a partition's offset counts for the device it reads); empty when
// none is.
std::string MountFolderOfDevice(const std::vector<BlockDeviceSnapshot>& devices,
                                const std::vector<MountEntry>& mounts, const std::string& name,
                                const std::string& devFolder);

// kErrorSuccess, or kErrorMountedElsewhere with the folder noted for its text
// when the system's mount table holds the device (MountFolderOfDevice).
[[nodiscard]] std::uint32_t CheckNotMountedElsewhere(const std::string& name,
                                                     const NativePaths& paths = NativePaths());

}  // namespace platform
