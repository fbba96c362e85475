// A card whose volume is not mounted, worked on through its device node: the
// node is opened once (through UDisks2 for a user without root) and stands
// for the card as an image file does, so that our own FAT engine reads and
// writes its volume. Opened with O_EXCL: the kernel refuses to mount the
// volume while we hold it, and we cannot open it while it is mounted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/image/image_store.h"

namespace platform {

class DeviceCardStore : public IImageStore {
 public:
  // Null with the code in *error: kErrorAccessDenied when we may not open
  // it, kErrorSharingViolation while it is mounted or open elsewhere.
  static std::shared_ptr<DeviceCardStore> Open(const std::string& node, bool readOnly,
                                               std::uint32_t* error);
  ~DeviceCardStore() override;
  DeviceCardStore(const DeviceCardStore&) = delete;
  DeviceCardStore& operator=(const DeviceCardStore&) = delete;

  const std::string& path() const override { return node_; }
  std::uint64_t size() const override { return size_; }
  bool writable() const override { return writable_; }
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override;
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) override;
  std::uint32_t Sync() override;
  std::uint32_t ReadFromMedium(std::uint64_t offset, void* buffer, std::uint32_t count) override;

 private:
  DeviceCardStore(std::string node, int fd, std::uint64_t size, bool writable)
      : node_(std::move(node)), fd_(fd), size_(size), writable_(writable) {}
  std::string node_;
  int fd_;
  std::uint64_t size_;
  bool writable_;
  bool unsynced_ = false;
};

}  // namespace platform
