#include "platform/linux/mounted_volume_files.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "fat/boot_sector.h"
#include "fat/volume.h"
#include "platform/errors.h"
#include "platform/fat_error_codes.h"
#include "platform/file_sector_device.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/udisks_device_open.h"

namespace platform {
namespace {
std::uint32_t NodeError(int err) {
  return err == ENOMEDIUM ? kErrorNoMediaInDrive : ErrorFromErrno(err);
}

// Closes a descriptor at the end of a scope.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
};
}  // namespace

bool IsFatFileSystemType(const std::string& fsType) {
  return fsType == "vfat" || fsType == "msdos" || fsType == "fat" || fsType == "umsdos" ||
         fsType == kFusefatFileSystemType || fsType == "fusefat" || fsType == kFatfsFileSystemType;
}

std::uint32_t ReadBootSector(const std::string& node, std::uint8_t sector[512]) {
  // Only where the user may read it already: a listing never asks polkit.
  Descriptor d{OpenDeviceNode(node, O_RDONLY, DeviceAsk::kGrantedOnly)};
  if (d.fd < 0) return NodeError(errno);
  const ssize_t n = pread(d.fd, sector, 512, 0);
  if (n < 0) return NodeError(errno);
  return n == 512 ? kErrorSuccess : kErrorHandleEof;
}

MountedVolumeFiles::MountedVolumeFiles(std::string mountPoint, std::string mountRoot,
                                       std::string volumeNode, bool fat)
    : HostFolderFiles(mountPoint),
      mountPoint_(std::move(mountPoint)),
      volumeNode_(std::move(volumeNode)),
      fat_(fat) {
  std::string root = std::move(mountRoot);
  while (!root.empty() && root.front() == '/') root.erase(0, 1);
  while (!root.empty() && root.back() == '/') root.pop_back();
  std::replace(root.begin(), root.end(), '/', '\\');
  if (!root.empty()) rootPrefix_ = root + "\\";
}

std::string MountedVolumeFiles::VolumePath(const std::string& path) const {
  std::string relative = path;
  std::replace(relative.begin(), relative.end(), '/', '\\');
  while (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
  if (relative.empty() && !rootPrefix_.empty())
    return rootPrefix_.substr(0, rootPrefix_.size() - 1);
  return rootPrefix_ + relative;
}

std::uint32_t MountedVolumeFiles::ClusterRuns(const std::string& path,
                                              std::vector<ClusterRun>* runs) {
  runs->clear();
  if (!fat_) return kErrorInvalidFunction;
  {
    // What the file system still holds of the file and of the FAT goes out
    // to the medium first.
    Descriptor file{open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return ErrorFromErrno(errno);
    fsync(file.fd);
    syncfs(file.fd);
  }
  // Read through the page cache that the file system's own writes go
  // through, so nothing it wrote is missed.
  Descriptor node{OpenDeviceNode(volumeNode_, O_RDONLY)};
  if (node.fd < 0) return NodeError(errno);
  fat::Status status;
  std::unique_ptr<FileSectorDevice> device = FileSectorDevice::FromHandle(node.fd, false, &status);
  if (!device) return kErrorIoDevice;
  std::unique_ptr<fat::Volume> volume = fat::Volume::Mount(*device, false, &status);
  if (!volume) return ToSystemError(status.error);
  std::vector<fat::ClusterRun> found;
  status = volume->ClusterRuns(VolumePath(path), &found);
  if (!status.ok()) return ToSystemError(status.error);
  for (const fat::ClusterRun& run : found) {
    runs->push_back({run.virtualCluster, run.logicalCluster, run.length});
  }
  return kErrorSuccess;
}

std::uint32_t MountedVolumeFiles::FlushVolume() {
  Descriptor root{open(mountPoint_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (root.fd < 0) return ErrorFromErrno(errno);
  return syncfs(root.fd) == 0 ? kErrorSuccess : ErrorFromErrno(errno);
}

std::uint32_t MountedVolumeFiles::ClusterSize(std::uint32_t* sectorsPerCluster,
                                              std::uint32_t* bytesPerSector) {
  std::uint8_t sector[512];
  fat::Geometry geometry;
  fat::Status status;
  if (fat_ && ReadBootSector(volumeNode_, sector) == kErrorSuccess &&
      fat::ParseBootSector(sector, 0, &geometry, &status)) {
    *sectorsPerCluster = geometry.sectorsPerCluster;
    *bytesPerSector = geometry.bytesPerSector;
    return kErrorSuccess;
  }
  // Without the boot sector: the file system's block size, in 512-byte
  // sectors.
  struct statvfs vfs {};
  if (statvfs(mountPoint_.c_str(), &vfs) != 0) return ErrorFromErrno(errno);
  *bytesPerSector = 512;
  *sectorsPerCluster = static_cast<std::uint32_t>(std::max<unsigned long>(vfs.f_bsize / 512, 1));
  return kErrorSuccess;
}

}  // namespace platform
