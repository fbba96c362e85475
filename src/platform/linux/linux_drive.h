// A drive of the native backend: a floppy drive, a mounted block-device
// volume, or the empty drive of a removable disk. The record (NativeVolume)
// describes the device; raw devices, the volume device and the files are
// opened from it on demand.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/drive.h"
#include "platform/image/fat_volume_files.h"
#include "platform/linux/mounted_volume_files.h"
#include "platform/linux/native_volumes.h"

namespace platform {

class LinuxDrive : public IDrive {
 public:
  explicit LinuxDrive(NativeVolume volume);

  const NativeVolume& volume() const { return volume_; }

  DriveType Type() const override { return volume_.deviceClass.type; }
  std::string DeviceName() const override { return volume_.deviceName; }
  IVolumeFiles* Files() override;
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::uint32_t OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t DeviceNumber(std::uint32_t* number) override;
  std::uint32_t OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) override;
  std::uint32_t QueryStorageProperties(StorageProperties* properties) override;
  std::string StorageDevicePath() const override { return volume_.diskNode; }
  std::string VolumeNode() const override { return volume_.volumeNode; }
  std::string DiskNode() const override { return volume_.diskNode; }
  DriveDescription Description() const override;
  std::string VolumeGuidPath() override;
  std::uint32_t OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) override;

 private:
  // Before raw writes to a volume that nothing mounts: what our engine holds
  // goes out and is forgotten, and the volume must not be mounted elsewhere.
  std::uint32_t PrepareRawWrite(const std::string& node);

  NativeVolume volume_;
  std::unique_ptr<MountedVolumeFiles> files_;
  // The files of a FAT volume that nothing mounts, through our own engine.
  std::mutex engineMutex_;
  std::shared_ptr<FatVolumeFiles> engineFiles_;
};

// The name Windows gives a file system ("FAT", "FAT32", "NTFS", ...), from
// the mount's type, udev's type and version, and the FAT type of the boot
// sector (0 when unknown).
std::string FileSystemName(const std::string& fsType, const std::string& udevFsType,
                           const std::string& udevFsVersion, int fatType);

}  // namespace platform
