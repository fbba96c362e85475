#include "fat/volume_core.h"

#include <algorithm>
#include <cstring>

namespace fat {
namespace {
constexpr std::uint32_t kFsInfoLead = 0x41615252;
constexpr std::uint32_t kFsInfoStruct = 0x61417272;
constexpr std::uint32_t kFsInfoTrail = 0xAA550000;
constexpr std::uint64_t kZeroChunk = 1u << 20;
}  // namespace

VolumeCore::VolumeCore(ISectorDevice& device, const Geometry& g, bool writable)
    : geometry(g), io(device, g.bytesPerSector, g.totalSectors, writable) {}

Status VolumeCore::Load() {
  fat.Open(io, geometry);
  if (geometry.fatType == 32 && geometry.fsInfoSector != 0) {
    ByteBuffer sector(geometry.bytesPerSector);
    if (io.Read(geometry.fsInfoSector, 1, sector.data()).ok() &&
        le::Read32(sector.data()) == kFsInfoLead &&
        le::Read32(sector.data() + 484) == kFsInfoStruct) {
      fsInfoValid_ = true;
      fsInfoFree_ = le::Read32(sector.data() + 488);
      fsInfoNext_ = le::Read32(sector.data() + 492);
      fsInfoFreeAtMount_ = fsInfoFree_;
    }
  }
  return Status::Ok();
}

Status VolumeCore::CanWrite() const {
  if (!io.writable()) return Fail(Error::kReadOnly, "the volume is mounted read-only");
  if (!failure_.ok()) {
    return Fail(Error::kIo, "an earlier write to the volume failed (" + failure_.message + ")");
  }
  return Status::Ok();
}

Status VolumeCore::Remember(Status status) {
  if (!status.ok() && failure_.ok() && status.error != Error::kReadOnly) failure_ = status;
  return status;
}

Status VolumeCore::FlushFat() {
  if (!io.writable()) return Status::Ok();
  if (!failure_.ok()) return CanWrite();
  Status s = Remember(fat.Flush());
  if (!s.ok()) return s;
  return Remember(WriteFsInfo());
}

Status VolumeCore::Barrier() {
  if (!io.writable()) return Status::Ok();
  return Remember(io.Sync());
}

bool VolumeCore::FsInfoFreePlausible() const {
  // 0xFFFFFFFF means unknown; a count above the cluster count is a fault.
  return fsInfoValid_ && fsInfoFreeAtMount_ <= geometry.clusterCount;
}

Status VolumeCore::FreeClusters(std::uint32_t* count) {
  if (!fat.freeCountKnown() && FsInfoFreePlausible()) {
    const std::int64_t n = static_cast<std::int64_t>(fsInfoFreeAtMount_) + fat.freedSinceMount();
    *count = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(n, 0, static_cast<std::int64_t>(geometry.clusterCount)));
    return Status::Ok();
  }
  return fat.CountFree(count);
}

Status VolumeCore::WriteFsInfo() {
  if (geometry.fatType != 32 || !fsInfoValid_) return Status::Ok();
  // Left as it is while the FAT is as it was.
  if (fat.freedSinceMount() == 0 && fat.nextFreeHint() == 0) return Status::Ok();
  std::uint32_t freeCount = 0;
  Status s = FreeClusters(&freeCount);
  if (!s.ok()) return s;
  const std::uint32_t next = fat.nextFreeHint() != 0 ? fat.nextFreeHint() : fsInfoNext_;
  if (freeCount == fsInfoFree_ && next == fsInfoNext_) return Status::Ok();
  ByteBuffer sector(geometry.bytesPerSector);
  s = io.Read(geometry.fsInfoSector, 1, sector.data());
  if (!s.ok()) return s;
  le::Write32(sector.data() + 488, freeCount);
  le::Write32(sector.data() + 492, next);
  le::Write32(sector.data() + 508, kFsInfoTrail);
  s = io.Write(geometry.fsInfoSector, 1, sector.data());
  if (!s.ok()) return Fail(s.error, "cannot write FSInfo: " + s.message);
  fsInfoFree_ = freeCount;
  fsInfoNext_ = next;
  return Status::Ok();
}

Status VolumeCore::ReleaseClusters(const std::vector<ClusterSpan>& spans) {
  for (auto it = folders.begin(); it != folders.end();) {
    const std::uint32_t key = it->first;
    const bool freed = std::any_of(spans.begin(), spans.end(), [&](const ClusterSpan& span) {
      return key >= span.first && key - span.first < span.length;
    });
    it = freed ? folders.erase(it) : std::next(it);
  }
  return fat.Release(spans);
}

void VolumeCore::ForgetCached() {
  fat.ForgetClean();
  folders.clear();
}

namespace {
// Walks a byte range in sector terms: runs of whole sectors go to `whole`
// (first sector, sector count, bytes done so far), a partial sector to
// `partial` (sector, offset in it, byte count, bytes done so far).
template <typename Whole, typename Partial>
Status ForEachPiece(std::uint32_t bps, std::uint64_t address, std::uint64_t size, Whole whole,
                    Partial partial) {
  std::uint64_t done = 0;
  while (done < size) {
    const std::uint64_t sector = address / bps;
    const auto offset = static_cast<std::uint32_t>(address % bps);
    const std::uint64_t left = size - done;
    std::uint64_t n;
    Status s;
    if (offset == 0 && left >= bps) {
      n = left / bps * bps;
      s = whole(sector, n / bps, done);
    } else {
      n = std::min<std::uint64_t>(left, bps - offset);
      s = partial(sector, offset, n, done);
    }
    if (!s.ok()) return s;
    address += n;
    done += n;
  }
  return Status::Ok();
}
}  // namespace

Status VolumeCore::ReadBytes(std::uint64_t address, void* buffer, std::uint64_t size,
                             bool fromMedium) {
  const std::uint32_t bps = geometry.bytesPerSector;
  auto* out = static_cast<std::uint8_t*>(buffer);
  ByteBuffer bounce;
  return ForEachPiece(
      bps, address, size,
      [&](std::uint64_t sector, std::uint64_t count, std::uint64_t done) {
        return io.Read(sector, count, out + done, fromMedium);
      },
      [&](std::uint64_t sector, std::uint32_t offset, std::uint64_t n, std::uint64_t done) {
        bounce.resize(bps);
        Status s = io.Read(sector, 1, bounce.data(), fromMedium);
        if (s.ok()) std::memcpy(out + done, bounce.data() + offset, n);
        return s;
      });
}

Status VolumeCore::WriteBytes(std::uint64_t address, const void* buffer, std::uint64_t size) {
  const std::uint32_t bps = geometry.bytesPerSector;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  ByteBuffer bounce;
  return ForEachPiece(
      bps, address, size,
      [&](std::uint64_t sector, std::uint64_t count, std::uint64_t done) {
        return io.Write(sector, count, in + done);
      },
      [&](std::uint64_t sector, std::uint32_t offset, std::uint64_t n, std::uint64_t done) {
        // A partial sector is read, changed and written back.
        bounce.resize(bps);
        Status s = io.Read(sector, 1, bounce.data());
        if (!s.ok()) return s;
        std::memcpy(bounce.data() + offset, in + done, n);
        return io.Write(sector, 1, bounce.data());
      });
}

Status VolumeCore::ZeroClusters(const ClusterSpan& span) {
  std::uint64_t address = ClusterAddress(span.first);
  std::uint64_t left = static_cast<std::uint64_t>(span.length) * geometry.ClusterBytes();
  const ByteBuffer zeros(std::min(left, kZeroChunk), 0);
  while (left > 0) {
    const std::uint64_t n = std::min<std::uint64_t>(left, zeros.size());
    Status s = WriteBytes(address, zeros.data(), n);
    if (!s.ok()) return s;
    address += n;
    left -= n;
  }
  return Status::Ok();
}

}  // namespace fat
