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

// The mounts. The mount of a FAT server in user space gets the device or
// image its process serves as its source, with the device's numbers when it
// is a block device; a quillfen-fatfs mount whose process is gone (killed:
// the mount stays behind without a server) gets an empty source.
std::vector<MountEntry> ReadMounts(const NativePaths& paths);
// The part of ReadMounts that gives the mounts of FAT servers in user space
// (fusefat, quillfen-fatfs) their device.
void ResolveFuseServedSources(const NativePaths& paths, std::vector<MountEntry>* mounts);

// A running fusefat or quillfen-fatfs process: the file system type of its
// mount, and the device (or image file) it serves and its mount point, both
// as real paths. A process that has ended but was not yet reaped shows no
// arguments and is not listed.
struct FuseServerProcess {
  long pid = 0;
  std::string fsType;  // kFusefatFileSystemType or kFatfsFileSystemType
  FuseServedMount mount;
};
std::vector<FuseServerProcess> ReadFuseServerProcesses(const NativePaths& paths);

// The whole content of a small text file; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string* text);

}  // namespace platform
