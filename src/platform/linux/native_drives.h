// The native drives at their letters: floppy drives at A: and B:, mounted
// block-device volumes from C: in device-name order. Letters held by
// anything else (image drives) are left alone.
#pragma once

#include <cstdint>

#include "platform/linux/sysfs_reader.h"

namespace platform {

// Scans sysfs and the mounts, attaches new drives, detaches vanished ones
// and renews those whose record changed (at the same letter). A letter keeps
// its drive while the device is present. The virtual drives' letters are
// brought up to date first (virtual_drives.h). Returns the number of native
// drives attached afterwards.
std::uint32_t RefreshNativeDrives();
std::uint32_t RefreshNativeDrives(const NativePaths& paths);

// Detaches every native drive and every virtual drive.
void DetachNativeDrives();

}  // namespace platform
