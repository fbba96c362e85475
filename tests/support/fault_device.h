// A wrapper around a sector device that fails on command, for tests of what
// the engine leaves behind when a card breaks or vanishes mid-way.
#pragma once

#include <cstdint>
#include <vector>

#include "fat/sector_device.h"

namespace fat {

class FaultInjectingDevice : public ISectorDevice {
 public:
  explicit FaultInjectingDevice(ISectorDevice& base) : base_(base) {}

  // The n-th write request from now (1 = the next) fails after writing its
  // first `sectorsWritten` sectors; every later write fails too when `sticky`.
  void FailWrite(std::uint64_t n, std::uint32_t sectorsWritten = 0, bool sticky = true);
  // The n-th read request from now delivers only its first `sectorsRead`
  // sectors and reports an error.
  void ShortRead(std::uint64_t n, std::uint32_t sectorsRead);
  // Every request from now fails, as when the card is pulled.
  void Vanish() { vanished_ = true; }
  // Writes are refused as on a write-protected card.
  void SetWriteProtected(bool on) { writeProtected_ = on; }

  std::uint64_t reads() const { return reads_; }
  std::uint64_t sectorsRead() const { return sectorsRead_; }
  std::uint64_t syncs() const { return syncs_; }
  std::uint64_t writes() const { return writes_; }
  std::uint64_t sectorsWritten() const { return sectorsWritten_; }
  // Requests that reached past the end of the device (refused, never passed on).
  std::uint64_t outOfRangeRequests() const { return outOfRange_; }

  std::uint32_t SectorSize() const override { return base_.SectorSize(); }
  std::uint64_t SectorCount() const override { return base_.SectorCount(); }
  Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  Status Sync() override;

 private:
  ISectorDevice& base_;
  std::uint64_t reads_ = 0;
  std::uint64_t writes_ = 0;
  std::uint64_t sectorsWritten_ = 0;
  std::uint64_t sectorsRead_ = 0;
  std::uint64_t syncs_ = 0;
  std::uint64_t outOfRange_ = 0;
  std::uint64_t failWriteAt_ = 0;  // absolute write number, 0 = never
  std::uint32_t failWritePartial_ = 0;
  bool failSticky_ = false;
  bool failing_ = false;
  std::uint64_t shortReadAt_ = 0;
  std::uint32_t shortReadSectors_ = 0;
  bool vanished_ = false;
  bool writeProtected_ = false;
};

}  // namespace fat
