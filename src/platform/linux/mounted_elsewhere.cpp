#include "platform/linux/mounted_elsewhere.h"

#include <map>
#include <set>

#include "platform/errors.h"
#include "platform/linux/native_volumes.h"

namespace platform {

std::string MountFolderOfDevice(const std::vector<BlockDeviceSnapshot>& devices,
                                const std::vector<MountEntry>& mounts, const std::string& name,
                                const std::string& devFolder) {
  std::set<std::string> ours;
  std::set<std::string> ourNodes;
  for (const BlockDeviceSnapshot& d : devices) {
    if (d.name == name || d.parentName == name) {
      ours.insert(d.name);
      ourNodes.insert(devFolder + "/" + d.name);
    }
  }
  for (const BlockDeviceSnapshot& d : devices) {
    if (!d.loopBackingFile.empty() && ourNodes.count(d.loopBackingFile) != 0) ours.insert(d.name);
  }
  const std::map<std::string, const MountEntry*> mountOf = MatchMounts(devices, mounts, devFolder);
  for (const std::string& device : ours) {
    const auto it = mountOf.find(device);
    if (it != mountOf.end()) return it->second->mountPoint;
  }
  return {};
}

std::uint32_t CheckNotMountedElsewhere(const std::string& name, const NativePaths& paths) {
  const std::string folder =
      MountFolderOfDevice(ReadBlockDevices(paths), ReadMounts(paths), name, paths.dev);
  if (folder.empty()) return kErrorSuccess;
  NoteMountedElsewhere(folder);
  return kErrorMountedElsewhere;
}

}  // namespace platform
