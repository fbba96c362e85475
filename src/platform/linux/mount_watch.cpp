#include "platform/linux/mount_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "platform/linux/mount_changes.h"

namespace platform {

std::unique_ptr<MountWatch> MountWatch::Open(const NativePaths& paths) {
  const int fd = open(paths.mountInfo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::unique_ptr<MountWatch> watch(new MountWatch(paths, fd));
  watch->last_ = watch->Reading();
  return watch;
}

MountWatch::MountWatch(const NativePaths& paths, int fd) : paths_(paths), fd_(fd) {}

MountWatch::~MountWatch() {
  close(fd_);
}

std::vector<MountEntry> MountWatch::Reading() const {
  std::string text;
  if (!ReadTextFile(paths_.mountInfo, &text)) return last_;
  std::vector<MountEntry> mounts = ParseMountInfo(text);
  std::map<std::uint32_t, const MountEntry*> known;
  for (const MountEntry& m : last_) known.emplace(m.mountId, &m);
  // Only a new mount of a FAT server in user space needs its process looked
  // up; the known ones keep the device found when they came (their process
  // may be gone by now).
  const bool newServed = std::any_of(mounts.begin(), mounts.end(), [&](const MountEntry& m) {
    return IsServedInUserSpace(m) && known.count(m.mountId) == 0;
  });
  if (newServed) ResolveFuseServedSources(paths_, &mounts);
  for (MountEntry& m : mounts) {
    const auto it = known.find(m.mountId);
    if (IsServedInUserSpace(m) && it != known.end()) {
      m.source = it->second->source;
      m.major = it->second->major;
      m.minor = it->second->minor;
    }
  }
  return mounts;
}

std::string MountWatch::DiskOf(const MountEntry& mount) const {
  // An image file is its own disk.
  if (mount.major == 0) return mount.source;
  for (const BlockDeviceSnapshot& device : ReadBlockDevices(paths_)) {
    if (device.major != mount.major || device.minor != mount.minor) continue;
    return paths_.dev + "/" + (device.isPartition ? device.parentName : device.name);
  }
  // Gone already (a card pulled before its volume was unmounted).
  return mount.source;
}

void MountWatch::Read(std::vector<DeviceEvent>* events) {
  std::vector<MountEntry> now = Reading();
  for (const MountChange& change : DiffMounts(last_, now)) {
    DeviceEvent event;
    event.kind = change.kind;
    event.devicePath = change.mount.source;
    event.diskPath = DiskOf(change.mount);
    event.mountPoint = change.mount.mountPoint;
    events->push_back(std::move(event));
  }
  last_ = std::move(now);
}

}  // namespace platform
