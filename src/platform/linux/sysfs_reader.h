// Reads the block devices from sysfs and udev's database, and the mounts
// from mountinfo. The folders are parameters, so that tests can point them at
// a made-up tree.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/block_device_info.h"
#include "platform/linux/mount_table.h"

namespace platform {

struct NativePaths {
  std::string sysBlock = "/sys/block";
  std::string dev = "/dev";
  std::string udevData = "/run/udev/data";
  std::string mountInfo = "/proc/self/mountinfo";
  std::string proc = "/proc";
};

// Every disk under sysBlock, each followed by its partitions.
std::vector<BlockDeviceSnapshot> ReadBlockDevices(const NativePaths& paths);

// The mounts. A fusefat mount gets the device its process was started on as
// its source, with that device's numbers when it is a block device.
std::vector<MountEntry> ReadMounts(const NativePaths& paths);
// The part of ReadMounts that gives fusefat mounts their device.
void ResolveFusefatSources(const NativePaths& paths, std::vector<MountEntry>* mounts);

// A running fusefat process: the device (or image file) it serves and its
// mount point, both as real paths. A process that has ended but was not yet
// reaped shows no arguments and is not listed.
struct FusefatProcess {
  long pid = 0;
  FusefatMount mount;
};
std::vector<FusefatProcess> ReadFusefatProcesses(const NativePaths& paths);

// The whole content of a small text file; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string* text);

}  // namespace platform
