#include "imdisk_linux/udisks_mount.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "imdisk_linux/udisks_client.h"
#include "platform/errors.h"
#include "platform/linux/sysfs_reader.h"

namespace linux_driver {
namespace {
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

bool MountedAnywhere(const std::string& device) {
  const std::vector<platform::MountEntry> mounts = platform::ReadMounts(platform::NativePaths{});
  return std::any_of(mounts.begin(), mounts.end(),
                     [&](const platform::MountEntry& m) { return m.source == device; });
}

// The loop device still looks into the record's image (its number may have
// gone to another image since).
bool LoopServesImage(const platform::VirtualDriveRecord& record) {
  const std::size_t slash = record.device.find_last_of('/');
  if (slash == std::string::npos) return false;
  std::string backing;
  if (!platform::ReadTextFile(
          "/sys/block/" + record.device.substr(slash + 1) + "/loop/backing_file", &backing)) {
    return false;
  }
  while (!backing.empty() && backing.back() == '\n') backing.pop_back();
  return backing == record.image;
}
}  // namespace

std::uint32_t MountWithUdisks(const std::string& image, bool readOnly,
                              platform::VirtualDriveRecord* record) {
  UdisksClient client;
  if (!client.Connect()) return platform::kErrorNotSupported;
  const int fd = ::open(image.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd < 0) return platform::kErrorAccessDenied;
  std::string object;
  const bool setUp = client.LoopSetup(fd, readOnly, &object);
  ::close(fd);
  if (!setUp) return platform::kErrorNotSupported;

  std::string device;
  std::string mountPath;
  if (!client.DeviceOf(object, &device) || !client.Mount(object, &mountPath)) {
    client.LoopDelete(object);
    return platform::kErrorGenFailure;
  }
  platform::VirtualDriveRecord mounted = *record;
  mounted.method = platform::VirtualMountMethod::kUdisks;
  mounted.folder = RealPath(mountPath);
  mounted.device = device;
  mounted.object = object;
  mounted.process = 0;
  // The mount must be one this process sees, or the letter could not show it.
  if (mounted.folder.empty() ||
      !platform::IsVirtualDriveMounted(mounted, platform::ReadMounts(platform::NativePaths{}))) {
    client.Unmount(object);
    client.LoopDelete(object);
    return platform::kErrorGenFailure;
  }
  // Once mounted: an unmount in the file manager then frees the loop device too.
  client.SetAutoclear(object);
  *record = mounted;
  return platform::kErrorSuccess;
}

std::uint32_t UnmountUdisks(const platform::VirtualDriveRecord& record) {
  UdisksClient client;
  if (!client.Unmount(record.object) && MountedAnywhere(record.device)) {
    return platform::kErrorBusy;
  }
  // Autoclear may have taken it away already.
  if (LoopServesImage(record)) client.LoopDelete(record.object);
  return platform::kErrorSuccess;
}

void ClearUnmountedLoop(const platform::VirtualDriveRecord& record) {
  if (!LoopServesImage(record) || MountedAnywhere(record.device)) return;
  UdisksClient client;
  client.LoopDelete(record.object);
}

}  // namespace linux_driver
