#include "fat/fat_table.h"

#include <algorithm>

namespace fat {
namespace {
// FAT sectors read per request when loading.
constexpr std::uint32_t kLoadChunkBytes = 1u << 20;
}  // namespace

Status FatTable::Load(VolumeIo& io, const Geometry& geometry) {
  geometry_ = geometry;
  const std::uint32_t bps = geometry.bytesPerSector;
  bytes_.assign(static_cast<std::size_t>(geometry.fatSectors) * bps, 0);
  dirtySectors_.assign(geometry.fatSectors, 0);
  dirtyCount_ = 0;
  const std::uint32_t chunk = std::max<std::uint32_t>(1, kLoadChunkBytes / bps);
  for (std::uint32_t s = 0; s < geometry.fatSectors; s += chunk) {
    const std::uint32_t n = std::min(chunk, geometry.fatSectors - s);
    Status st = io.Read(geometry.fatStart + static_cast<std::uint64_t>(s), n,
                        bytes_.data() + static_cast<std::size_t>(s) * bps);
    if (!st.ok()) return Fail(st.error, "cannot read the FAT: " + st.message);
  }
  maxCluster_ = geometry.MaxCluster();
  switch (geometry.fatType) {
    case 12:
      endOfChain_ = 0xFFF;
      endMin_ = 0xFF8;
      badCluster_ = 0xFF7;
      break;
    case 16:
      endOfChain_ = 0xFFFF;
      endMin_ = 0xFFF8;
      badCluster_ = 0xFFF7;
      break;
    default:
      endOfChain_ = 0x0FFFFFFF;
      endMin_ = 0x0FFFFFF8;
      badCluster_ = 0x0FFFFFF7;
      break;
  }
  freeCount_ = 0;
  lowestFree_ = maxCluster_ + 1;
  for (std::uint32_t c = 2; c <= maxCluster_; ++c) {
    if (Get(c) == 0) {
      if (freeCount_ == 0) lowestFree_ = c;
      ++freeCount_;
    }
  }
  nextFree_ = lowestFree_;
  return Status::Ok();
}

std::uint32_t FatTable::Get(std::uint32_t cluster) const {
  switch (geometry_.fatType) {
    case 12: {
      const std::size_t off = cluster + cluster / 2;
      const std::uint32_t v = bytes_[off] | (bytes_[off + 1] << 8);
      return (cluster & 1) ? v >> 4 : v & 0xFFF;
    }
    case 16:
      return le::Read16(&bytes_[static_cast<std::size_t>(cluster) * 2]);
    default:
      return le::Read32(&bytes_[static_cast<std::size_t>(cluster) * 4]) & 0x0FFFFFFF;
  }
}

void FatTable::MarkDirty(std::uint64_t byteOffset) {
  const std::uint64_t sector = byteOffset / geometry_.bytesPerSector;
  if (!dirtySectors_[sector]) {
    dirtySectors_[sector] = 1;
    ++dirtyCount_;
  }
}

void FatTable::Set(std::uint32_t cluster, std::uint32_t value) {
  switch (geometry_.fatType) {
    case 12: {
      // An entry may straddle two sectors; both are marked.
      const std::size_t off = cluster + cluster / 2;
      value &= 0xFFF;
      if (cluster & 1) {
        bytes_[off] = static_cast<std::uint8_t>((bytes_[off] & 0x0F) | ((value << 4) & 0xF0));
        bytes_[off + 1] = static_cast<std::uint8_t>(value >> 4);
      } else {
        bytes_[off] = static_cast<std::uint8_t>(value);
        bytes_[off + 1] =
            static_cast<std::uint8_t>((bytes_[off + 1] & 0xF0) | ((value >> 8) & 0x0F));
      }
      MarkDirty(off);
      MarkDirty(off + 1);
      break;
    }
    case 16: {
      const std::size_t off = static_cast<std::size_t>(cluster) * 2;
      le::Write16(&bytes_[off], static_cast<std::uint16_t>(value));
      MarkDirty(off);
      break;
    }
    default: {
      // The top four bits are reserved and kept.
      const std::size_t off = static_cast<std::size_t>(cluster) * 4;
      const std::uint32_t old = le::Read32(&bytes_[off]);
      le::Write32(&bytes_[off], (old & 0xF0000000) | (value & 0x0FFFFFFF));
      MarkDirty(off);
      break;
    }
  }
}

Status FatTable::ReadChain(std::uint32_t first, std::vector<ClusterSpan>* spans,
                           std::uint64_t maxClusters) const {
  spans->clear();
  if (!IsCluster(first)) {
    return Fail(Error::kCorrupt,
                "chain starts at cluster " + std::to_string(first) + ", outside the volume");
  }
  std::uint64_t steps = 0;
  std::uint32_t c = first;
  for (;;) {
    if (++steps > maxCluster_ - 1) {
      return Fail(Error::kCorrupt, "cluster chain from " + std::to_string(first) + " loops");
    }
    if (steps > maxClusters) {
      return Fail(Error::kCorrupt, "cluster chain from " + std::to_string(first) + " is too long");
    }
    if (!spans->empty() && spans->back().first + spans->back().length == c) {
      ++spans->back().length;
    } else {
      spans->push_back({c, 1});
    }
    const std::uint32_t next = Get(c);
    if (IsEndOfChain(next)) return Status::Ok();
    if (next == 0) {
      return Fail(Error::kCorrupt, "free cluster inside the chain from " + std::to_string(first));
    }
    if (next == badCluster_) {
      return Fail(Error::kCorrupt, "bad cluster inside the chain from " + std::to_string(first));
    }
    if (!IsCluster(next)) {
      return Fail(Error::kCorrupt, "chain from " + std::to_string(first) + " links to cluster " +
                                       std::to_string(next) + ", outside the volume");
    }
    c = next;
  }
}

bool FatTable::FindRun(std::uint32_t count, std::uint32_t* start) const {
  std::uint32_t runStart = 0;
  std::uint32_t runLength = 0;
  for (std::uint32_t c = lowestFree_; c <= maxCluster_; ++c) {
    if (Get(c) != 0) {
      runLength = 0;
      continue;
    }
    if (runLength++ == 0) runStart = c;
    if (runLength == count) {
      *start = runStart;
      return true;
    }
  }
  return false;
}

void FatTable::Take(std::uint32_t cluster) {
  --freeCount_;
  nextFree_ = cluster + 1 > maxCluster_ ? 2 : cluster + 1;
}

Status FatTable::Extend(std::uint32_t last, std::uint32_t count, std::vector<ClusterSpan>* added) {
  added->clear();
  if (count == 0) return Status::Ok();
  if (count > freeCount_) {
    return Fail(Error::kDiskFull, "needs " + std::to_string(count) + " clusters, " +
                                      std::to_string(freeCount_) + " are free");
  }
  bool placed = false;
  if (last != 0 && static_cast<std::uint64_t>(last) + count <= maxCluster_) {
    placed = true;
    for (std::uint32_t c = last + 1; c <= last + count; ++c) {
      if (Get(c) != 0) {
        placed = false;
        break;
      }
    }
    if (placed) added->push_back({last + 1, count});
  }
  std::uint32_t start = 0;
  if (!placed && FindRun(count, &start)) {
    added->push_back({start, count});
    placed = true;
  }
  if (!placed) {
    // Free space is fragmented: fill the lowest free clusters.
    std::uint32_t left = count;
    for (std::uint32_t c = lowestFree_; c <= maxCluster_ && left > 0; ++c) {
      if (Get(c) != 0) continue;
      if (!added->empty() && added->back().first + added->back().length == c) {
        ++added->back().length;
      } else {
        added->push_back({c, 1});
      }
      --left;
    }
  }
  std::uint32_t previous = last;
  for (const ClusterSpan& span : *added) {
    for (std::uint32_t c = span.first; c < span.first + span.length; ++c) {
      if (previous != 0) Set(previous, c);
      Take(c);
      previous = c;
    }
  }
  Set(previous, endOfChain_);
  while (lowestFree_ <= maxCluster_ && Get(lowestFree_) != 0) ++lowestFree_;
  return Status::Ok();
}

void FatTable::Release(const std::vector<ClusterSpan>& spans) {
  for (const ClusterSpan& span : spans) {
    for (std::uint32_t c = span.first; c < span.first + span.length; ++c) {
      if (Get(c) == 0) continue;
      Set(c, 0);
      ++freeCount_;
      lowestFree_ = std::min(lowestFree_, c);
    }
  }
}

Status FatTable::Flush(VolumeIo& io) {
  if (dirtyCount_ == 0) return Status::Ok();
  const std::uint32_t bps = geometry_.bytesPerSector;
  for (std::uint32_t copy = 0; copy < geometry_.fatCount; ++copy) {
    const std::uint64_t base =
        geometry_.fatStart + static_cast<std::uint64_t>(copy) * geometry_.fatSectors;
    std::uint32_t s = 0;
    while (s < geometry_.fatSectors) {
      if (!dirtySectors_[s]) {
        ++s;
        continue;
      }
      std::uint32_t e = s;
      while (e < geometry_.fatSectors && dirtySectors_[e]) ++e;
      Status st = io.Write(base + s, e - s, bytes_.data() + static_cast<std::size_t>(s) * bps);
      if (!st.ok()) {
        return Fail(st.error,
                    "cannot write FAT copy " + std::to_string(copy + 1) + ": " + st.message);
      }
      s = e;
    }
  }
  std::fill(dirtySectors_.begin(), dirtySectors_.end(), 0);
  dirtyCount_ = 0;
  return Status::Ok();
}

}  // namespace fat
