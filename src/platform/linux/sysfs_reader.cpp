#include "platform/linux/sysfs_reader.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <utility>

#include "platform/linux/udisks_bus.h"

namespace platform {
namespace {
std::string Trimmed(const std::string& path) {
  std::string text;
  if (!ReadTextFile(path, &text)) return {};
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::uint64_t ReadNumber(const std::string& path) {
  return std::strtoull(Trimmed(path).c_str(), nullptr, 10);
}

bool ReadDevNumbers(const std::string& folder, std::uint32_t* major, std::uint32_t* minor) {
  const std::string dev = Trimmed(folder + "/dev");
  const std::size_t colon = dev.find(':');
  if (colon == std::string::npos) return false;
  *major = static_cast<std::uint32_t>(std::strtoul(dev.substr(0, colon).c_str(), nullptr, 10));
  *minor = static_cast<std::uint32_t>(std::strtoul(dev.substr(colon + 1).c_str(), nullptr, 10));
  return true;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end(), DeviceNameLess);
  return names;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// connect_type of the nearest port above the device (USB hubs give it).
std::string PortConnectType(const std::string& deviceFolder) {
  std::string folder = deviceFolder;
  while (folder.size() > 1) {
    std::string type = Trimmed(folder + "/port/connect_type");
    if (!type.empty()) return type;
    const std::size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos || slash == 0) break;
    folder.erase(slash);
    if (folder.size() >= 8 && folder.compare(folder.size() - 8, 8, "/devices") == 0) break;
  }
  return {};
}

void ReadUdev(const NativePaths& paths, BlockDeviceSnapshot* device) {
  std::string text;
  if (ReadTextFile(paths.udevData + "/b" + std::to_string(device->major) + ":" +
                       std::to_string(device->minor),
                   &text)) {
    device->udev = ParseUdevData(text);
  }
}
}  // namespace

bool ReadTextFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *text = content.str();
  return true;
}

std::vector<BlockDeviceSnapshot> ReadBlockDevices(const NativePaths& paths) {
  std::vector<BlockDeviceSnapshot> devices;
  for (const std::string& name : ListFolder(paths.sysBlock)) {
    const std::string folder = paths.sysBlock + "/" + name;
    BlockDeviceSnapshot disk;
    disk.name = name;
    if (!ReadDevNumbers(folder, &disk.major, &disk.minor)) continue;
    disk.sysfsPath = RealPath(folder);
    disk.sizeSectors = ReadNumber(folder + "/size");
    disk.removable = Trimmed(folder + "/removable") == "1";
    disk.readOnly = Trimmed(folder + "/ro") == "1";
    disk.vendor = Trimmed(folder + "/device/vendor");
    disk.model = Trimmed(folder + "/device/model");
    disk.portConnectType = PortConnectType(RealPath(folder + "/device"));
    disk.loopBackingFile = Trimmed(folder + "/loop/backing_file");
    disk.loopOffset = ReadNumber(folder + "/loop/offset");
    disk.loopSizeLimit = ReadNumber(folder + "/loop/sizelimit");
    ReadUdev(paths, &disk);
    if (paths.dev == "/dev") {
      // The desktop's view joins sysfs's where UDisks2 runs: a reader the file
      // manager offers to eject is removable here too.
      const UdisksHints hints = UdisksBlockHints(paths.dev + "/" + name);
      disk.desktopRemovable =
          hints.known && !hints.hintSystem && (hints.driveRemovable || hints.hintAuto);
    }
    devices.push_back(disk);

    for (const std::string& child : ListFolder(folder)) {
      const std::string partFolder = folder + "/" + child;
      if (!IsFile(partFolder + "/partition")) continue;
      BlockDeviceSnapshot part;
      part.name = child;
      if (!ReadDevNumbers(partFolder, &part.major, &part.minor)) continue;
      part.sysfsPath = RealPath(partFolder);
      part.isPartition = true;
      part.parentName = name;
      part.partitionNumber = static_cast<std::uint32_t>(ReadNumber(partFolder + "/partition"));
      part.startSector = ReadNumber(partFolder + "/start");
      part.sizeSectors = ReadNumber(partFolder + "/size");
      part.removable = disk.removable;
      part.desktopRemovable = disk.desktopRemovable;
      part.readOnly = Trimmed(partFolder + "/ro") == "1";
      ReadUdev(paths, &part);
      devices.push_back(part);
    }
  }
  return devices;
}

std::vector<MountEntry> ReadMounts(const NativePaths& paths) {
  std::string text;
  if (!ReadTextFile(paths.mountInfo, &text)) return {};
  std::vector<MountEntry> mounts = ParseMountInfo(text);
  ResolveFuseServedSources(paths, &mounts);
  return mounts;
}

void ResolveFuseServedSources(const NativePaths& paths, std::vector<MountEntry>* mounts) {
  if (std::none_of(mounts->begin(), mounts->end(), IsServedInUserSpace)) return;

  // The devices of the running servers, by their type and mount point.
  std::map<std::pair<std::string, std::string>, std::string> deviceOf;
  for (const FuseServerProcess& process : ReadFuseServerProcesses(paths)) {
    deviceOf[{process.fsType, process.mount.mountPoint}] = process.mount.device;
  }
  for (MountEntry& mount : *mounts) {
    if (!IsServedInUserSpace(mount)) continue;
    const auto it = deviceOf.find({mount.fsType, mount.mountPoint});
    if (it == deviceOf.end()) {
      // fusefat's source never named a device; ours names the image even
      // when nothing serves it any more.
      if (mount.fsType == kFatfsFileSystemType) mount.source.clear();
      continue;
    }
    mount.source = it->second;
    struct stat st {};
    if (stat(mount.source.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
      mount.major = major(st.st_rdev);
      mount.minor = minor(st.st_rdev);
    }
  }
}

std::vector<FuseServerProcess> ReadFuseServerProcesses(const NativePaths& paths) {
  std::vector<FuseServerProcess> processes;
  for (const std::string& pid : ListFolder(paths.proc)) {
    if (!std::all_of(pid.begin(), pid.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      continue;
    }
    std::string raw;
    if (!ReadTextFile(paths.proc + "/" + pid + "/cmdline", &raw)) continue;
    const std::vector<std::string> args = SplitCommandLine(raw);
    std::string fsType = kFusefatFileSystemType;
    std::optional<FuseServedMount> found = FusefatMountFromArgs(args);
    if (!found) {
      fsType = kFatfsFileSystemType;
      found = FatfsMountFromArgs(args);
    }
    if (!found) continue;
    processes.push_back(
        FuseServerProcess{std::strtol(pid.c_str(), nullptr, 10), fsType,
                          FuseServedMount{RealPath(found->device), RealPath(found->mountPoint)}});
  }
  return processes;
}

}  // namespace platform
