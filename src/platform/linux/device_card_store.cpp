#include "platform/linux/device_card_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#include "platform/device_nodes.h"
#include "platform/errors.h"
#include "platform/image/image_drive.h"
#include "platform/linux/block_device_info.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/udisks_device_open.h"
#include "platform/posix/block_device_size.h"
#include "platform/posix/medium_read.h"
#include "platform/posix/write_back.h"

namespace platform {

std::shared_ptr<DeviceCardStore> DeviceCardStore::Open(const std::string& node, bool readOnly,
                                                       std::uint32_t* error) {
  const int fd = OpenDeviceNode(node, (readOnly ? O_RDONLY : O_RDWR) | O_EXCL);
  if (fd < 0) {
    *error = errno == EBUSY       ? kErrorSharingViolation
             : errno == ENOMEDIUM ? kErrorNoMediaInDrive
                                  : ErrorFromErrno(errno);
    return nullptr;
  }
  std::uint64_t size = 0;
  if (const int err = BlockDeviceBytes(fd, &size); err != 0 || size == 0) {
    close(fd);
    *error = err != 0 ? ErrorFromErrno(err) : kErrorNoMediaInDrive;
    return nullptr;
  }
  *error = kErrorSuccess;
  return std::shared_ptr<DeviceCardStore>(new DeviceCardStore(node, fd, size, !readOnly));
}

DeviceCardStore::~DeviceCardStore() {
  if (unsynced_) fsync(fd_);
  close(fd_);
}

std::uint32_t DeviceCardStore::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  auto* out = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? ErrorFromErrno(errno) : kErrorHandleEof;
    done += static_cast<std::uint32_t>(n);
  }
  return kErrorSuccess;
}

std::uint32_t DeviceCardStore::WriteAt(std::uint64_t offset, const void* buffer,
                                       std::uint32_t count) {
  if (!writable_) return kErrorWriteProtect;
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  unsynced_ = true;
  const auto* in = static_cast<const char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = pwrite(fd_, in + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      return n < 0 ? (errno == EPERM ? kErrorWriteProtect : ErrorFromErrno(errno)) : kErrorDiskFull;
    done += static_cast<std::uint32_t>(n);
  }
  StartWriteBack(fd_, offset, count);
  return kErrorSuccess;
}

std::uint32_t DeviceCardStore::Sync() {
  if (!unsynced_) return kErrorSuccess;
  if (fsync(fd_) != 0) return ErrorFromErrno(errno);
  unsynced_ = false;
  return kErrorSuccess;
}

std::uint32_t DeviceCardStore::ReadFromMedium(std::uint64_t offset, void* buffer,
                                              std::uint32_t count) {
  if (offset > size_ || count > size_ - offset) return kErrorSectorNotFound;
  if (const std::uint32_t code = Sync()) return code;
  return platform::ReadFromMedium(fd_, offset, buffer, count, true);
}

char AttachUnmountedDevice(const std::string& node, const ImageDriveOptions& options,
                           bool* removable, std::uint32_t* error) {
  struct stat st {};
  if (stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode)) {
    *error = kErrorFileNotFound;
    return 0;
  }
  // The reader's marks as the desktop program shows a drive's.
  ImageDriveOptions marks = options;
  *removable = false;
  const std::vector<BlockDeviceSnapshot> devices = ReadBlockDevices(NativePaths{});
  for (const BlockDeviceSnapshot& device : devices) {
    if (makedev(device.major, device.minor) != st.st_rdev) continue;
    const BlockDeviceSnapshot* disk = &device;
    for (const BlockDeviceSnapshot& d : devices) {
      if (device.isPartition && d.name == device.parentName) disk = &d;
    }
    const DeviceClass c = ClassifyBlockDevice(*disk);
    *removable = c.type == DriveType::kRemovable && !c.floppy;
    marks.productName = c.storage.productId;
    marks.hotplug = c.storage.hotplug;
    marks.usb = c.storage.busType == kBusTypeUsb;
  }
  std::shared_ptr<DeviceCardStore> store = DeviceCardStore::Open(node, options.readOnly, error);
  if (!store) return 0;
  return AttachCardStore(std::move(store), marks, 0, error);
}

}  // namespace platform
