// Drives by their device nodes. Letters follow the order of the devices and
// shift as devices come and go; a node ("/dev/sdb", "/dev/sdb1", or a link to
// one such as /dev/disk/by-id/...) names the same device for as long as it is
// there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drive_images.h"

namespace platform {

// True when the path (after links) is a block device.
bool IsBlockDeviceNode(const std::string& path);

// The letters of the drives on a block device: the drive whose volume it is;
// for a whole disk without a drive of its own, every drive on that disk.
// Empty when no drive lies on it (or the path is no block device).
std::vector<char> DrivesOnDeviceNode(const std::string& path);

// A block device that no drive lies on (a card whose volume is not mounted)
// attached for the run as a card image is, at the first free letter from D:,
// its volume read and written by our own FAT engine; the device is held
// exclusively, so nothing mounts it meanwhile. *removable tells whether the
// host calls the disk removable (a card reader) rather than fixed. The letter,
// or 0 with the code in *error (kErrorAccessDenied: no rights to open it).
char AttachUnmountedDevice(const std::string& node, const ImageDriveOptions& options,
                           bool* removable, std::uint32_t* error);

}  // namespace platform
