// The answer record of a device query, as the driver's callers read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "virtualdrive/virtual_disk.h"

namespace linux_driver {

struct DeviceDescription {
  std::uint32_t number = 0;
  VirtualDiskGeometry geometry;
  std::uint32_t flags = 0;  // the flags the device was made with
  char letter = 0;
  std::string image;  // the backing file (UTF-8)
};

// Fills `size` bytes: device number at 0, geometry at 8, image offset (0) at
// 32, flags at 40, drive letter (UTF-16) at 44, the name's length in bytes at
// 46 and the name (UTF-16, not terminated) at 48, cut to what the record
// holds. The rest is zero. False when the record is too small for the fixed
// fields.
bool WriteDeviceAnswer(const DeviceDescription& device, std::uint8_t* answer, std::size_t size);

}  // namespace linux_driver
