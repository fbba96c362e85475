// The state that the parts of a mounted volume share: geometry, guarded
// sector access, the FAT, the folders read so far, and the record of a
// failed metadata write.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "fat/boot_sector.h"
#include "fat/fat_table.h"
#include "fat/volume_io.h"

namespace fat {

// A folder's entries as the medium holds them, kept for the life of the
// mount so that path walks read each folder once.
struct CachedFolder {
  ByteBuffer data;
  std::vector<std::uint32_t> clusters;  // empty for the fixed root
};

class VolumeCore {
 public:
  VolumeCore(ISectorDevice& device, const Geometry& geometry, bool writable);

  // Reads the FSInfo sector; the FAT is read as it is used.
  Status Load();

  // kReadOnly on a read-only mount; after a failed write of the FAT or a
  // folder, the failure, so that nothing builds on a half-written state.
  Status CanWrite() const;
  // Records a failed metadata write and passes the status on.
  Status Remember(Status status);

  // Writes changed FAT sectors to every copy and, on FAT32 after a change of
  // the FAT, the FSInfo free count and hint.
  Status FlushFat();
  // Waits until the medium holds every write so far: the point before which
  // a later write must not reach the medium (an entry that names new
  // clusters, clusters freed after their entry is gone).
  Status Barrier();

  // The free count: exact once counted; else, on FAT32, the FSInfo count
  // while it is plausible, kept up to date with our own changes; else
  // counted.
  Status FreeClusters(std::uint32_t* count);
  // Always exact: counted by one pass over the FAT the first time.
  Status CountFreeClusters(std::uint32_t* count) { return fat.CountFree(count); }

  // Frees the spans' clusters and forgets folders that lay there.
  Status ReleaseClusters(const std::vector<ClusterSpan>& spans);
  // Forgets what was read of the FAT and the folders (after raw writes);
  // unwritten changes must have been flushed.
  void ForgetCached();

  // Byte-addressed access inside the volume, with read-modify-write of
  // partial sectors.
  Status ReadBytes(std::uint64_t address, void* buffer, std::uint64_t size,
                   bool fromMedium = false);
  Status WriteBytes(std::uint64_t address, const void* buffer, std::uint64_t size);
  // Writes zeros over whole clusters.
  Status ZeroClusters(const ClusterSpan& span);

  std::uint64_t ClusterAddress(std::uint32_t cluster) const {
    return geometry.ClusterSector(cluster) * geometry.bytesPerSector;
  }

  Geometry geometry;
  VolumeIo io;
  FatTable fat;
  // By DirRef::Key(): 0 for the fixed root, else the first cluster.
  std::map<std::uint32_t, CachedFolder> folders;

 private:
  Status WriteFsInfo();
  bool FsInfoFreePlausible() const;

  Status failure_;
  std::uint32_t fsInfoFree_ = 0xFFFFFFFF;  // as on the medium
  std::uint32_t fsInfoNext_ = 0xFFFFFFFF;
  std::uint32_t fsInfoFreeAtMount_ = 0xFFFFFFFF;
  bool fsInfoValid_ = false;
};

}  // namespace fat
