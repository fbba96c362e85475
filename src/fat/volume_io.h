// Sector access in the volume's own sector size, guarded so that nothing is
// written outside the volume or on a read-only mount.
#pragma once

#include <cstdint>

#include "fat/sector_device.h"

namespace fat {

class VolumeIo {
 public:
  // `sectorBytes` must be a multiple of the device's sector size.
  VolumeIo(ISectorDevice& device, std::uint32_t sectorBytes, std::uint64_t volumeSectors,
           bool writable);

  // fromMedium reads past any cache under the device (a verify's read-back).
  Status Read(std::uint64_t sector, std::uint64_t count, void* buffer, bool fromMedium = false);
  Status Write(std::uint64_t sector, std::uint64_t count, const void* buffer);
  // Waits until the medium holds every write made so far. Without a write
  // since the last time there is nothing to wait for, and the device is not
  // asked.
  Status Sync();
  bool unsynced() const { return unsynced_; }

  std::uint32_t sectorBytes() const { return sectorBytes_; }
  std::uint64_t volumeSectors() const { return volumeSectors_; }
  bool writable() const { return writable_; }

 private:
  Status Check(std::uint64_t sector, std::uint64_t count) const;

  ISectorDevice& device_;
  std::uint32_t sectorBytes_;
  std::uint32_t ratio_;  // device sectors per volume sector
  std::uint64_t volumeSectors_;
  bool writable_;
  bool unsynced_ = false;
};

}  // namespace fat
