// Sector 0 of a card as the partition table and as a FAT boot sector, read by
// the FAT engine and by the volume layout reader. Input: the sector's bytes
// (zero-padded to 512), then optionally the device size in sectors (u32 LE).
//
// Beyond not crashing: a boot sector the engine accepts has a consistent
// geometry, and the layout reader, which the start sector record is computed
// from, sees the same volume.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/bytes.h"
#include "driveaccess/volume_layout.h"
#include "fat/boot_sector.h"
#include "fat/partition.h"
#include "fuzz_card.h"

namespace {
using fuzzcard::Fail;

void CheckGeometry(const fat::Geometry& g, std::uint64_t deviceSectors) {
  if (g.fatType != 12 && g.fatType != 16 && g.fatType != 32) Fail("FAT type outside 12/16/32");
  const int byCount = g.clusterCount <= fat::kMaxFat12Clusters   ? 12
                      : g.clusterCount <= fat::kMaxFat16Clusters ? 16
                                                                 : 32;
  if (byCount != g.fatType) Fail("FAT type does not follow from the cluster count");
  if (g.clusterCount == 0) Fail("a volume without clusters was accepted");
  if (g.fatStart != g.reservedSectors || g.fatStart == 0)
    Fail("FAT start is not the reserved area");
  if (std::uint64_t{g.rootStart} !=
      std::uint64_t{g.fatStart} + std::uint64_t{g.fatCount} * g.fatSectors) {
    Fail("root start is not behind the FATs");
  }
  if (g.dataStart != g.rootStart + g.rootDirSectors) Fail("data start is not behind the root");
  const std::uint64_t dataEnd = g.dataStart + std::uint64_t{g.clusterCount} * g.sectorsPerCluster;
  if (dataEnd > g.totalSectors) Fail("the last cluster ends past the volume");
  if (deviceSectors != 0 && g.totalSectors > deviceSectors) Fail("volume larger than its device");
  const std::uint64_t entryBits = g.fatType == 32 ? 32 : g.fatType;
  if (std::uint64_t{g.fatSectors} * g.bytesPerSector * 8 < (g.clusterCount + 2ull) * entryBits) {
    Fail("the FAT cannot hold every cluster");
  }
  if (g.fatType == 32 && (g.rootCluster < 2 || g.rootCluster > g.MaxCluster())) {
    Fail("FAT32 root cluster outside the volume");
  }
  if (g.fatType != 32 && g.rootDirSectors == 0) Fail("FAT12/16 without a root folder");
}

// The layout reader must agree with the engine on every volume the engine
// mounts: the card state and the recorded start sector come from it.
void CheckLayoutAgrees(const std::uint8_t* sector, const fat::Geometry& g) {
  VolumeLayout layout;
  if (!ParseFatBootSector(sector, layout)) Fail("layout reader refuses a volume the engine takes");
  const std::uint32_t kind = g.fatType == 12   ? VOLUME_KIND_FAT12
                             : g.fatType == 16 ? VOLUME_KIND_FAT16
                                               : VOLUME_KIND_FAT32;
  if (layout.fileSystemKind != kind) Fail("layout reader sees another FAT type");
  if (layout.clusterCount != g.clusterCount) Fail("layout reader counts other clusters");
  if (layout.firstDataSector != std::uint64_t{g.hiddenSectors} + g.dataStart) {
    Fail("layout reader puts the data area elsewhere");
  }
  if (layout.sectorsPerCluster != g.sectorsPerCluster || layout.totalSectors != g.totalSectors) {
    Fail("layout reader reads other sizes");
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t sector[512] = {};
  std::memcpy(sector, data, std::min<std::size_t>(size, sizeof sector));
  const std::uint64_t deviceSectors = size >= 516 ? le::Read32(data + 512) : 0;

  const fat::MbrInfo mbr = fat::ParseMbr(sector);
  if (mbr.valid) {
    for (int i = 0; i < 4; ++i) {
      const fat::MbrPartition& a = mbr.partitions[i];
      if (a.used() && a.lbaStart == 0) Fail("a valid table holds a partition at sector 0");
    }
  }
  (void)fat::IsNtfsBootSector(sector);

  fat::Geometry g;
  fat::Status status;
  if (fat::ParseBootSector(sector, deviceSectors, &g, &status)) {
    CheckGeometry(g, deviceSectors);
    CheckLayoutAgrees(sector, g);
  } else if (status.ok() || status.message.empty()) {
    Fail("a refused boot sector without the rule that failed");
  }
  VolumeLayout layout;
  if (ParseFatBootSector(sector, layout)) {
    if (layout.dataSectors > layout.totalSectors || layout.firstDataSector < layout.hiddenSectors) {
      Fail("layout reader's counts wrap around");
    }
  }
  return 0;
}
