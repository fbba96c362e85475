#include "platform/linux/mount_changes.h"

#include <map>

namespace platform {

bool IsVolumeMount(const MountEntry& mount) {
  if (mount.major != 0) return true;
  return mount.fsType.rfind("fuse", 0) == 0 && !mount.source.empty() && mount.source[0] == '/';
}

std::vector<MountChange> DiffMounts(const std::vector<MountEntry>& before,
                                    const std::vector<MountEntry>& after) {
  std::map<std::uint32_t, const MountEntry*> earlier;
  std::map<std::uint32_t, const MountEntry*> later;
  for (const MountEntry& m : before) earlier.emplace(m.mountId, &m);
  for (const MountEntry& m : after) later.emplace(m.mountId, &m);

  std::vector<MountChange> changes;
  for (const MountEntry& m : before) {
    if (IsVolumeMount(m) && later.count(m.mountId) == 0) {
      changes.push_back({DeviceEventKind::kVolumeDismount, m});
    }
  }
  for (const MountEntry& m : after) {
    if (!IsVolumeMount(m)) continue;
    const auto it = earlier.find(m.mountId);
    if (it == earlier.end()) {
      changes.push_back({DeviceEventKind::kVolumeMount, m});
    } else if (it->second->mountPoint != m.mountPoint) {
      changes.push_back({DeviceEventKind::kVolumeMove, m});
    }
  }
  return changes;
}

}  // namespace platform
