// The file allocation table, read piece by piece as chain walks and
// allocations touch it: entry access for FAT12/16/32, validated chain walks,
// first-fit allocation, the free count, and write-back of the changed sectors
// to every FAT copy.
#pragma once

#include <cstdint>
#include <map>
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
  // Takes the volume's layout; nothing is read until an entry is asked for.
  void Open(VolumeIo& io, const Geometry& geometry);

  // A failed read of the FAT gives its error; nothing is guessed.
  Status Get(std::uint32_t cluster, std::uint32_t* value);
  Status Set(std::uint32_t cluster, std::uint32_t value);

  std::uint32_t EndOfChain() const { return endOfChain_; }
  bool IsEndOfChain(std::uint32_t value) const { return value >= endMin_; }
  bool IsCluster(std::uint32_t cluster) const { return cluster >= 2 && cluster <= maxCluster_; }

  // The chain that starts at `first`, as spans. kCorrupt names the fault: a
  // loop, a free or bad cluster inside the chain, a link past the end.
  // `maxClusters` stops the walk early (a chain longer is reported as such);
  // `enough` ends it, as a success, once that many clusters are in the spans
  // (a reader of the file's start needs no walk to its end).
  Status ReadChain(std::uint32_t first, std::vector<ClusterSpan>* spans,
                   std::uint64_t maxClusters = ~std::uint64_t{0},
                   std::uint64_t enough = ~std::uint64_t{0});

  // Adds `count` clusters after `last` (0: a new chain) and gives them as
  // spans. The clusters right after `last` are taken when that many are free
  // there; else the first free run big enough; else the lowest free clusters.
  // A cluster is taken only when its own entry reads free. kDiskFull (and any
  // failed read) leaves the table unchanged.
  Status Extend(std::uint32_t last, std::uint32_t count, std::vector<ClusterSpan>* added);

  // Marks the clusters of the spans free.
  Status Release(const std::vector<ClusterSpan>& spans);

  // The exact number of free clusters: counted by one pass over the FAT the
  // first time it is asked for, kept up to date from then on.
  Status CountFree(std::uint32_t* count);
  bool freeCountKnown() const { return freeKnown_; }
  // Clusters freed minus clusters taken since the volume was mounted.
  std::int64_t freedSinceMount() const { return freedSinceMount_; }
  // True when at least `count` clusters are free; stops looking once found.
  Status HasFree(std::uint32_t count, bool* enough);

  // The cluster after the one allocated last (the FSInfo hint); 0 before the
  // first allocation.
  std::uint32_t nextFreeHint() const { return nextFree_; }
  bool dirty() const { return dirtySectors_ != 0; }

  // Writes the changed sectors to every FAT copy in ascending order, the
  // first copy wholly before the second. When a write fails, the sectors
  // already written are put back as they were, so that the copies stay
  // equal wherever the medium still takes writes.
  Status Flush();

  // Forgets every sector read, so that the next access reads the medium
  // again (after raw writes). Changes not yet written are kept.
  void ForgetClean();
  // Bytes held for the cached sectors, for tests of the memory bound.
  std::uint64_t cachedBytes() const;

 private:
  // A piece of the first FAT copy held in memory.
  struct Block {
    ByteBuffer bytes;
    ByteBuffer medium;        // what the medium holds, kept while sectors are dirty
    std::vector<bool> dirty;  // per sector
    std::uint32_t dirtyCount = 0;
  };

  std::uint64_t EntryOffset(std::uint32_t cluster) const;
  // The cached block, or null; the last one found is remembered, as chain
  // walks ask for the same block again and again.
  Block* FindBlock(std::uint32_t index);
  std::uint32_t EntryWidth() const { return geometry_.fatType == 32 ? 4 : 2; }
  std::uint32_t BlockSectors(std::uint32_t block) const;
  // Reads every block that holds FAT bytes [from, to) and is not cached yet,
  // adjoining blocks in one request.
  Status Ensure(std::uint64_t from, std::uint64_t to);
  Status EnsureClusters(std::uint32_t first, std::uint32_t last);
  // Entry access on blocks that are cached.
  std::uint8_t* ByteAt(std::uint64_t offset);
  std::uint32_t Peek(std::uint32_t cluster);
  void Poke(std::uint32_t cluster, std::uint32_t value);
  void MarkDirty(std::uint64_t offset);
  std::uint32_t Decode(const std::uint8_t* entry, std::uint32_t cluster) const;
  // Calls visit(cluster, value) for the clusters from `from` upward until it
  // returns false, reading the FAT sequentially in growing pieces that are
  // not kept; cached sectors, changes included, are read from memory.
  template <typename Visit>
  Status Scan(std::uint32_t from, Visit visit);
  Status FindRun(std::uint32_t count, std::uint32_t* start, bool* found);
  // Keeps the cache bounded between operations: clean blocks go first.
  void Trim();
  Status WriteDirty(std::uint32_t copy, bool medium, std::vector<std::uint32_t>* written);

  VolumeIo* io_ = nullptr;
  Geometry geometry_;
  std::uint32_t blockSectors_ = 1;
  std::uint64_t blockBytes_ = 0;
  std::map<std::uint32_t, Block> blocks_;
  std::uint32_t lastIndex_ = 0;
  Block* lastBlock_ = nullptr;  // forgotten whenever blocks are dropped
  std::uint64_t dirtySectors_ = 0;
  std::uint32_t maxCluster_ = 0;
  std::uint32_t endOfChain_ = 0;
  std::uint32_t endMin_ = 0;
  std::uint32_t badCluster_ = 0;
  bool freeKnown_ = false;
  std::uint32_t freeCount_ = 0;
  std::int64_t freedSinceMount_ = 0;
  std::uint32_t lowestFree_ = 2;  // no free cluster lies below
  std::uint32_t nextFree_ = 0;
};

}  // namespace fat
