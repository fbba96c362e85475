// The virtual disk driver's mounted images at their drive letters. The
// driver's library records each mount in the per-user state folder; a drive
// refresh binds each letter whose mount is in place to the mount's folder, as
// a removable drive whose files are that folder's, and lets go of the letters
// whose mount has gone, however it went.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/mount_table.h"

namespace platform {

// Binds and releases the letters against the current mounts (as ReadMounts
// gives them). Returns the folders of the mounts now shown at letters, so that
// native discovery does not show the same mount a second time. A letter held
// by another drive is left alone.
std::vector<std::string> RefreshVirtualDrives(const std::vector<MountEntry>& mounts);

// Releases every letter bound to a virtual drive.
void DetachVirtualDrives();

}  // namespace platform
