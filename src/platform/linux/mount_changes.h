// What changed between two readings of the mount table: volumes mounted,
// unmounted, or moved to another mount point. Pure functions, so that tests
// feed canned tables.
#pragma once

#include <vector>

#include "platform/device_events.h"
#include "platform/linux/mount_table.h"

namespace platform {

struct MountChange {
  DeviceEventKind kind = DeviceEventKind::kVolumeMount;  // mount, dismount or move
  MountEntry mount;  // the entry after the change; before it for a dismount
};

// True for the mount of a volume: a block device, or a FUSE file system whose
// source names a device or an image file (a fusefat mount, its source
// resolved). Pseudo file systems (proc, tmpfs, cgroup, ...) are none.
bool IsVolumeMount(const MountEntry& mount);

// Compares the readings by mount id: first the dismounts in the order of
// `before`, then the mounts and moves in the order of `after`; only volume
// mounts count.
std::vector<MountChange> DiffMounts(const std::vector<MountEntry>& before,
                                    const std::vector<MountEntry>& after);

}  // namespace platform
