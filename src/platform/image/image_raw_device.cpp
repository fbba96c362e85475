#include "platform/image/image_raw_device.h"

#include <algorithm>

#include "platform/errors.h"

namespace platform {

std::uint32_t ClaimRawDevice(const std::shared_ptr<std::atomic<bool>>& inUse) {
  bool expected = false;
  return inUse->compare_exchange_strong(expected, true) ? kErrorSuccess : kErrorSharingViolation;
}

DiskGeometry CardGeometry(std::uint64_t bytes) {
  DiskGeometry g;
  g.mediaType = MediaType::kRemovableMedia;
  g.bytesPerSector = 512;
  g.sectorsPerTrack = 63;
  g.tracksPerCylinder = 255;
  g.cylinders = bytes / (512ull * 63 * 255);
  return g;
}

ImageRawDevice::ImageRawDevice(std::shared_ptr<IImageStore> image, ImageRawRange range,
                               bool forWriting, std::shared_ptr<std::atomic<bool>> inUse,
                               WriteNotice written)
    : image_(std::move(image)),
      range_(range),
      forWriting_(forWriting),
      inUse_(std::move(inUse)),
      written_(std::move(written)) {}

ImageRawDevice::~ImageRawDevice() {
  inUse_->store(false);
}

std::uint32_t ImageRawDevice::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  return ReadWith(buffer, count, done, false);
}

std::uint32_t ImageRawDevice::ReadFromMedium(void* buffer, std::uint32_t count,
                                             std::uint32_t* done) {
  return ReadWith(buffer, count, done, true);
}

std::uint32_t ImageRawDevice::ReadWith(void* buffer, std::uint32_t count, std::uint32_t* done,
                                       bool fromMedium) {
  *done = 0;
  // Reading at or past the end of the medium fails, as on a disk.
  if (position_ >= range_.length) return kErrorSectorNotFound;
  const auto n =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(count, range_.length - position_));
  const std::uint64_t at = range_.offset + position_;
  if (const std::uint32_t code =
          fromMedium ? image_->ReadFromMedium(at, buffer, n) : image_->ReadAt(at, buffer, n)) {
    return code;
  }
  position_ += n;
  *done = n;
  return kErrorSuccess;
}

std::uint32_t ImageRawDevice::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  if (!forWriting_) return kErrorAccessDenied;
  if (range_.writeProtected) return kErrorWriteProtect;
  if (position_ >= range_.length || count > range_.length - position_) return kErrorSectorNotFound;
  if (const std::uint32_t code = image_->WriteAt(range_.offset + position_, buffer, count)) {
    if (written_) written_(range_.offset + position_, count);  // some of it may be there
    return code;
  }
  if (written_) written_(range_.offset + position_, count);
  position_ += count;
  *done = count;
  return kErrorSuccess;
}

std::uint32_t ImageRawDevice::Seek(std::int64_t distance, SeekOrigin origin,
                                   std::uint64_t* position) {
  const std::int64_t base = origin == SeekOrigin::kBegin ? 0
                            : origin == SeekOrigin::kCurrent
                                ? static_cast<std::int64_t>(position_)
                                : static_cast<std::int64_t>(range_.length);
  const std::int64_t target = base + distance;
  if (target < 0) return kErrorNegativeSeek;
  position_ = static_cast<std::uint64_t>(target);
  *position = position_;
  return kErrorSuccess;
}

std::uint32_t ImageRawDevice::GetGeometry(DiskGeometry* geometry) {
  *geometry = range_.geometry;
  return kErrorSuccess;
}

std::uint32_t ImageRawDevice::GetPartitionLength(std::uint64_t* bytes) {
  *bytes = range_.length;
  return kErrorSuccess;
}

std::uint32_t ImageRawDevice::Flush() {
  // The sectors written are on the medium when this returns: a start sector
  // record, a wiped header. Nothing written, nothing to wait for.
  return image_->Sync();
}

}  // namespace platform
