#include "fat/partition.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "fat/boot_sector.h"

namespace fat {
namespace {

constexpr std::uint32_t kTableOffset = 446;

// CHS of a sector for 255 heads and 63 sectors per track; beyond cylinder
// 1023 the table carries the usual 1023/254/63.
void WriteChs(std::uint8_t* p, std::uint32_t lba) {
  std::uint32_t cylinder = lba / (255 * 63);
  std::uint32_t head = (lba / 63) % 255;
  std::uint32_t sector = lba % 63 + 1;
  if (cylinder > 1023) {
    cylinder = 1023;
    head = 254;
    sector = 63;
  }
  p[0] = static_cast<std::uint8_t>(head);
  p[1] = static_cast<std::uint8_t>(sector | ((cylinder >> 2) & 0xC0));
  p[2] = static_cast<std::uint8_t>(cylinder & 0xFF);
}

}  // namespace

bool IsExtendedPartitionType(std::uint8_t type) {
  return type == 0x05 || type == 0x0F || type == 0x85;
}

MbrInfo ParseMbr(const std::uint8_t* sector) {
  MbrInfo info;
  bool plausible = sector[510] == 0x55 && sector[511] == 0xAA;
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t* e = sector + kTableOffset + 16 * i;
    MbrPartition& p = info.partitions[i];
    p.bootFlag = e[0];
    p.type = e[4];
    p.lbaStart = le::Read32(e + 8);
    p.sectorCount = le::Read32(e + 12);
    if (p.bootFlag != 0x00 && p.bootFlag != 0x80) plausible = false;
    if (p.used() && p.lbaStart == 0) plausible = false;
  }
  for (int i = 0; i < 4 && plausible; ++i) {
    const MbrPartition& a = info.partitions[i];
    if (!a.used()) continue;
    for (int j = i + 1; j < 4; ++j) {
      const MbrPartition& b = info.partitions[j];
      if (!b.used()) continue;
      const std::uint64_t aEnd = static_cast<std::uint64_t>(a.lbaStart) + a.sectorCount;
      const std::uint64_t bEnd = static_cast<std::uint64_t>(b.lbaStart) + b.sectorCount;
      if (a.lbaStart < bEnd && b.lbaStart < aEnd) plausible = false;
    }
  }
  info.valid = plausible;
  return info;
}

MbrInfo ReadMbr(ISectorDevice& disk) {
  ByteBuffer sector(std::max<std::uint32_t>(disk.SectorSize(), 512));
  if (!disk.ReadSectors(0, 1, sector.data()).ok()) return MbrInfo{};
  return ParseMbr(sector.data());
}

bool FindFatVolume(ISectorDevice& disk, std::uint64_t* startSector, std::uint64_t* sectorCount,
                   Status* status) {
  const std::uint32_t sectorSize = disk.SectorSize();
  ByteBuffer sector(std::max<std::uint32_t>(sectorSize, 512));
  Status s = disk.ReadSectors(0, 1, sector.data());
  if (!s.ok()) {
    *status = s;
    return false;
  }
  // The volume's sectors may be larger than the disk's; the size check of the
  // boot sector is then made in the volume's units.
  auto volumeSectors = [&](const std::uint8_t* boot, std::uint64_t diskSectors) {
    const std::uint32_t bps = le::Read16(boot + 11);
    if (bps < sectorSize || bps % sectorSize != 0) return diskSectors;
    return diskSectors / (bps / sectorSize);
  };
  Geometry g;
  Status bare;
  if (ParseBootSector(sector.data(), volumeSectors(sector.data(), disk.SectorCount()), &g, &bare)) {
    *startSector = 0;
    *sectorCount = disk.SectorCount();
    *status = Status::Ok();
    return true;
  }
  const MbrInfo mbr = ParseMbr(sector.data());
  if (!mbr.valid) {
    *status = Fail(Error::kNotFat, "sector 0 holds neither a FAT boot sector (" + bare.message +
                                       ") nor a partition table");
    return false;
  }
  Status last = Fail(Error::kNotFat, "the partition table holds no FAT partition");
  for (const MbrPartition& p : mbr.partitions) {
    if (!p.used() || IsExtendedPartitionType(p.type)) continue;
    if (p.lbaStart >= disk.SectorCount()) {
      last = Fail(Error::kCorrupt, "partition starts past the end of the disk");
      continue;
    }
    const std::uint64_t available =
        std::min<std::uint64_t>(p.sectorCount, disk.SectorCount() - p.lbaStart);
    if (!disk.ReadSectors(p.lbaStart, 1, sector.data()).ok()) {
      last = Fail(Error::kIo, "cannot read the first sector of a partition");
      continue;
    }
    Status one;
    if (ParseBootSector(sector.data(), volumeSectors(sector.data(), available), &g, &one)) {
      *startSector = p.lbaStart;
      *sectorCount = available;
      *status = Status::Ok();
      return true;
    }
    last = one;
  }
  *status = last;
  return false;
}

void BuildMbr(std::uint8_t* sector, std::uint8_t type, std::uint32_t lbaStart,
              std::uint32_t sectorCount, std::uint32_t diskSignature, bool active) {
  std::memset(sector, 0, 512);
  le::Write32(sector + 440, diskSignature);
  std::uint8_t* e = sector + kTableOffset;
  e[0] = active ? 0x80 : 0x00;
  WriteChs(e + 1, lbaStart);
  e[4] = type;
  WriteChs(e + 5, lbaStart + sectorCount - 1);
  le::Write32(e + 8, lbaStart);
  le::Write32(e + 12, sectorCount);
  sector[510] = 0x55;
  sector[511] = 0xAA;
}

}  // namespace fat
