#include "fat/format.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "fat/dir_entry.h"
#include "fat/names.h"

namespace fat {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kZeroChunkBytes = 1 * kMiB;
constexpr std::uint32_t kMaxClusterBytes = 64 * 1024;

int AutomaticType(std::uint64_t bytes) {
  return bytes < 512 * kMiB ? 16 : 32;
}

// Starting cluster size in bytes, as mkfs.fat and Windows choose it.
std::uint32_t DefaultClusterBytes(int type, std::uint64_t bytes) {
  if (type == 32) {
    if (bytes <= 260 * kMiB) return 512;
    if (bytes <= 8192 * kMiB) return 4096;
    if (bytes <= 16384 * kMiB) return 8192;
    if (bytes <= 32768 * kMiB) return 16384;
    return 32768;
  }
  if (type == 16) {
    if (bytes <= 128 * kMiB) return 2048;
    if (bytes <= 256 * kMiB) return 4096;
    if (bytes <= 512 * kMiB) return 8192;
    if (bytes <= 1024 * kMiB) return 16384;
    if (bytes <= 2048 * kMiB) return 32768;
    return 65536;
  }
  return 512;
}

// Lays out a volume for one cluster size; false when the sizes do not fit.
bool Layout(std::uint64_t sectors, std::uint32_t bps, int type, std::uint32_t spc,
            const FormatOptions& o, Geometry* g) {
  const std::uint32_t bits = type == 32 ? 32 : static_cast<std::uint32_t>(type);
  const std::uint32_t rootEntries = type == 32 ? 0 : (o.rootEntries ? o.rootEntries : 512);
  const std::uint32_t rootSectors = (rootEntries * 32 + bps - 1) / bps;
  std::uint32_t reserved = o.reservedSectors ? o.reservedSectors : (type == 32 ? 32 : 1);
  const std::uint32_t fats = o.fatCount;
  std::uint32_t fatSectors = 1;
  for (int round = 0; round < 64; ++round) {
    std::uint64_t meta = reserved + static_cast<std::uint64_t>(fats) * fatSectors + rootSectors;
    if (meta >= sectors) return false;
    const std::uint64_t clusters = (sectors - meta) / spc;
    const std::uint64_t need = (((clusters + 2) * bits + 7) / 8 + bps - 1) / bps;
    if (need > fatSectors) {
      fatSectors = static_cast<std::uint32_t>(need);
      continue;
    }
    if (o.alignData && spc > 1 && meta % spc != 0) {
      reserved += static_cast<std::uint32_t>(spc - meta % spc);
      continue;
    }
    break;
  }
  Geometry r;
  r.bytesPerSector = bps;
  r.sectorsPerCluster = spc;
  r.reservedSectors = reserved;
  r.fatCount = fats;
  r.fatSectors = fatSectors;
  r.rootEntries = rootEntries;
  r.rootDirSectors = rootSectors;
  r.totalSectors = static_cast<std::uint32_t>(sectors);
  r.hiddenSectors = o.hiddenSectors;
  r.fatStart = reserved;
  r.rootStart = reserved + fats * fatSectors;
  r.dataStart = r.rootStart + rootSectors;
  if (r.dataStart >= sectors || r.reservedSectors > 0xFFFF) return false;
  r.clusterCount = static_cast<std::uint32_t>((sectors - r.dataStart) / spc);
  r.fatType = r.clusterCount <= kMaxFat12Clusters   ? 12
              : r.clusterCount <= kMaxFat16Clusters ? 16
                                                    : 32;
  if (r.fatType != type) return false;
  if (type == 32) {
    r.rootCluster = 2;
    r.fsInfoSector = 1;
    r.backupBootSector = 6;
  }
  r.mediaByte = o.mediaByte;
  r.serial = o.serial;
  *g = r;
  return true;
}

void BuildBootSector(const Geometry& g, const FormatOptions& o, const ShortName& label,
                     std::uint8_t* s) {
  std::memset(s, 0, g.bytesPerSector);
  const bool fat32 = g.fatType == 32;
  s[0] = 0xEB;
  s[1] = fat32 ? 0x58 : 0x3C;
  s[2] = 0x90;
  std::memcpy(s + 3, "MSWIN4.1", 8);
  le::Write16(s + 11, static_cast<std::uint16_t>(g.bytesPerSector));
  s[13] = static_cast<std::uint8_t>(g.sectorsPerCluster);
  le::Write16(s + 14, static_cast<std::uint16_t>(g.reservedSectors));
  s[16] = static_cast<std::uint8_t>(g.fatCount);
  le::Write16(s + 17, static_cast<std::uint16_t>(g.rootEntries));
  if (!fat32 && g.totalSectors < 0x10000) {
    le::Write16(s + 19, static_cast<std::uint16_t>(g.totalSectors));
  } else {
    le::Write32(s + 32, g.totalSectors);
  }
  s[21] = g.mediaByte;
  if (!fat32) le::Write16(s + 22, static_cast<std::uint16_t>(g.fatSectors));
  le::Write16(s + 24, o.sectorsPerTrack);
  le::Write16(s + 26, o.heads);
  le::Write32(s + 28, g.hiddenSectors);
  std::uint32_t ext = 36;
  if (fat32) {
    le::Write32(s + 36, g.fatSectors);
    le::Write32(s + 44, g.rootCluster);
    le::Write16(s + 48, static_cast<std::uint16_t>(g.fsInfoSector));
    le::Write16(s + 50, static_cast<std::uint16_t>(g.backupBootSector));
    ext = 64;
  }
  s[ext] = o.driveNumber;
  s[ext + 2] = 0x29;
  le::Write32(s + ext + 3, g.serial);
  std::memcpy(s + ext + 7, label.data(), label.size());
  const char* type = g.fatType == 12 ? "FAT12   " : g.fatType == 16 ? "FAT16   " : "FAT32   ";
  std::memcpy(s + ext + 18, type, 8);
  // Not bootable: the jump lands on "cli; hlt; jmp back".
  const std::uint32_t code = ext + 26;
  s[code] = 0xFA;
  s[code + 1] = 0xF4;
  s[code + 2] = 0xEB;
  s[code + 3] = 0xFD;
  s[510] = 0x55;
  s[511] = 0xAA;
}

Status WriteZeros(ISectorDevice& dev, std::uint64_t first, std::uint64_t count) {
  const std::uint32_t bps = dev.SectorSize();
  const std::uint64_t chunk = std::max<std::uint64_t>(1, kZeroChunkBytes / bps);
  const ByteBuffer zeros(std::min(count, chunk) * bps, 0);
  while (count > 0) {
    const std::uint64_t n = std::min(count, chunk);
    Status s = dev.WriteSectors(first, static_cast<std::uint32_t>(n), zeros.data());
    if (!s.ok()) return s;
    first += n;
    count -= n;
  }
  return Status::Ok();
}

// Writes every structure of the volume, sector 0 last.
Status WriteVolume(ISectorDevice& dev, const Geometry& g, const FormatOptions& o) {
  if (dev.SectorSize() != g.bytesPerSector) {
    return Fail(Error::kInvalidArgument, "device sector size differs from the layout");
  }
  ShortName label;
  const bool hasLabel = !o.label.empty() && o.label != "NO NAME";
  if (hasLabel) {
    Status s = MakeLabelField(o.label, &label);
    if (!s.ok()) return s;
  } else {
    std::memcpy(label.data(), "NO NAME    ", 11);
  }
  const std::uint32_t bps = g.bytesPerSector;
  ByteBuffer boot(bps);
  BuildBootSector(g, o, label, boot.data());

  Status s = WriteZeros(dev, 0, g.reservedSectors);
  if (!s.ok()) return s;
  ByteBuffer first(bps, 0);
  const std::uint32_t eoc = g.fatType == 12 ? 0xFFF : g.fatType == 16 ? 0xFFFF : 0x0FFFFFFF;
  if (g.fatType == 12) {
    first[0] = g.mediaByte;
    first[1] = 0xFF;
    first[2] = 0xFF;
  } else if (g.fatType == 16) {
    le::Write16(first.data(), static_cast<std::uint16_t>(0xFF00 | g.mediaByte));
    le::Write16(first.data() + 2, 0xFFFF);
  } else {
    le::Write32(first.data(), 0x0FFFFF00u | g.mediaByte);
    le::Write32(first.data() + 4, 0x0FFFFFFF);
    le::Write32(first.data() + 8, eoc);  // the root folder's cluster
  }
  for (std::uint32_t copy = 0; copy < g.fatCount; ++copy) {
    const std::uint64_t at = g.fatStart + static_cast<std::uint64_t>(copy) * g.fatSectors;
    s = WriteZeros(dev, at + 1, g.fatSectors - 1);
    if (!s.ok()) return s;
    s = dev.WriteSectors(at, 1, first.data());
    if (!s.ok()) return s;
  }
  // Root folder: the fixed area, or the first cluster on FAT32.
  const std::uint64_t rootFirst = g.fatType == 32 ? g.ClusterSector(g.rootCluster) : g.rootStart;
  const std::uint64_t rootCount = g.fatType == 32 ? g.sectorsPerCluster : g.rootDirSectors;
  s = WriteZeros(dev, rootFirst, rootCount);
  if (!s.ok()) return s;
  if (hasLabel) {
    ByteBuffer sector(bps, 0);
    std::memcpy(sector.data(), label.data(), label.size());
    sector[entry::kAttributes] = attr::kVolume;
    StampWritten(sector.data(), platform::GetLocalTime());
    s = dev.WriteSectors(rootFirst, 1, sector.data());
    if (!s.ok()) return s;
  }
  if (g.fatType == 32) {
    ByteBuffer info(bps, 0);
    le::Write32(info.data(), 0x41615252);
    le::Write32(info.data() + 484, 0x61417272);
    le::Write32(info.data() + 488, g.clusterCount - 1);
    le::Write32(info.data() + 492, 3);
    le::Write32(info.data() + 508, 0xAA550000);
    s = dev.WriteSectors(g.fsInfoSector, 1, info.data());
    if (s.ok()) s = dev.WriteSectors(g.backupBootSector + 1, 1, info.data());
    if (s.ok()) s = dev.WriteSectors(g.backupBootSector, 1, boot.data());
    if (!s.ok()) return s;
  }
  s = dev.Sync();
  if (!s.ok()) return s;
  s = dev.WriteSectors(0, 1, boot.data());
  if (!s.ok()) return s;
  return dev.Sync();
}

}  // namespace

Status PlanFormat(std::uint64_t sectors, std::uint32_t bps, const FormatOptions& o,
                  Geometry* plan) {
  if (bps < 512 || bps > 4096 || (bps & (bps - 1)) != 0) {
    return Fail(Error::kInvalidArgument,
                "bytes per sector must be a power of two from 512 to 4096");
  }
  if (o.fatCount != 1 && o.fatCount != 2) {
    return Fail(Error::kInvalidArgument, "only 1 or 2 FATs are supported");
  }
  sectors = std::min<std::uint64_t>(sectors, 0xFFFFFFFFu);
  const std::uint64_t bytes = sectors * bps;
  std::vector<int> types;
  if (o.fatType != 0) {
    if (o.fatType != 12 && o.fatType != 16 && o.fatType != 32) {
      return Fail(Error::kInvalidArgument, "FAT type must be 12, 16 or 32");
    }
    types.push_back(o.fatType);
  } else {
    types.push_back(AutomaticType(bytes));
    types.push_back(12);  // too small for FAT16
  }
  for (int type : types) {
    if (o.sectorsPerCluster != 0) {
      const std::uint32_t spc = o.sectorsPerCluster;
      if (spc > 128 || (spc & (spc - 1)) != 0) {
        return Fail(Error::kInvalidArgument,
                    "sectors per cluster must be a power of two up to 128");
      }
      if (Layout(sectors, bps, type, spc, o, plan)) return Status::Ok();
      continue;
    }
    // From the usual size, fewer sectors per cluster when that gives too few
    // clusters for the type, more when too many.
    const std::uint32_t start = std::max<std::uint32_t>(1, DefaultClusterBytes(type, bytes) / bps);
    for (std::uint32_t spc = start; spc >= 1; spc /= 2) {
      if (Layout(sectors, bps, type, spc, o, plan)) return Status::Ok();
    }
    for (std::uint32_t spc = start * 2; spc <= 128 && spc * bps <= kMaxClusterBytes; spc *= 2) {
      if (Layout(sectors, bps, type, spc, o, plan)) return Status::Ok();
    }
  }
  return Fail(Error::kInvalidArgument, "a volume of " + std::to_string(sectors) +
                                           " sectors cannot be FAT" +
                                           std::to_string(types.front()));
}

Status FormatVolume(ISectorDevice& dev, const FormatOptions& o, Geometry* result) {
  Geometry g;
  Status s = PlanFormat(dev.SectorCount(), dev.SectorSize(), o, &g);
  if (!s.ok()) return s;
  s = WriteVolume(dev, g, o);
  if (s.ok() && result) *result = g;
  return s;
}

Status FormatFloppy(ISectorDevice& dev, bool highDensity, const std::string& label,
                    std::uint32_t serial) {
  Geometry g;
  g.bytesPerSector = 512;
  g.sectorsPerCluster = highDensity ? 1 : 2;
  g.reservedSectors = 1;
  g.fatCount = 2;
  g.fatSectors = highDensity ? 9 : 3;
  g.rootEntries = highDensity ? 224 : 112;
  g.rootDirSectors = g.rootEntries * 32 / 512;
  g.totalSectors = highDensity ? 2880 : 1440;
  g.fatStart = 1;
  g.rootStart = g.fatStart + g.fatCount * g.fatSectors;
  g.dataStart = g.rootStart + g.rootDirSectors;
  g.clusterCount = (g.totalSectors - g.dataStart) / g.sectorsPerCluster;
  g.fatType = 12;
  g.mediaByte = highDensity ? 0xF0 : 0xF9;
  g.serial = serial;
  if (dev.SectorCount() < g.totalSectors) {
    return Fail(Error::kOutOfRange, "the device is smaller than the floppy");
  }
  FormatOptions o;
  o.label = label;
  o.serial = serial;
  o.mediaByte = g.mediaByte;
  o.sectorsPerTrack = highDensity ? 18 : 9;
  o.heads = 2;
  o.driveNumber = 0x00;
  return WriteVolume(dev, g, o);
}

std::uint8_t PartitionTypeFor(int fatType, std::uint64_t sectors) {
  if (fatType == 12) return 0x01;
  if (fatType == 16) return sectors < 65536 ? 0x04 : 0x06;
  return 0x0C;
}

}  // namespace fat
