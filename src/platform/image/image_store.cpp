#include "platform/image/image_store.h"

#include <algorithm>

#include "platform/errors.h"

namespace platform {
namespace {
// Requests go to the store in pieces that its 32-bit counts can carry.
constexpr std::uint64_t kMaxPieceBytes = 1u << 30;

fat::Status Failed(std::uint32_t code, const std::string& what) {
  fat::Error error = fat::Error::kIo;
  if (code == kErrorDiskFull) error = fat::Error::kDiskFull;
  if (code == kErrorWriteProtect) error = fat::Error::kReadOnly;
  return fat::Fail(error, what + ": " + SystemErrorText(code));
}
}  // namespace

StoreSectorDevice::StoreSectorDevice(std::shared_ptr<IImageStore> store, std::uint64_t first,
                                     std::uint64_t count, bool writable)
    : store_(std::move(store)), first_(first), count_(count), writable_(writable) {
  const std::uint64_t total = store_->size() / 512;
  first_ = std::min(first_, total);
  count_ = std::min(count_, total - first_);
}

template <typename Read>
fat::Status StoreSectorDevice::ReadPieces(std::uint64_t first, std::uint32_t count, void* buffer,
                                          Read read) {
  fat::Status s = fat::CheckRange(first, count, count_);
  if (!s.ok()) return s;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t offset = (first_ + first) * 512;
  std::uint64_t left = static_cast<std::uint64_t>(count) * 512;
  while (left > 0) {
    const auto n = static_cast<std::uint32_t>(std::min(left, kMaxPieceBytes));
    if (const std::uint32_t code = read(offset, out, n)) {
      return Failed(code, "read at byte " + std::to_string(offset));
    }
    out += n;
    offset += n;
    left -= n;
  }
  return fat::Status::Ok();
}

fat::Status StoreSectorDevice::ReadSectors(std::uint64_t first, std::uint32_t count, void* buffer) {
  return ReadPieces(first, count, buffer, [this](std::uint64_t at, void* out, std::uint32_t n) {
    return store_->ReadAt(at, out, n);
  });
}

fat::Status StoreSectorDevice::ReadSectorsFromMedium(std::uint64_t first, std::uint32_t count,
                                                     void* buffer) {
  return ReadPieces(first, count, buffer, [this](std::uint64_t at, void* out, std::uint32_t n) {
    return store_->ReadFromMedium(at, out, n);
  });
}

fat::Status StoreSectorDevice::WriteSectors(std::uint64_t first, std::uint32_t count,
                                            const void* buffer) {
  if (!writable_) return fat::Fail(fat::Error::kReadOnly, "the image is open for reading only");
  fat::Status s = fat::CheckRange(first, count, count_);
  if (!s.ok()) return s;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::uint64_t offset = (first_ + first) * 512;
  std::uint64_t left = static_cast<std::uint64_t>(count) * 512;
  while (left > 0) {
    const auto n = static_cast<std::uint32_t>(std::min(left, kMaxPieceBytes));
    if (const std::uint32_t code = store_->WriteAt(offset, in, n)) {
      return Failed(code, "write at byte " + std::to_string(offset));
    }
    in += n;
    offset += n;
    left -= n;
  }
  return fat::Status::Ok();
}

fat::Status StoreSectorDevice::Sync() {
  if (!writable_) return fat::Status::Ok();
  const std::uint32_t code = store_->Sync();
  return code == kErrorSuccess ? fat::Status::Ok() : Failed(code, "sync");
}

}  // namespace platform
