#include "fat/fat_table.h"

#include <algorithm>
#include <cstring>

namespace fat {
namespace {
// Unit of caching: a chain walk of a few hundred clusters reads one piece.
constexpr std::uint32_t kBlockBytes = 16 * 1024;
// Largest piece read by a pass over the FAT.
constexpr std::uint32_t kScanBytes = 1u << 20;
// Clean sectors beyond this are forgotten between operations.
constexpr std::uint64_t kCacheLimitBytes = 2u << 20;
}  // namespace

void FatTable::Open(VolumeIo& io, const Geometry& geometry) {
  io_ = &io;
  geometry_ = geometry;
  blockSectors_ = std::max<std::uint32_t>(1, kBlockBytes / geometry.bytesPerSector);
  blockBytes_ = static_cast<std::uint64_t>(blockSectors_) * geometry.bytesPerSector;
  blocks_.clear();
  lastBlock_ = nullptr;
  dirtySectors_ = 0;
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
  freeKnown_ = false;
  freeCount_ = 0;
  freedSinceMount_ = 0;
  lowestFree_ = 2;
  nextFree_ = 0;
}

std::uint64_t FatTable::EntryOffset(std::uint32_t cluster) const {
  switch (geometry_.fatType) {
    case 12:
      return cluster + cluster / 2;
    case 16:
      return static_cast<std::uint64_t>(cluster) * 2;
    default:
      return static_cast<std::uint64_t>(cluster) * 4;
  }
}

std::uint32_t FatTable::BlockSectors(std::uint32_t block) const {
  const std::uint64_t first = static_cast<std::uint64_t>(block) * blockSectors_;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(blockSectors_, geometry_.fatSectors - first));
}

Status FatTable::Ensure(std::uint64_t from, std::uint64_t to) {
  const std::uint32_t bps = geometry_.bytesPerSector;
  const std::uint64_t lastSector = (to - 1) / bps;
  if (lastSector >= geometry_.fatSectors) {
    return Fail(Error::kCorrupt, "a FAT entry lies beyond the FAT");
  }
  const auto firstBlock = static_cast<std::uint32_t>(from / bps / blockSectors_);
  const auto lastBlock = static_cast<std::uint32_t>(lastSector / blockSectors_);
  for (std::uint32_t b = firstBlock; b <= lastBlock;) {
    if (blocks_.count(b) != 0) {
      ++b;
      continue;
    }
    std::uint32_t e = b;
    while (e < lastBlock && blocks_.count(e + 1) == 0) ++e;
    const std::uint64_t firstSector = static_cast<std::uint64_t>(b) * blockSectors_;
    std::uint64_t sectors = 0;
    for (std::uint32_t k = b; k <= e; ++k) sectors += BlockSectors(k);
    ByteBuffer bytes(static_cast<std::size_t>(sectors) * bps);
    Status s = io_->Read(geometry_.fatStart + firstSector, sectors, bytes.data());
    if (!s.ok()) return Fail(s.error, "cannot read the FAT: " + s.message);
    std::size_t at = 0;
    for (std::uint32_t k = b; k <= e; ++k) {
      Block& block = blocks_[k];
      const std::size_t n = static_cast<std::size_t>(BlockSectors(k)) * bps;
      block.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
      block.dirty.assign(BlockSectors(k), false);
      at += n;
    }
    b = e + 1;
  }
  return Status::Ok();
}

Status FatTable::EnsureClusters(std::uint32_t first, std::uint32_t last) {
  return Ensure(EntryOffset(first), EntryOffset(last) + EntryWidth());
}

FatTable::Block* FatTable::FindBlock(std::uint32_t index) {
  if (lastBlock_ != nullptr && lastIndex_ == index) return lastBlock_;
  auto it = blocks_.find(index);
  if (it == blocks_.end()) return nullptr;
  lastIndex_ = index;
  lastBlock_ = &it->second;
  return lastBlock_;
}

std::uint8_t* FatTable::ByteAt(std::uint64_t offset) {
  Block* block = FindBlock(static_cast<std::uint32_t>(offset / blockBytes_));
  return &block->bytes[static_cast<std::size_t>(offset % blockBytes_)];
}

std::uint32_t FatTable::Decode(const std::uint8_t* entry, std::uint32_t cluster) const {
  switch (geometry_.fatType) {
    case 12: {
      const std::uint32_t v = entry[0] | (entry[1] << 8);
      return (cluster & 1) ? v >> 4 : v & 0xFFF;
    }
    case 16:
      return le::Read16(entry);
    default:
      return le::Read32(entry) & 0x0FFFFFFF;
  }
}

std::uint32_t FatTable::Peek(std::uint32_t cluster) {
  const std::uint64_t off = EntryOffset(cluster);
  if (geometry_.fatType == 12) {
    // An entry may straddle two sectors, even two blocks.
    const std::uint8_t bytes[2] = {*ByteAt(off), *ByteAt(off + 1)};
    return Decode(bytes, cluster);
  }
  return Decode(ByteAt(off), cluster);
}

void FatTable::MarkDirty(std::uint64_t offset) {
  const std::uint32_t bps = geometry_.bytesPerSector;
  const std::uint64_t sector = offset / bps;
  Block& block = *FindBlock(static_cast<std::uint32_t>(sector / blockSectors_));
  const auto index = static_cast<std::size_t>(sector % blockSectors_);
  if (block.dirty[index]) return;
  // The sector as the medium holds it, in case a write-back has to be undone.
  if (block.dirtyCount == 0) block.medium = block.bytes;
  block.dirty[index] = true;
  ++block.dirtyCount;
  ++dirtySectors_;
}

void FatTable::Poke(std::uint32_t cluster, std::uint32_t value) {
  const std::uint64_t off = EntryOffset(cluster);
  switch (geometry_.fatType) {
    case 12: {
      MarkDirty(off);
      MarkDirty(off + 1);
      std::uint8_t* lo = ByteAt(off);
      std::uint8_t* hi = ByteAt(off + 1);
      value &= 0xFFF;
      if (cluster & 1) {
        *lo = static_cast<std::uint8_t>((*lo & 0x0F) | ((value << 4) & 0xF0));
        *hi = static_cast<std::uint8_t>(value >> 4);
      } else {
        *lo = static_cast<std::uint8_t>(value);
        *hi = static_cast<std::uint8_t>((*hi & 0xF0) | ((value >> 8) & 0x0F));
      }
      break;
    }
    case 16:
      MarkDirty(off);
      le::Write16(ByteAt(off), static_cast<std::uint16_t>(value));
      break;
    default: {
      // The top four bits are reserved and kept.
      MarkDirty(off);
      std::uint8_t* p = ByteAt(off);
      le::Write32(p, (le::Read32(p) & 0xF0000000) | (value & 0x0FFFFFFF));
      break;
    }
  }
}

Status FatTable::Get(std::uint32_t cluster, std::uint32_t* value) {
  // The common case: the entry lies in one block that is cached.
  const std::uint64_t off = EntryOffset(cluster);
  const auto index = static_cast<std::uint32_t>(off / blockBytes_);
  if ((off + EntryWidth() - 1) / blockBytes_ == index) {
    if (Block* block = FindBlock(index)) {
      *value = Decode(&block->bytes[static_cast<std::size_t>(off % blockBytes_)], cluster);
      return Status::Ok();
    }
  }
  Status s = EnsureClusters(cluster, cluster);
  if (!s.ok()) return s;
  *value = Peek(cluster);
  return Status::Ok();
}

Status FatTable::Set(std::uint32_t cluster, std::uint32_t value) {
  Status s = EnsureClusters(cluster, cluster);
  if (!s.ok()) return s;
  Poke(cluster, value);
  return Status::Ok();
}

template <typename Visit>
Status FatTable::Scan(std::uint32_t from, Visit visit) {
  const std::uint32_t bps = geometry_.bytesPerSector;
  const std::uint32_t maxChunk = std::max<std::uint32_t>(2, kScanBytes / bps);
  std::uint32_t chunk = std::max<std::uint32_t>(2, blockSectors_);
  ByteBuffer buffer;
  std::uint32_t c = std::max<std::uint32_t>(from, 2);
  while (c <= maxCluster_) {
    const std::uint64_t firstSector = EntryOffset(c) / bps;
    if (firstSector >= geometry_.fatSectors) {
      return Fail(Error::kCorrupt, "a FAT entry lies beyond the FAT");
    }
    const auto n = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(chunk, geometry_.fatSectors - firstSector));
    buffer.resize(static_cast<std::size_t>(n) * bps);
    Status s = io_->Read(geometry_.fatStart + firstSector, n, buffer.data());
    if (!s.ok()) return Fail(s.error, "cannot read the FAT: " + s.message);
    // What memory holds is newer than the medium.
    const auto firstBlock = static_cast<std::uint32_t>(firstSector / blockSectors_);
    for (auto it = blocks_.lower_bound(firstBlock); it != blocks_.end(); ++it) {
      const std::uint64_t blockStart = static_cast<std::uint64_t>(it->first) * blockSectors_;
      if (blockStart >= firstSector + n) break;
      const std::uint64_t lo = std::max(blockStart, firstSector);
      const std::uint64_t hi =
          std::min<std::uint64_t>(blockStart + it->second.dirty.size(), firstSector + n);
      std::memcpy(buffer.data() + (lo - firstSector) * bps,
                  it->second.bytes.data() + (lo - blockStart) * bps, (hi - lo) * bps);
    }
    const std::uint64_t base = firstSector * bps;
    const std::uint64_t end = base + buffer.size();
    const std::uint32_t before = c;
    while (c <= maxCluster_ && EntryOffset(c) + EntryWidth() <= end) {
      if (!visit(c, Decode(buffer.data() + (EntryOffset(c) - base), c))) return Status::Ok();
      ++c;
    }
    if (c == before) return Fail(Error::kCorrupt, "a FAT entry lies beyond the FAT");
    chunk = std::min(chunk * 2, maxChunk);
  }
  return Status::Ok();
}

Status FatTable::ReadChain(std::uint32_t first, std::vector<ClusterSpan>* spans,
                           std::uint64_t maxClusters, std::uint64_t enough) {
  spans->clear();
  Trim();
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
    if (steps >= enough) return Status::Ok();
    std::uint32_t next = 0;
    Status s = Get(c, &next);
    if (!s.ok()) return s;
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

Status FatTable::FindRun(std::uint32_t count, std::uint32_t* start, bool* found) {
  *found = false;
  std::uint32_t runStart = 0;
  std::uint32_t runLength = 0;
  bool sawFree = false;
  Status s = Scan(lowestFree_, [&](std::uint32_t c, std::uint32_t value) {
    if (value != 0) {
      runLength = 0;
      return true;
    }
    if (!sawFree) lowestFree_ = c;  // the scan began where no free cluster lies below
    sawFree = true;
    if (runLength++ == 0) runStart = c;
    if (runLength < count) return true;
    *start = runStart;
    *found = true;
    return false;
  });
  if (s.ok() && !sawFree) lowestFree_ = maxCluster_ + 1;
  return s;
}

Status FatTable::Extend(std::uint32_t last, std::uint32_t count, std::vector<ClusterSpan>* added) {
  added->clear();
  if (count == 0) return Status::Ok();
  Trim();
  if (freeKnown_ && count > freeCount_) {
    return Fail(Error::kDiskFull, "needs " + std::to_string(count) + " clusters, " +
                                      std::to_string(freeCount_) + " are free");
  }
  if (last != 0 && static_cast<std::uint64_t>(last) + count <= maxCluster_) {
    std::uint32_t seen = 0;
    bool allFree = true;
    Status s = Scan(last + 1, [&](std::uint32_t, std::uint32_t value) {
      if (value != 0) {
        allFree = false;
        return false;
      }
      return ++seen < count;
    });
    if (!s.ok()) return s;
    if (allFree && seen == count) added->push_back({last + 1, count});
  }
  if (added->empty()) {
    std::uint32_t start = 0;
    bool found = false;
    Status s = FindRun(count, &start, &found);
    if (!s.ok()) return s;
    if (found) added->push_back({start, count});
  }
  if (added->empty()) {
    // Free space is fragmented: fill the lowest free clusters.
    std::uint32_t left = count;
    Status s = Scan(lowestFree_, [&](std::uint32_t c, std::uint32_t value) {
      if (value != 0) return true;
      if (!added->empty() && added->back().first + added->back().length == c) {
        ++added->back().length;
      } else {
        added->push_back({c, 1});
      }
      return --left > 0;
    });
    if (!s.ok() || left > 0) {
      added->clear();
      if (!s.ok()) return s;
      // The pass went over every cluster from the lowest free one.
      freeKnown_ = true;
      freeCount_ = count - left;
      return Fail(Error::kDiskFull, "needs " + std::to_string(count) + " clusters, " +
                                        std::to_string(freeCount_) + " are free");
    }
  }
  // Every entry to change is read before the first one changes.
  Status s = last != 0 ? EnsureClusters(last, last) : Status::Ok();
  for (const ClusterSpan& span : *added) {
    if (s.ok()) s = EnsureClusters(span.first, span.first + span.length - 1);
  }
  if (!s.ok()) {
    added->clear();
    return s;
  }
  std::uint32_t previous = last;
  for (const ClusterSpan& span : *added) {
    for (std::uint32_t c = span.first; c < span.first + span.length; ++c) {
      if (previous != 0) Poke(previous, c);
      previous = c;
    }
    if (freeKnown_) freeCount_ -= span.length;
    freedSinceMount_ -= span.length;
    // Clusters below a taken run that began at the lowest free one are all used.
    if (span.first == lowestFree_) lowestFree_ = span.first + span.length;
  }
  Poke(previous, endOfChain_);
  nextFree_ = previous + 1 > maxCluster_ ? 2 : previous + 1;
  return Status::Ok();
}

Status FatTable::Release(const std::vector<ClusterSpan>& spans) {
  Trim();
  for (const ClusterSpan& span : spans) {
    Status s = EnsureClusters(span.first, span.first + span.length - 1);
    if (!s.ok()) return s;
  }
  for (const ClusterSpan& span : spans) {
    for (std::uint32_t c = span.first; c < span.first + span.length; ++c) {
      if (Peek(c) == 0) continue;
      Poke(c, 0);
      if (freeKnown_) ++freeCount_;
      ++freedSinceMount_;
      lowestFree_ = std::min(lowestFree_, c);
    }
  }
  return Status::Ok();
}

Status FatTable::CountFree(std::uint32_t* count) {
  if (!freeKnown_) {
    std::uint32_t n = 0;
    std::uint32_t lowest = maxCluster_ + 1;
    Status s = Scan(2, [&](std::uint32_t c, std::uint32_t value) {
      if (value == 0 && n++ == 0) lowest = c;
      return true;
    });
    if (!s.ok()) return s;
    freeCount_ = n;
    freeKnown_ = true;
    lowestFree_ = lowest;
  }
  *count = freeCount_;
  return Status::Ok();
}

Status FatTable::HasFree(std::uint32_t count, bool* enough) {
  if (freeKnown_ || count == 0) {
    *enough = count <= freeCount_ || count == 0;
    return Status::Ok();
  }
  std::uint32_t n = 0;
  bool complete = true;
  Status s = Scan(lowestFree_, [&](std::uint32_t, std::uint32_t value) {
    if (value == 0 && ++n >= count) {
      complete = false;
      return false;
    }
    return true;
  });
  if (!s.ok()) return s;
  if (complete) {
    freeKnown_ = true;
    freeCount_ = n;
  }
  *enough = n >= count;
  return Status::Ok();
}

Status FatTable::WriteDirty(std::uint32_t copy, bool medium, std::vector<std::uint32_t>* written) {
  const std::uint32_t bps = geometry_.bytesPerSector;
  const std::uint64_t base =
      geometry_.fatStart + static_cast<std::uint64_t>(copy) * geometry_.fatSectors;
  Status first;
  for (auto& [index, block] : blocks_) {
    if (block.dirtyCount == 0) continue;
    const ByteBuffer& bytes = medium ? block.medium : block.bytes;
    const std::uint64_t blockStart = static_cast<std::uint64_t>(index) * blockSectors_;
    std::uint32_t s = 0;
    const auto count = static_cast<std::uint32_t>(block.dirty.size());
    while (s < count) {
      if (!block.dirty[s]) {
        ++s;
        continue;
      }
      std::uint32_t e = s;
      while (e < count && block.dirty[e]) ++e;
      Status st = io_->Write(base + blockStart + s, e - s,
                             bytes.data() + static_cast<std::size_t>(s) * bps);
      if (!st.ok()) {
        if (written == nullptr) {
          if (first.ok()) first = st;  // putting back goes on regardless
        } else {
          return Fail(st.error,
                      "cannot write FAT copy " + std::to_string(copy + 1) + ": " + st.message);
        }
      }
      s = e;
    }
    if (written != nullptr) written->push_back(index);
  }
  return first;
}

Status FatTable::Flush() {
  if (dirtySectors_ == 0) return Status::Ok();
  for (std::uint32_t copy = 0; copy < geometry_.fatCount; ++copy) {
    std::vector<std::uint32_t> written;
    Status s = WriteDirty(copy, false, &written);
    if (s.ok()) continue;
    // Back to the state before this write-back in every copy touched, so
    // that the copies agree with each other and with the folders.
    for (std::uint32_t k = 0; k <= copy; ++k) WriteDirty(k, true, nullptr);
    for (auto& [index, block] : blocks_) {
      if (block.dirtyCount == 0) continue;
      block.bytes = std::move(block.medium);
      block.medium.clear();
      std::fill(block.dirty.begin(), block.dirty.end(), false);
      block.dirtyCount = 0;
    }
    dirtySectors_ = 0;
    freeKnown_ = false;
    lowestFree_ = 2;
    return s;
  }
  for (auto& [index, block] : blocks_) {
    if (block.dirtyCount == 0) continue;
    std::fill(block.dirty.begin(), block.dirty.end(), false);
    block.dirtyCount = 0;
    block.medium.clear();
  }
  dirtySectors_ = 0;
  return Status::Ok();
}

void FatTable::ForgetClean() {
  lastBlock_ = nullptr;
  for (auto it = blocks_.begin(); it != blocks_.end();) {
    it = it->second.dirtyCount == 0 ? blocks_.erase(it) : std::next(it);
  }
  freeKnown_ = false;
  lowestFree_ = 2;
}

void FatTable::Trim() {
  if (blocks_.size() * blockBytes_ <= kCacheLimitBytes) return;
  lastBlock_ = nullptr;
  for (auto it = blocks_.begin(); it != blocks_.end();) {
    it = it->second.dirtyCount == 0 ? blocks_.erase(it) : std::next(it);
  }
}

std::uint64_t FatTable::cachedBytes() const {
  std::uint64_t bytes = 0;
  for (const auto& [index, block] : blocks_) bytes += block.bytes.size() + block.medium.size();
  return bytes;
}

}  // namespace fat
