#include "fat/volume_io.h"

#include <algorithm>

namespace fat {
namespace {
// Largest request passed on in one call, in device sectors (1 GiB of 512-byte
// sectors): far above any single file write, far below the 32-bit count.
constexpr std::uint64_t kMaxDeviceSectorsPerCall = 1u << 21;
}  // namespace

VolumeIo::VolumeIo(ISectorDevice& device, std::uint32_t sectorBytes, std::uint64_t volumeSectors,
                   bool writable)
    : device_(device),
      sectorBytes_(sectorBytes),
      ratio_(sectorBytes / device.SectorSize()),
      volumeSectors_(volumeSectors),
      writable_(writable) {}

Status VolumeIo::Check(std::uint64_t sector, std::uint64_t count) const {
  if (sector > volumeSectors_ || count > volumeSectors_ - sector) {
    return Fail(Error::kOutOfRange, "sectors " + std::to_string(sector) + "+" +
                                        std::to_string(count) + " lie outside the volume");
  }
  return Status::Ok();
}

Status VolumeIo::Read(std::uint64_t sector, std::uint64_t count, void* buffer, bool fromMedium) {
  Status s = Check(sector, count);
  if (!s.ok()) return s;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint64_t first = sector * ratio_;
  std::uint64_t left = count * ratio_;
  while (left > 0) {
    const std::uint64_t n = std::min(left, kMaxDeviceSectorsPerCall);
    s = fromMedium ? device_.ReadSectorsFromMedium(first, static_cast<std::uint32_t>(n), out)
                   : device_.ReadSectors(first, static_cast<std::uint32_t>(n), out);
    if (!s.ok()) return s;
    out += n * device_.SectorSize();
    first += n;
    left -= n;
  }
  return Status::Ok();
}

Status VolumeIo::Write(std::uint64_t sector, std::uint64_t count, const void* buffer) {
  if (!writable_) return Fail(Error::kReadOnly, "the volume is mounted read-only");
  Status s = Check(sector, count);
  if (!s.ok()) return s;
  unsynced_ = true;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::uint64_t first = sector * ratio_;
  std::uint64_t left = count * ratio_;
  while (left > 0) {
    const std::uint64_t n = std::min(left, kMaxDeviceSectorsPerCall);
    s = device_.WriteSectors(first, static_cast<std::uint32_t>(n), in);
    if (!s.ok()) return s;
    in += n * device_.SectorSize();
    first += n;
    left -= n;
  }
  return Status::Ok();
}

Status VolumeIo::Sync() {
  if (!unsynced_) return Status::Ok();
  Status s = device_.Sync();
  if (s.ok()) unsynced_ = false;
  return s;
}

}  // namespace fat
