// The FAT engine's sector device on an image file or a device node, through
// positioned reads and writes of the OS.
#pragma once

#include <memory>
#include <string>

#include "fat/sector_device.h"
#include "platform/native_handle.h"

namespace platform {

class FileSectorDevice : public fat::ISectorDevice {
 public:
  // Opens `path` read-only or read-write. The sector count is the file's size
  // (or the block device's size) divided by the sector size; a partial last
  // sector is not addressable.
  static std::unique_ptr<FileSectorDevice> Open(const std::string& path, bool writable,
                                                fat::Status* status,
                                                std::uint32_t sectorSize = 512);
  // Works on an open file (a descriptor, a HANDLE) that the caller keeps
  // open and closes itself.
  static std::unique_ptr<FileSectorDevice> FromHandle(NativeHandle handle, bool writable,
                                                      fat::Status* status,
                                                      std::uint32_t sectorSize = 512);
  ~FileSectorDevice() override;
  FileSectorDevice(const FileSectorDevice&) = delete;
  FileSectorDevice& operator=(const FileSectorDevice&) = delete;

  std::uint32_t SectorSize() const override { return sectorSize_; }
  std::uint64_t SectorCount() const override { return sectorCount_; }
  fat::Status ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) override;
  fat::Status WriteSectors(std::uint64_t first, std::uint32_t count, const void* buffer) override;
  fat::Status Sync() override;

  bool writable() const { return writable_; }

 private:
  FileSectorDevice(NativeHandle handle, bool owns, bool writable, std::uint32_t sectorSize,
                   std::uint64_t sectorCount);
  static std::unique_ptr<FileSectorDevice> Make(NativeHandle handle, bool owns, bool writable,
                                                std::uint32_t sectorSize, fat::Status* status);

  NativeHandle handle_;
  bool owns_;
  bool writable_;
  std::uint32_t sectorSize_;
  std::uint64_t sectorCount_;
};

}  // namespace platform
