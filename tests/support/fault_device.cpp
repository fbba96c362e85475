#include "support/fault_device.h"

#include <algorithm>

namespace fat {

void FaultInjectingDevice::FailWrite(std::uint64_t n, std::uint32_t sectorsWritten, bool sticky) {
  failWriteAt_ = n == 0 ? 0 : writes_ + n;
  failWritePartial_ = sectorsWritten;
  failSticky_ = sticky;
  failing_ = false;
}

void FaultInjectingDevice::ShortRead(std::uint64_t n, std::uint32_t sectorsRead) {
  shortReadAt_ = n == 0 ? 0 : reads_ + n;
  shortReadSectors_ = sectorsRead;
}

Status FaultInjectingDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  ++reads_;
  if (vanished_) return Fail(Error::kIo, "device vanished");
  Status s = CheckRange(first, count, SectorCount());
  if (!s.ok()) {
    ++outOfRange_;
    return s;
  }
  if (reads_ == shortReadAt_) {
    const std::uint32_t part = std::min(count, shortReadSectors_);
    if (part > 0) {
      s = base_.ReadSectors(first, part, buffer);
      if (!s.ok()) return s;
    }
    return Fail(Error::kIo, "injected short read");
  }
  sectorsRead_ += count;
  return base_.ReadSectors(first, count, buffer);
}

Status FaultInjectingDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                          const void* buffer) {
  ++writes_;
  if (vanished_) return Fail(Error::kIo, "device vanished");
  if (writeProtected_) return Fail(Error::kReadOnly, "device is write-protected");
  Status s = CheckRange(first, count, SectorCount());
  if (!s.ok()) {
    ++outOfRange_;
    return s;
  }
  if (failing_) return Fail(Error::kIo, "injected write failure");
  if (writes_ == failWriteAt_) {
    failing_ = failSticky_;
    const std::uint32_t part = std::min(count, failWritePartial_);
    if (part > 0) {
      s = base_.WriteSectors(first, part, buffer);
      if (s.ok()) sectorsWritten_ += part;
    }
    return Fail(Error::kIo, "injected write failure");
  }
  s = base_.WriteSectors(first, count, buffer);
  if (s.ok()) sectorsWritten_ += count;
  return s;
}

Status FaultInjectingDevice::Sync() {
  ++syncs_;
  if (vanished_) return Fail(Error::kIo, "device vanished");
  if (failing_) return Fail(Error::kIo, "injected write failure");
  return base_.Sync();
}

}  // namespace fat
