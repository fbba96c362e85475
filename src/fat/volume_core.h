// The state that the parts of a mounted volume share: geometry, guarded
// sector access, the FAT, and the record of a failed metadata write.
#pragma once

#include <cstdint>

#include "fat/boot_sector.h"
#include "fat/fat_table.h"
#include "fat/volume_io.h"

namespace fat {

class VolumeCore {
 public:
  VolumeCore(ISectorDevice& device, const Geometry& geometry, bool writable);

  Status Load();

  // kReadOnly on a read-only mount; after a failed write of the FAT or a
  // folder, the failure, so that nothing builds on a half-written state.
  Status CanWrite() const;
  // Records a failed metadata write and passes the status on.
  Status Remember(Status status);

  // Writes changed FAT sectors to every copy and, on FAT32, the FSInfo free
  // count and hint.
  Status FlushFat();

  // Byte-addressed access inside the volume, with read-modify-write of
  // partial sectors.
  Status ReadBytes(std::uint64_t address, void* buffer, std::uint64_t size);
  Status WriteBytes(std::uint64_t address, const void* buffer, std::uint64_t size);
  // Writes zeros over whole clusters.
  Status ZeroClusters(const ClusterSpan& span);

  std::uint64_t ClusterAddress(std::uint32_t cluster) const {
    return geometry.ClusterSector(cluster) * geometry.bytesPerSector;
  }

  Geometry geometry;
  VolumeIo io;
  FatTable fat;

 private:
  Status WriteFsInfo();

  Status failure_;
  std::uint32_t fsInfoFree_ = 0xFFFFFFFF;
  std::uint32_t fsInfoNext_ = 0xFFFFFFFF;
  bool fsInfoValid_ = false;
};

}  // namespace fat
