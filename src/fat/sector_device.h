// The narrow sector interface under the FAT engine, and the devices that
// implement it in memory and as a window of another device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "fat/status.h"

namespace fat {

class ISectorDevice {
 public:
  virtual ~ISectorDevice() = default;
  virtual std::uint32_t SectorSize() const = 0;
  virtual std::uint64_t SectorCount() const = 0;
  // Requests that reach past SectorCount() are refused with kOutOfRange and
  // transfer nothing.
  virtual Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) = 0;
  virtual Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) = 0;
  virtual Status Sync() = 0;
  // As ReadSectors, but what the medium itself holds, past any cache between
  // the device and the medium: the read-back of a verify. A device with no
  // such cache reads as usual.
  virtual Status ReadSectorsFromMedium(std::uint64_t first, std::uint32_t count, void* buffer) {
    return ReadSectors(first, count, buffer);
  }
};

// kOutOfRange unless [first, first + count) lies inside a device of `total`
// sectors; shared by the implementations.
Status CheckRange(std::uint64_t first, std::uint32_t count, std::uint64_t total);

// A device kept in a byte buffer that it owns.
class MemorySectorDevice : public ISectorDevice {
 public:
  MemorySectorDevice(std::uint64_t sectorCount, std::uint32_t sectorSize = 512);
  // Takes the bytes as they are; a partial last sector is not addressable.
  explicit MemorySectorDevice(ByteBuffer bytes, std::uint32_t sectorSize = 512);

  std::uint32_t SectorSize() const override { return sectorSize_; }
  std::uint64_t SectorCount() const override { return bytes_.size() / sectorSize_; }
  Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  Status Sync() override { return Status::Ok(); }

  ByteBuffer& bytes() { return bytes_; }
  const ByteBuffer& bytes() const { return bytes_; }

 private:
  ByteBuffer bytes_;
  std::uint32_t sectorSize_;
};

// The sectors [first, first + count) of another device, seen as sectors
// 0 ... count - 1: a partition of a disk. Nothing outside the window is ever
// read or written through it.
class SubRangeDevice : public ISectorDevice {
 public:
  // The window is cut to the end of the base device when it reaches past it.
  SubRangeDevice(ISectorDevice& base, std::uint64_t first, std::uint64_t count);

  std::uint32_t SectorSize() const override { return base_.SectorSize(); }
  std::uint64_t SectorCount() const override { return count_; }
  Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  Status Sync() override { return base_.Sync(); }
  Status ReadSectorsFromMedium(std::uint64_t first, std::uint32_t count, void* buffer) override;

  std::uint64_t first() const { return first_; }

 private:
  ISectorDevice& base_;
  std::uint64_t first_;
  std::uint64_t count_;
};

}  // namespace fat
