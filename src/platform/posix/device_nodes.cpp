#include "platform/device_nodes.h"

#include <sys/stat.h>

#include "platform/drive.h"

namespace platform {
namespace {
// The device number of a block device node; 0 when it is none.
dev_t DeviceOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) return 0;
  return st.st_rdev;
}
}  // namespace

bool IsBlockDeviceNode(const std::string& path) {
  return DeviceOf(path) != 0;
}

std::vector<char> DrivesOnDeviceNode(const std::string& path) {
  const dev_t device = DeviceOf(path);
  std::vector<char> volumes;
  std::vector<char> onDisk;
  if (device == 0) return volumes;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::shared_ptr<IDrive> drive = FindDrive(letter);
    if (!drive) continue;
    if (DeviceOf(drive->VolumeNode()) == device) volumes.push_back(letter);
    if (DeviceOf(drive->DiskNode()) == device) onDisk.push_back(letter);
  }
  return volumes.empty() ? onDisk : volumes;
}

}  // namespace platform
