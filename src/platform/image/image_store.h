// The bytes behind an image drive: an image file on the host, or a medium
// that a test or a benchmark holds, and the FAT engine's sector device over
// a byte range of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fat/sector_device.h"

namespace platform {

class IImageStore {
 public:
  virtual ~IImageStore() = default;
  virtual const std::string& path() const = 0;
  virtual std::uint64_t size() const = 0;
  virtual bool writable() const = 0;
  // Whole transfers or an error code; never beyond the end of the image.
  virtual std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) = 0;
  virtual std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) = 0;
  // Waits until the medium holds every write made so far.
  virtual std::uint32_t Sync() = 0;
  // As ReadAt, but what the medium itself holds, past the host's cache: the
  // read-back of a verify. A medium in memory has no cache to pass.
  virtual std::uint32_t ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) {
    return ReadAt(offset, buffer, count);
  }
  // True once the file behind the store has no name left (it was deleted
  // while attached); a medium in memory never is.
  virtual bool Deleted() const { return false; }
};

// 512-byte sectors [first, first + count) of a store as a sector device.
class StoreSectorDevice : public fat::ISectorDevice {
 public:
  StoreSectorDevice(std::shared_ptr<IImageStore> store, std::uint64_t first, std::uint64_t count,
                    bool writable);

  std::uint32_t SectorSize() const override { return 512; }
  std::uint64_t SectorCount() const override { return count_; }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  fat::Status Sync() override;
  fat::Status ReadSectorsFromMedium(std::uint64_t first, std::uint32_t count,
                                    void* buffer) override;

 private:
  // ReadSectors and ReadSectorsFromMedium, by the store call they make.
  template <typename Read>
  fat::Status ReadPieces(std::uint64_t first, std::uint32_t count, void* buffer, Read read);
  std::shared_ptr<IImageStore> store_;
  std::uint64_t first_;
  std::uint64_t count_;
  bool writable_;
};

}  // namespace platform
