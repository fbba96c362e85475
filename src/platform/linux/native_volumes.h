// From block devices and mounts to the volumes that get drive letters, and
// the letters they get. Pure functions, so that tests can feed them canned
// systems.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/block_device_info.h"
#include "platform/linux/mount_table.h"

namespace platform {

// One drive of the native backend: a floppy drive, a mounted volume, a FAT
// volume that nothing mounts (its files go through our own FAT engine on the
// device), or an empty drive of a removable disk (a card reader without a
// card).
struct NativeVolume {
  std::string name;        // "sdb1", "fd0": the letters follow this order
  std::string volumeNode;  // "/dev/sdb1": what the files and the volume device read
  std::string diskNode;    // "/dev/sdb": what the physical disk opens
  std::uint32_t diskNumber = 0;
  std::uint32_t volumeNumber = 0;
  std::string deviceName;  // "\Device\Floppy0", "\Device\HarddiskVolume3", "\Device\CdRom0"
  DeviceClass deviceClass;
  std::uint64_t volumeOffset = 0;  // bytes from the start of the disk
  std::uint64_t volumeLength = 0;
  std::string mountPoint;   // empty when not mounted
  std::string mountRoot;    // the folder of the file system at the mount point, "/" mostly
  std::string fsType;       // as mountinfo names it
  std::string label;        // udev's view of the file system, where it has one
  std::string fsVersion;    // "FAT16", "FAT32", ...
  std::string product;      // the disk's vendor and model, as the user knows the reader
  std::string backingFile;  // a loop device's file
  // Not mounted, and udev sees a FAT file system on it.
  bool unmountedFat = false;

  bool operator==(const NativeVolume&) const;
};

// Numbers that stay with a disk or a volume for the life of the process.
class DeviceNumbering {
 public:
  // Disks count from 0 ("\\.\PhysicalDrive0"); volumes from 1.
  std::uint32_t DiskNumber(const std::string& key);
  std::uint32_t VolumeNumber(const std::string& key);
  // Floppy drives that are not fd<n> (USB floppy drives) count from 2.
  std::uint32_t FloppyNumber(const std::string& key);

 private:
  std::mutex mutex_;
  std::map<std::string, std::uint32_t> disks_;
  std::map<std::string, std::uint32_t> volumes_;
  std::map<std::string, std::uint32_t> floppies_;
};

// Each device's mount, by device name. A mount belongs to the device of its
// device numbers, else to the device whose node in devFolder ("/dev/sdb1") is
// its source; of several mounts of one device (bind mounts) the first of the
// whole file system wins. The entries point into `mounts`.
std::map<std::string, const MountEntry*> MatchMounts(
    const std::vector<BlockDeviceSnapshot>& devices, const std::vector<MountEntry>& mounts,
    const std::string& devFolder);

// The drives made of the devices and their mounts (MatchMounts), in
// device-name order: mounted volumes, FAT volumes nothing mounts, floppy
// drives, and removable drives without a medium.
std::vector<NativeVolume> BuildNativeVolumes(
    const std::vector<BlockDeviceSnapshot>& devices,
    const std::map<std::string, const MountEntry*>& mountOf, const std::string& devFolder,
    DeviceNumbering& numbering);

// The drives of a system, in device-name order: MatchMounts, then
// BuildNativeVolumes.
std::vector<NativeVolume> FindNativeVolumes(const std::vector<BlockDeviceSnapshot>& devices,
                                            const std::vector<MountEntry>& mounts,
                                            const std::string& devFolder,
                                            DeviceNumbering& numbering);

// A drive that wants a letter, by its volume node.
struct LetterRequest {
  std::string key;
  bool floppy = false;
};

struct LetterPlan {
  std::vector<char> detach;                          // native letters whose device is gone
  std::vector<std::pair<char, std::string>> attach;  // new letters for new drives
  std::vector<std::string> unplaced;                 // no letter was free
};

// Floppy drives take A: and B:, other drives the free letters from C: in the
// order given; a letter keeps its drive while the drive is present.
// `current` holds the letters of the native drives, `takenByOthers` the bits
// of letters held by anything else (image drives).
LetterPlan PlanLetters(const std::map<char, std::string>& current, std::uint32_t takenByOthers,
                       const std::vector<LetterRequest>& found);

}  // namespace platform
