// Drives by their device nodes. Letters follow the order of the devices and
// shift as devices come and go; a node ("/dev/sdb", "/dev/sdb1", or a link to
// one such as /dev/disk/by-id/...) names the same device for as long as it is
// there.
#pragma once

#include <string>
#include <vector>

namespace platform {

// True when the path (after links) is a block device.
bool IsBlockDeviceNode(const std::string& path);

// The letters of the drives on a block device: the drive whose volume it is;
// for a whole disk without a drive of its own, every drive on that disk.
// Empty when no drive lies on it (or the path is no block device).
std::vector<char> DrivesOnDeviceNode(const std::string& path);

}  // namespace platform
