// A raw device over a byte range of an image file: the whole card, its
// volume, or a floppy disk.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "platform/image/image_store.h"
#include "platform/raw_device.h"

namespace platform {

struct ImageRawRange {
  std::uint64_t offset = 0;  // bytes from the start of the image
  std::uint64_t length = 0;
  DiskGeometry geometry;
  bool writeProtected = false;
};

class ImageRawDevice : public IRawDevice {
 public:
  // Told the byte range of the image after every write that changed it.
  using WriteNotice = std::function<void(std::uint64_t offset, std::uint64_t length)>;

  // `inUse` marks the device as open until this object goes away, so that a
  // second open of the same device is refused.
  ImageRawDevice(std::shared_ptr<IImageStore> image, ImageRawRange range, bool forWriting,
                 std::shared_ptr<std::atomic<bool>> inUse, WriteNotice written = nullptr);
  ~ImageRawDevice() override;

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Write(const void* buffer, std::uint32_t count, std::uint32_t* done) override;
  std::uint32_t Seek(std::int64_t distance, SeekOrigin origin, std::uint64_t* position) override;
  std::uint32_t GetGeometry(DiskGeometry* geometry) override;
  std::uint32_t GetPartitionLength(std::uint64_t* bytes) override;
  std::uint32_t Flush() override;
  // The image's ReadFromMedium: the same read-back as on a card.
  std::uint32_t ReadFromMedium(void* buffer, std::uint32_t count, std::uint32_t* done) override;

 private:
  std::uint32_t ReadWith(void* buffer, std::uint32_t count, std::uint32_t* done, bool fromMedium);
  std::shared_ptr<IImageStore> image_;
  ImageRawRange range_;
  bool forWriting_;
  std::shared_ptr<std::atomic<bool>> inUse_;
  WriteNotice written_;
  std::uint64_t position_ = 0;
};

// Claims the device's in-use mark; kErrorSharingViolation when it is held.
std::uint32_t ClaimRawDevice(const std::shared_ptr<std::atomic<bool>>& inUse);

// The geometry a removable card of that many bytes answers.
DiskGeometry CardGeometry(std::uint64_t bytes);

}  // namespace platform
