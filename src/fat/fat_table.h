// The file allocation table, held in memory once loaded: entry access for
// FAT12/16/32, validated chain walks, first-fit allocation, and write-back of
// the changed sectors to every FAT copy.
#pragma once

#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "fat/boot_sector.h"
#include "fat/volume_io.h"

namespace fat {

// Clusters first ... first + length - 1, consecutive on the volume.
struct ClusterSpan {
  std::uint32_t first = 0;
  std::uint32_t length = 0;
  bool operator==(const ClusterSpan&) const = default;
};

class FatTable {
 public:
  // Reads the first FAT copy and counts the free clusters.
  Status Load(VolumeIo& io, const Geometry& geometry);

  std::uint32_t Get(std::uint32_t cluster) const;
  void Set(std::uint32_t cluster, std::uint32_t value);

  std::uint32_t EndOfChain() const { return endOfChain_; }
  bool IsEndOfChain(std::uint32_t value) const { return value >= endMin_; }
  bool IsCluster(std::uint32_t cluster) const { return cluster >= 2 && cluster <= maxCluster_; }

  // The chain that starts at `first`, as spans. kCorrupt names the fault: a
  // loop, a free or bad cluster inside the chain, a link past the end.
  // `maxClusters` stops the walk early (a chain longer is reported as such).
  Status ReadChain(std::uint32_t first, std::vector<ClusterSpan>* spans,
                   std::uint64_t maxClusters = ~std::uint64_t{0}) const;

  // Adds `count` clusters after `last` (0: a new chain) and gives them as
  // spans. The clusters right after `last` are taken when that many are free
  // there; else the first free run big enough; else the lowest free clusters.
  // kDiskFull leaves the table unchanged.
  Status Extend(std::uint32_t last, std::uint32_t count, std::vector<ClusterSpan>* added);

  // Marks the clusters of the spans free.
  void Release(const std::vector<ClusterSpan>& spans);

  std::uint32_t freeCount() const { return freeCount_; }
  // The cluster after the one allocated last (the FSInfo hint).
  std::uint32_t nextFreeHint() const { return nextFree_; }
  bool dirty() const { return dirtyCount_ != 0; }

  // Writes the changed sectors to every FAT copy, the first copy wholly
  // before the second.
  Status Flush(VolumeIo& io);

 private:
  void MarkDirty(std::uint64_t byteOffset);
  void Take(std::uint32_t cluster);
  bool FindRun(std::uint32_t count, std::uint32_t* start) const;

  Geometry geometry_;
  ByteBuffer bytes_;
  std::vector<std::uint8_t> dirtySectors_;
  std::uint64_t dirtyCount_ = 0;
  std::uint32_t maxCluster_ = 0;
  std::uint32_t endOfChain_ = 0;
  std::uint32_t endMin_ = 0;
  std::uint32_t badCluster_ = 0;
  std::uint32_t freeCount_ = 0;
  std::uint32_t lowestFree_ = 2;  // no free cluster lies below
  std::uint32_t nextFree_ = 2;
};

}  // namespace fat
