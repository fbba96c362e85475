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
#include "platform/linux/mounted_elsewhere.h"
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

// Our engine's device on a volume that nothing mounts: every write first
// makes sure no other program mounted the volume meanwhile, and is refused
// (nothing written) when one did.
class UnmountedVolumeDevice : public fat::ISectorDevice {
 public:
  UnmountedVolumeDevice(std::unique_ptr<FileSectorDevice> device, std::string name)
      : device_(std::move(device)), name_(std::move(name)) {}

  std::uint32_t SectorSize() const override { return device_->SectorSize(); }
  std::uint64_t SectorCount() const override { return device_->SectorCount(); }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override {
    return device_->ReadSectors(first, count, buffer);
  }
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override {
    if (CheckNotMountedElsewhere(name_) != kErrorSuccess) {
      SetLastError(kErrorMountedElsewhere);
      return fat::Fail(fat::Error::kAccessDenied, "the volume is mounted by another program");
    }
    return device_->WriteSectors(first, count, buffer);
  }
  fat::Status Sync() override { return device_->Sync(); }

 private:
  std::unique_ptr<FileSectorDevice> device_;
  std::string name_;
};

std::string BaseName(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

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
  if (volume_.unmountedFat) {
    std::lock_guard<std::mutex> lock(engineMutex_);
    // Refused as a whole while another program has the volume mounted: what
    // our engine read would not be what that file system holds.
    if (const std::uint32_t code = CheckNotMountedElsewhere(volume_.name)) {
      engineFiles_.reset();
      SetLastError(code);
      return nullptr;
    }
    if (engineFiles_) return engineFiles_.get();
    fat::Status status;
    bool writeProtected = false;
    std::unique_ptr<FileSectorDevice> device =
        FileSectorDevice::Open(volume_.volumeNode, true, &status);
    if (!device) {
      // A card the user may only read is a write-protected one.
      device = FileSectorDevice::Open(volume_.volumeNode, false, &status);
      writeProtected = true;
    }
    if (!device) {
      SetLastError(status.error == fat::Error::kAccessDenied ? kErrorAccessDenied : kErrorNotReady);
      return nullptr;
    }
    auto checked = std::make_unique<UnmountedVolumeDevice>(std::move(device), volume_.name);
    std::unique_ptr<fat::Volume> mounted = fat::Volume::Mount(*checked, !writeProtected, &status);
    if (!mounted) {
      SetLastError(kErrorUnrecognizedMedia);
      return nullptr;
    }
    engineFiles_ =
        std::make_shared<FatVolumeFiles>(std::move(checked), std::move(mounted), writeProtected);
    return engineFiles_.get();
  }
  if (!files_) SetLastError(kErrorNotReady);
  return files_.get();
}

std::uint32_t LinuxDrive::PrepareRawWrite(const std::string& node) {
  if (!volume_.mountPoint.empty()) return kErrorSuccess;
  {
    std::lock_guard<std::mutex> lock(engineMutex_);
    if (engineFiles_) engineFiles_->WriteOut();
    engineFiles_.reset();
  }
  return CheckNotMountedElsewhere(BaseName(node));
}

DriveDescription LinuxDrive::Description() const {
  DriveDescription d;
  d.deviceNode = volume_.volumeNode;
  d.product = volume_.product;
  d.mountFolder = volume_.mountPoint;
  d.imageFile = volume_.backingFile;
  d.isDevice = true;
  return d;
}

bool LinuxDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (volume_.unmountedFat) {
    IVolumeFiles* files = Files();
    if (files == nullptr) return false;
    std::lock_guard<std::mutex> lock(engineFiles_->mutex());
    std::string name;
    if (!engineFiles_->volume().GetLabel(&name).ok()) name = volume_.label;
    if (label) *label = name;
    if (fileSystem) *fileSystem = engineFiles_->volume().geometry().fatType == 32 ? "FAT32" : "FAT";
    return true;
  }
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
  if (forWriting) {
    if (const std::uint32_t code = PrepareRawWrite(volume_.volumeNode)) return code;
  }
  return OpenBlockDevice(volume_.volumeNode, forWriting, TraitsOf(volume_), device);
}

std::uint32_t LinuxDrive::DeviceNumber(std::uint32_t* number) {
  if (volume_.deviceClass.floppy) return kErrorInvalidFunction;
  *number = volume_.diskNumber;
  return kErrorSuccess;
}

std::uint32_t LinuxDrive::OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  if (volume_.deviceClass.floppy) return kErrorInvalidFunction;
  if (forWriting) {
    if (const std::uint32_t code = PrepareRawWrite(volume_.diskNode)) return code;
  }
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
