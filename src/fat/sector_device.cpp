#include "fat/sector_device.h"

#include <cstring>

namespace fat {

Status CheckRange(std::uint64_t first, std::uint32_t count, std::uint64_t total) {
  if (first > total || count > total - first) {
    return Fail(Error::kOutOfRange, "sectors " + std::to_string(first) + "+" +
                                        std::to_string(count) + " lie outside the device of " +
                                        std::to_string(total) + " sectors");
  }
  return Status::Ok();
}

MemorySectorDevice::MemorySectorDevice(std::uint64_t sectorCount, std::uint32_t sectorSize)
    : bytes_(sectorCount * sectorSize, 0), sectorSize_(sectorSize) {}

MemorySectorDevice::MemorySectorDevice(ByteBuffer bytes, std::uint32_t sectorSize)
    : bytes_(std::move(bytes)), sectorSize_(sectorSize) {}

Status MemorySectorDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  Status s = CheckRange(first, count, SectorCount());
  if (!s.ok()) return s;
  if (count != 0) {
    std::memcpy(buffer, bytes_.data() + first * sectorSize_,
                static_cast<std::size_t>(count) * sectorSize_);
  }
  return Status::Ok();
}

Status MemorySectorDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                        const void* buffer) {
  Status s = CheckRange(first, count, SectorCount());
  if (!s.ok()) return s;
  if (count != 0) {
    std::memcpy(bytes_.data() + first * sectorSize_, buffer,
                static_cast<std::size_t>(count) * sectorSize_);
  }
  return Status::Ok();
}

SubRangeDevice::SubRangeDevice(ISectorDevice& base, std::uint64_t first, std::uint64_t count)
    : base_(base), first_(first), count_(count) {
  const std::uint64_t total = base.SectorCount();
  if (first_ > total) first_ = total;
  if (count_ > total - first_) count_ = total - first_;
}

Status SubRangeDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  Status s = CheckRange(first, count, count_);
  if (!s.ok()) return s;
  return base_.ReadSectors(first_ + first, count, buffer);
}

Status SubRangeDevice::ReadSectorsFromMedium(std::uint64_t first, std::uint32_t count,
                                             void* buffer) {
  Status s = CheckRange(first, count, count_);
  if (!s.ok()) return s;
  return base_.ReadSectorsFromMedium(first_ + first, count, buffer);
}

Status SubRangeDevice::WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) {
  Status s = CheckRange(first, count, count_);
  if (!s.ok()) return s;
  return base_.WriteSectors(first_ + first, count, buffer);
}

}  // namespace fat
