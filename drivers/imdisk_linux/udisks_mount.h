// Mounting an image file through UDisks2: a loop device over the file,
// mounted where UDisks2 mounts removable media for the user.
#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/virtual_drive_record.h"

namespace linux_driver {

// Sets up the loop device and mounts it; fills the record's method, folder,
// device and object. 0, or an error code; a loop device set up for a mount
// that failed is deleted again.
std::uint32_t MountWithUdisks(const std::string& image, bool readOnly,
                              platform::VirtualDriveRecord* record);

// Unmounts and deletes the loop device. kErrorBusy while the mount is in use.
std::uint32_t UnmountUdisks(const platform::VirtualDriveRecord& record);

// After the mount went away from outside: deletes the loop device when it
// still serves the record's image and nothing has it mounted.
void ClearUnmountedLoop(const platform::VirtualDriveRecord& record);

}  // namespace linux_driver
