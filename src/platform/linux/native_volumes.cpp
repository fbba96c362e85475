#include "platform/linux/native_volumes.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace platform {
namespace {
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t Allocate(std::map<std::string, std::uint32_t>& numbers, const std::string& key,
                       std::uint32_t first) {
  const auto it = numbers.find(key);
  if (it != numbers.end()) return it->second;
  const auto number = static_cast<std::uint32_t>(first + numbers.size());
  numbers.emplace(key, number);
  return number;
}

// The number after a name's prefix ("fd1" -> 1), or -1.
long NumberAfter(const std::string& name, const char* prefix) {
  const std::string p(prefix);
  if (name.rfind(p, 0) != 0 || name.size() == p.size()) return -1;
  long value = 0;
  for (std::size_t i = p.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || value > 100000) return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

std::string Format(const char* format, std::uint32_t number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  return text;
}
}  // namespace

bool NativeVolume::operator==(const NativeVolume& o) const {
  return name == o.name && volumeNode == o.volumeNode && diskNode == o.diskNode &&
         diskNumber == o.diskNumber && volumeNumber == o.volumeNumber &&
         deviceName == o.deviceName && deviceClass.type == o.deviceClass.type &&
         deviceClass.floppy == o.deviceClass.floppy && deviceClass.cdrom == o.deviceClass.cdrom &&
         deviceClass.hasMedium == o.deviceClass.hasMedium &&
         deviceClass.storage.hotplug == o.deviceClass.storage.hotplug &&
         deviceClass.storage.busType == o.deviceClass.storage.busType &&
         deviceClass.storage.productId == o.deviceClass.storage.productId &&
         volumeOffset == o.volumeOffset && volumeLength == o.volumeLength &&
         mountPoint == o.mountPoint && mountRoot == o.mountRoot && fsType == o.fsType &&
         label == o.label && fsVersion == o.fsVersion && product == o.product &&
         backingFile == o.backingFile && unmountedFat == o.unmountedFat;
}

std::uint32_t DeviceNumbering::DiskNumber(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Allocate(disks_, key, 0);
}

std::uint32_t DeviceNumbering::VolumeNumber(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Allocate(volumes_, key, 1);
}

std::uint32_t DeviceNumbering::FloppyNumber(const std::string& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return Allocate(floppies_, key, 2);
}

namespace {
const BlockDeviceSnapshot* FindByName(const std::vector<BlockDeviceSnapshot>& devices,
                                      const std::string& name) {
  for (const BlockDeviceSnapshot& d : devices) {
    if (d.name == name) return &d;
  }
  return nullptr;
}

// The whole disk behind a device: the partition's parent, or for a loop
// device that looks into a file at an offset, the loop device over the whole
// file; *offset receives where the device starts on it. Null when a
// partition's parent is missing.
const BlockDeviceSnapshot* WholeDiskOf(const BlockDeviceSnapshot& device,
                                       const std::vector<BlockDeviceSnapshot>& devices,
                                       std::uint64_t* offset) {
  *offset = 0;
  if (device.isPartition) {
    *offset = device.startSector * 512;
    return FindByName(devices, device.parentName);
  }
  if (!device.loopBackingFile.empty() && device.loopOffset != 0) {
    for (const BlockDeviceSnapshot& d : devices) {
      if (!d.isPartition && d.loopBackingFile == device.loopBackingFile && d.loopOffset == 0 &&
          d.loopSizeLimit == 0) {
        *offset = device.loopOffset;
        return &d;
      }
    }
  }
  return &device;
}

// "\Device\Floppy0", "\Device\CdRom0" or "\Device\HarddiskVolume3".
std::string DeviceNameOf(const NativeVolume& v, const BlockDeviceSnapshot& device,
                         const BlockDeviceSnapshot& disk, DeviceNumbering& numbering) {
  if (v.deviceClass.floppy) {
    const long fd = NumberAfter(device.name, "fd");
    return Format("\\Device\\Floppy%u",
                  fd >= 0 ? static_cast<std::uint32_t>(fd) : numbering.FloppyNumber(v.volumeNode));
  }
  if (v.deviceClass.cdrom) {
    const long sr = NumberAfter(disk.name, "sr");
    return Format("\\Device\\CdRom%u", sr >= 0 ? static_cast<std::uint32_t>(sr) : v.volumeNumber);
  }
  return Format("\\Device\\HarddiskVolume%u", v.volumeNumber);
}
}  // namespace

std::map<std::string, const MountEntry*> MatchMounts(
    const std::vector<BlockDeviceSnapshot>& devices, const std::vector<MountEntry>& mounts,
    const std::string& devFolder) {
  std::map<std::string, const MountEntry*> mountOf;
  for (const MountEntry& m : mounts) {
    const BlockDeviceSnapshot* device = nullptr;
    if (m.major != 0) {
      for (const BlockDeviceSnapshot& d : devices) {
        if (d.major == m.major && d.minor == m.minor) device = &d;
      }
    }
    if (device == nullptr && m.source.rfind(devFolder + "/", 0) == 0) {
      device = FindByName(devices, BaseName(m.source));
    }
    if (device == nullptr) continue;
    const MountEntry*& chosen = mountOf[device->name];
    if (chosen == nullptr || (chosen->root != "/" && m.root == "/")) chosen = &m;
  }
  return mountOf;
}

std::vector<NativeVolume> BuildNativeVolumes(
    const std::vector<BlockDeviceSnapshot>& devices,
    const std::map<std::string, const MountEntry*>& mountOf, const std::string& devFolder,
    DeviceNumbering& numbering) {
  std::vector<NativeVolume> volumes;
  for (const BlockDeviceSnapshot& device : devices) {
    std::uint64_t offset = 0;
    const BlockDeviceSnapshot* disk = WholeDiskOf(device, devices, &offset);
    if (disk == nullptr) continue;
    const DeviceClass deviceClass = ClassifyBlockDevice(*disk);
    const auto mount = mountOf.find(device.name);
    const bool mounted = mount != mountOf.end();
    const bool hasPartitions =
        std::any_of(devices.begin(), devices.end(),
                    [&](const BlockDeviceSnapshot& d) { return d.parentName == device.name; });
    // Floppy drives have their letter with or without a disk; so has a
    // removable drive without a medium (a card reader without a card).
    const bool emptyRemovable = !device.isPartition && !hasPartitions && device.removable &&
                                !deviceClass.cdrom && device.sizeSectors == 0;
    // A FAT volume that nothing mounts is a drive too: the container store
    // works on it through our own FAT engine, as on a card image.
    const bool unmountedFat = !mounted && !hasPartitions && !deviceClass.cdrom &&
                              !deviceClass.floppy && device.sizeSectors != 0 &&
                              device.Udev("ID_FS_TYPE") == "vfat";
    if (!mounted && !(deviceClass.floppy && disk == &device) && !emptyRemovable && !unmountedFat) {
      continue;
    }

    NativeVolume v;
    v.name = device.name;
    v.volumeNode = devFolder + "/" + device.name;
    v.diskNode = devFolder + "/" + disk->name;
    v.diskNumber = numbering.DiskNumber(disk->name + "@" + std::to_string(disk->major) + ":" +
                                        std::to_string(disk->minor));
    v.volumeNumber = numbering.VolumeNumber(v.volumeNode);
    v.deviceClass = deviceClass;
    v.deviceClass.hasMedium = deviceClass.hasMedium && device.sizeSectors != 0;
    v.volumeOffset = offset;
    v.volumeLength = device.sizeSectors * 512;
    v.deviceName = DeviceNameOf(v, device, *disk, numbering);
    if (mounted) {
      v.mountPoint = mount->second->mountPoint;
      v.mountRoot = mount->second->root;
      v.fsType = mount->second->fsType;
    }
    v.label = DecodeUdevString(device.Udev("ID_FS_LABEL_ENC"));
    if (v.label.empty()) v.label = device.Udev("ID_FS_LABEL");
    v.fsVersion = device.Udev("ID_FS_VERSION");
    v.product = ReaderNameOf(*disk);
    v.backingFile = disk->loopBackingFile;
    v.unmountedFat = unmountedFat;
    volumes.push_back(std::move(v));
  }
  std::stable_sort(
      volumes.begin(), volumes.end(),
      [](const NativeVolume& a, const NativeVolume& b) { return DeviceNameLess(a.name, b.name); });
  return volumes;
}

std::vector<NativeVolume> FindNativeVolumes(const std::vector<BlockDeviceSnapshot>& devices,
                                            const std::vector<MountEntry>& mounts,
                                            const std::string& devFolder,
                                            DeviceNumbering& numbering) {
  return BuildNativeVolumes(devices, MatchMounts(devices, mounts, devFolder), devFolder, numbering);
}

LetterPlan PlanLetters(const std::map<char, std::string>& current, std::uint32_t takenByOthers,
                       const std::vector<LetterRequest>& found) {
  LetterPlan plan;
  std::set<std::string> foundKeys;
  for (const LetterRequest& r : found) foundKeys.insert(r.key);
  std::uint32_t taken = takenByOthers;
  std::set<std::string> placed;
  for (const auto& [letter, key] : current) {
    if (letter < 'A' || letter > 'Z') continue;
    if (foundKeys.count(key) != 0 && placed.insert(key).second) {
      taken |= 1u << (letter - 'A');
    } else {
      plan.detach.push_back(letter);
    }
  }
  auto take = [&](char from, char to) -> char {
    for (char letter = from; letter <= to; ++letter) {
      const std::uint32_t bit = 1u << (letter - 'A');
      if ((taken & bit) == 0) {
        taken |= bit;
        return letter;
      }
    }
    return 0;
  };
  // Floppy drives first, so that a volume never takes A: or B: from them.
  for (const bool floppyPass : {true, false}) {
    for (const LetterRequest& r : found) {
      if (r.floppy != floppyPass || !placed.insert(r.key).second) continue;
      char letter = r.floppy ? take('A', 'B') : 0;
      if (letter == 0) letter = take('C', 'Z');
      if (letter != 0) {
        plan.attach.emplace_back(letter, r.key);
      } else {
        plan.unplaced.push_back(r.key);
      }
    }
  }
  return plan;
}

}  // namespace platform
