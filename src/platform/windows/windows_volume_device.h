// The volume device of a drive of the machine ("\\?\Volume{...}"), read
// through the file system's cache (no unbuffered flags), shared with the
// file system that has it mounted. Opening it needs administrator rights.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/raw_device.h"

namespace platform {

// GetVolumeNameForVolumeMountPointA: "X:\" -> "\\?\Volume{...}\"; empty
// when the mount point has no volume.
std::string QueryVolumeGuidPath(const std::string& mountPoint);

// Opens "\\?\Volume{...}" (without the trailing backslash) for reading.
std::uint32_t OpenWindowsVolumeDevice(const std::string& volumePath,
                                      std::unique_ptr<IVolumeDevice>* device);

}  // namespace platform
