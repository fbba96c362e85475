// Watches the mount table: /proc/self/mountinfo signals an exceptional
// condition (POLLPRI) when a mount comes or goes; each reading is compared
// with the one before.
#pragma once

#include <memory>
#include <vector>

#include "platform/device_events.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/sysfs_reader.h"

namespace platform {

class MountWatch {
 public:
  // Null when the mount table cannot be opened.
  static std::unique_ptr<MountWatch> Open(const NativePaths& paths);
  ~MountWatch();
  MountWatch(const MountWatch&) = delete;
  MountWatch& operator=(const MountWatch&) = delete;

  int fd() const { return fd_; }
  // Reads the table again and appends what changed since the last reading:
  // kVolumeMount, kVolumeDismount and kVolumeMove with the volume's device,
  // its whole disk and its mount point.
  void Read(std::vector<DeviceEvent>* events);

 private:
  MountWatch(const NativePaths& paths, int fd);
  std::vector<MountEntry> Reading() const;
  std::string DiskOf(const MountEntry& mount) const;

  NativePaths paths_;
  int fd_;
  std::vector<MountEntry> last_;
};

}  // namespace platform
