#include "support/power_cut_store.h"

#include <algorithm>
#include <cstring>

#include "platform/errors.h"

namespace testsupport {
namespace {
constexpr std::uint64_t kSector = 512;

// Copies bytes [offset, offset + count) out of base + overlay.
void CopyOut(const ByteBuffer& base, const SectorOverlay& overlay, std::uint64_t offset,
             std::uint8_t* out, std::uint64_t count) {
  while (count > 0) {
    const std::uint64_t sector = offset / kSector;
    const std::uint64_t within = offset % kSector;
    const std::uint64_t n = std::min(count, kSector - within);
    auto it = overlay.find(sector);
    const std::uint8_t* from = it != overlay.end() ? it->second.data() : &base[sector * kSector];
    std::memcpy(out, from + within, n);
    out += n;
    offset += n;
    count -= n;
  }
}
}  // namespace

PowerCutStore::PowerCutStore(std::shared_ptr<const ByteBuffer> base, SectorOverlay overlay)
    : base_(std::move(base)), initial_(overlay), current_(std::move(overlay)) {}

std::uint32_t PowerCutStore::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size() || count > size() - offset) return platform::kErrorSectorNotFound;
  CopyOut(*base_, current_, offset, static_cast<std::uint8_t*>(buffer), count);
  return platform::kErrorSuccess;
}

std::uint32_t PowerCutStore::WriteAt(std::uint64_t offset, const void* buffer,
                                     std::uint32_t count) {
  if (offset > size() || count > size() - offset) return platform::kErrorSectorNotFound;
  if (watch_) watch_(log_.size());
  Event& event = log_.emplace_back();
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    const std::uint64_t sector = offset / kSector;
    const std::uint64_t within = offset % kSector;
    const std::uint64_t n = std::min<std::uint64_t>(count, kSector - within);
    Sector data;
    CopyOut(*base_, current_, sector * kSector, data.data(), kSector);
    std::memcpy(data.data() + within, in, n);
    current_[sector] = data;
    event.sectors.emplace_back(sector, data);
    in += n;
    offset += n;
    count -= static_cast<std::uint32_t>(n);
  }
  return platform::kErrorSuccess;
}

std::uint32_t PowerCutStore::Sync() {
  if (watch_) watch_(log_.size());
  log_.emplace_back().sync = true;
  return platform::kErrorSuccess;
}

std::uint64_t PowerCutStore::syncs() const {
  return static_cast<std::uint64_t>(
      std::count_if(log_.begin(), log_.end(), [](const Event& e) { return e.sync; }));
}

SectorOverlay PowerCutStore::SurvivorAt(std::uint64_t events, std::mt19937& rng) const {
  SectorOverlay survivor = initial_;
  // The events up to the last sync before the cut are on the medium.
  std::uint64_t synced = 0;
  for (std::uint64_t i = 0; i < events && i < log_.size(); ++i) {
    if (log_[i].sync) synced = i + 1;
  }
  for (std::uint64_t i = 0; i < synced; ++i) {
    for (const auto& [sector, data] : log_[i].sectors) survivor[sector] = data;
  }
  std::bernoulli_distribution kept(0.5);
  for (std::uint64_t i = synced; i < events && i < log_.size(); ++i) {
    for (const auto& [sector, data] : log_[i].sectors) {
      if (kept(rng)) survivor[sector] = data;
    }
  }
  return survivor;
}

OverlayStore::OverlayStore(std::shared_ptr<const ByteBuffer> base, SectorOverlay overlay)
    : base_(std::move(base)), overlay_(std::move(overlay)) {}

std::uint32_t OverlayStore::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) {
  if (offset > size() || count > size() - offset) return platform::kErrorSectorNotFound;
  CopyOut(*base_, overlay_, offset, static_cast<std::uint8_t*>(buffer), count);
  return platform::kErrorSuccess;
}

std::uint32_t OverlayStore::WriteAt(std::uint64_t, const void*, std::uint32_t) {
  return platform::kErrorWriteProtect;
}

ByteBuffer ReadThrough(const ByteBuffer& base, const SectorOverlay& overlay, std::uint64_t offset,
                       std::uint64_t count) {
  ByteBuffer out(count);
  CopyOut(base, overlay, offset, out.data(), count);
  return out;
}

}  // namespace testsupport
