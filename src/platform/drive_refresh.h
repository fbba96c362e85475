// The machine's own drives at their letters, kept up to date by the OS
// backend (on Linux: floppy drives and mounted block-device volumes).
#pragma once

#include <cstdint>

namespace platform {

// Attaches new drives, detaches vanished ones and renews changed ones; a
// letter keeps its drive while the device is present. Letters held by
// anything else (image drives) are left alone. Returns the number of the
// machine's drives attached afterwards.
std::uint32_t RefreshDrives();

}  // namespace platform
