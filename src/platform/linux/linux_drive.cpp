#include "platform/linux/linux_drive.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "fat/boot_sector.h"
#include "fat/volume.h"
#include "platform/errors.h"
#include "platform/file_sector_device.h"
#include "platform/linux/block_raw_device.h"
#include "platform/linux/udisks_device_open.h"

namespace platform {
namespace {
// The volume device: the volume's node, read-only, through the page cache
// that the mounted file system shares. It knows where the volume begins on
// its disk (sysfs gives a partition's start, losetup a loop device's offset),
// whatever the boot sector's hidden sectors field says.
class NodeVolumeDevice : public IVolumeDevice {
 public:
  NodeVolumeDevice(int fd, std::uint64_t startingOffset)
      : fd_(fd), startingOffset_(startingOffset) {}
  ~NodeVolumeDevice() override { close(fd_); }

  std::uint32_t QueryNtfsVolumeData() override {
    std::uint8_t sector[512];
    if (pread(fd_, sector, sizeof sector, 0) != static_cast<ssize_t>(sizeof sector)) {
      return kErrorIoDevice;
    }
    return fat::IsNtfsBootSector(sector) ? kErrorSuccess : kErrorInvalidFunction;
  }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    *done = 0;
    ssize_t n;
    do {
      n = pread(fd_, buffer, count, static_cast<off_t>(position_));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno == ENOMEDIUM ? kErrorNoMediaInDrive : ErrorFromErrno(errno);
    if (n == 0 && count != 0) return kErrorHandleEof;
    position_ += static_cast<std::uint64_t>(n);
    *done = static_cast<std::uint32_t>(n);
    return kErrorSuccess;
  }

  std::uint32_t GetStartingOffset(std::uint64_t* bytes) override {
    *bytes = startingOffset_;
    return kErrorSuccess;
  }

 private:
  int fd_;
  std::uint64_t startingOffset_;
  std::uint64_t position_ = 0;
};

BlockDeviceTraits TraitsOf(const NativeVolume& v) {
  BlockDeviceTraits traits;
  traits.floppy = v.deviceClass.floppy;
  traits.removable = v.deviceClass.type == DriveType::kRemovable;
  return traits;
}
}  // namespace

std::string FileSystemName(const std::string& fsType, const std::string& udevFsType,
                           const std::string& udevFsVersion, int fatType) {
  if (IsFatFileSystemType(fsType) || udevFsType == "vfat") {
    if (fatType != 0) return fatType == 32 ? "FAT32" : "FAT";
    return udevFsVersion == "FAT32" ? "FAT32" : "FAT";
  }
  const std::string type = fsType == "fuseblk" && !udevFsType.empty() ? udevFsType : fsType;
  if (type == "ntfs" || type == "ntfs3" || type == "ntfs-3g" || type == "fuseblk") return "NTFS";
  if (type == "exfat") return "exFAT";
  if (type == "iso9660") return "CDFS";
  std::string upper = type;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

LinuxDrive::LinuxDrive(NativeVolume volume) : volume_(std::move(volume)) {
  if (!volume_.mountPoint.empty()) {
    files_ = std::make_unique<MountedVolumeFiles>(volume_.mountPoint, volume_.mountRoot,
                                                  volume_.volumeNode,
                                                  IsFatFileSystemType(volume_.fsType));
  }
}

IVolumeFiles* LinuxDrive::Files() {
  if (!files_) SetLastError(kErrorNotReady);
  return files_.get();
}

bool LinuxDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (!files_) {
    SetLastError(kErrorNotReady);
    return false;
  }
  std::string name = volume_.label;
  int fatType = 0;
  if (IsFatFileSystemType(volume_.fsType)) {
    // The label as Windows shows it: the root folder's label entry, else the
    // boot sector's. Without the right to read the node, udev's view stands.
    std::uint8_t sector[512];
    fat::Geometry geometry;
    fat::Status status;
    if (ReadBootSector(volume_.volumeNode, sector) == kErrorSuccess &&
        fat::ParseBootSector(sector, 0, &geometry, &status)) {
      fatType = geometry.fatType;
      std::unique_ptr<FileSectorDevice> device =
          FileSectorDevice::Open(volume_.volumeNode, false, &status);
      std::unique_ptr<fat::Volume> mounted =
          device ? fat::Volume::Mount(*device, false, &status) : nullptr;
      std::string engineLabel;
      if (mounted && mounted->GetLabel(&engineLabel).ok()) {
        name = engineLabel;
      } else {
        name = geometry.label;
      }
    }
  }
  if (label) *label = name;
  if (fileSystem) *fileSystem = FileSystemName(volume_.fsType, "", volume_.fsVersion, fatType);
  return true;
}

std::uint32_t LinuxDrive::OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  if (!volume_.deviceClass.hasMedium && !volume_.deviceClass.floppy) return kErrorNoMediaInDrive;
  return OpenBlockDevice(volume_.volumeNode, forWriting, TraitsOf(volume_), device);
}

std::uint32_t LinuxDrive::DeviceNumber(std::uint32_t* number) {
  if (volume_.deviceClass.floppy) return kErrorInvalidFunction;
  *number = volume_.diskNumber;
  return kErrorSuccess;
}

std::uint32_t LinuxDrive::OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  if (volume_.deviceClass.floppy) return kErrorInvalidFunction;
  BlockDeviceTraits traits = TraitsOf(volume_);
  return OpenBlockDevice(volume_.diskNode, forWriting, traits, device);
}

std::uint32_t LinuxDrive::QueryStorageProperties(StorageProperties* properties) {
  *properties = volume_.deviceClass.storage;
  return kErrorSuccess;
}

std::string LinuxDrive::VolumeGuidPath() {
  char path[80];
  std::snprintf(path, sizeof path, "\\\\?\\Volume{4c696e78-0000-4000-8000-%012x}\\",
                volume_.volumeNumber);
  return path;
}

std::uint32_t LinuxDrive::OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) {
  const int fd = OpenDeviceNode(volume_.volumeNode, O_RDONLY);
  if (fd < 0) return errno == ENOMEDIUM ? kErrorNoMediaInDrive : ErrorFromErrno(errno);
  *device = std::make_unique<NodeVolumeDevice>(fd, volume_.volumeOffset);
  return kErrorSuccess;
}

}  // namespace platform
