#include "driveaccess/physical_drive.h"

#include <cstdint>
#include <limits>

#include "platform/errors.h"
#include "platform/raw_device.h"

int GetDeviceNumber(const std::string& path) {
  std::uint32_t number = 0;
  const std::uint32_t code = platform::GetStorageDeviceNumber(path, &number);
  if (code != platform::kErrorSuccess) {
    platform::SetLastError(code);
    return -1;
  }
  if (number > static_cast<std::uint32_t>(std::numeric_limits<int>::max())) return -1;
  return static_cast<int>(number);
}

std::string GetPhysicalDriveName(char driveLetter) {
  const int number = GetDeviceNumber(std::string("\\\\.\\") + driveLetter + ":");
  if (number < 0) return {};
  return "\\\\.\\PhysicalDrive" + std::to_string(number);
}
