// What sysfs and udev tell about a block device, and the drive class made
// from it. Reading the system fills a BlockDeviceSnapshot (sysfs_reader.h);
// everything here is a pure function of the snapshot, so that tests can feed
// canned devices.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/drive.h"
#include "platform/raw_device.h"

namespace platform {

struct BlockDeviceSnapshot {
  std::string name;  // "sdb", "sdb1", "fd0", "loop3", "sr0"
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  // The device's own folder under /sys/devices (links resolved): it runs
  // through "usb<n>" for a device behind USB.
  std::string sysfsPath;
  bool isPartition = false;
  std::string parentName;  // the whole disk of a partition
  std::uint32_t partitionNumber = 0;
  std::uint64_t startSector = 0;  // 512-byte units from the start of the disk
  std::uint64_t sizeSectors = 0;  // 512-byte units; 0 for a drive without a medium
  bool removable = false;         // the whole disk's "removable" attribute
  // UDisks2 calls the disk removable (no system disk; its drive removable or
  // automounted), where it runs.
  bool desktopRemovable = false;
  bool readOnly = false;
  std::string vendor;  // device/vendor and device/model, blanks kept
  std::string model;
  // "hotplug", "hardwired", ...: connect_type of the port the device hangs
  // on, where the bus tells it.
  std::string portConnectType;
  // Loop devices: the file behind them and the window into it.
  std::string loopBackingFile;
  std::uint64_t loopOffset = 0;
  std::uint64_t loopSizeLimit = 0;
  // udev's properties of the device (ID_MODEL, ID_BUS, ID_DRIVE_FLOPPY, ...).
  std::map<std::string, std::string> udev;

  std::string Udev(const std::string& key) const {
    const auto it = udev.find(key);
    return it == udev.end() ? std::string() : it->second;
  }
};

struct DeviceClass {
  DriveType type = DriveType::kFixed;
  bool floppy = false;
  bool cdrom = false;
  bool hasMedium = true;
  StorageProperties storage;
};

// The reader's name as the user knows it: the disk's vendor and model
// ("Generic CF Card Reader"), blanks trimmed; udev's model where sysfs has none.
std::string ReaderNameOf(const BlockDeviceSnapshot& disk);

// Classifies a whole disk.
DeviceClass ClassifyBlockDevice(const BlockDeviceSnapshot& disk);

// The "E:" properties of a udev database entry (/run/udev/data/b<major>:<minor>).
std::map<std::string, std::string> ParseUdevData(const std::string& text);

// Resolves udev's "\x20" escapes (ID_MODEL_ENC, ID_FS_LABEL_ENC).
std::string DecodeUdevString(const std::string& encoded);

// True when a folder of the path is a USB bus ("usb1", "usb2", ...).
bool PathRunsThroughUsb(const std::string& sysfsPath);

// Compares device names with their numbers by value ("loop2" < "loop10").
bool DeviceNameLess(const std::string& a, const std::string& b);

}  // namespace platform
