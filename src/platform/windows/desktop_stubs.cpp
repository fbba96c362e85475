// What the command line does not need on Windows: the desktop program's
// build gives these their Windows calls.
#include "platform/device_nodes.h"
#include "platform/errors.h"
#include "platform/file_type_registration.h"

namespace platform {

// The container file type belongs to the desktop program (its registration
// goes through the registry classes the windows write).
bool RegisterContainerFileType(const std::string& programPath) {
  (void)programPath;
  SetLastError(kErrorNotSupported);
  return false;
}

// Windows has no device nodes among its files: devices are opened by name
// (\\.\X:, \\.\PhysicalDriveN), never found at a path.
bool IsBlockDeviceNode(const std::string& path) {
  (void)path;
  return false;
}

std::vector<char> DrivesOnDeviceNode(const std::string& path) {
  (void)path;
  return {};
}

// Without device nodes no path names an unmounted device either.
char AttachUnmountedDevice(const std::string& node, const ImageDriveOptions& options,
                           bool* removable, std::uint32_t* error) {
  (void)node;
  (void)options;
  if (removable != nullptr) *removable = false;
  if (error != nullptr) *error = kErrorNotSupported;
  return 0;
}

}  // namespace platform
