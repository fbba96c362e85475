#include "fat/boot_sector.h"

#include <cstring>

#include "base/bytes.h"

namespace fat {
namespace {

bool IsPowerOfTwo(std::uint32_t v) {
  return v != 0 && (v & (v - 1)) == 0;
}

bool Reject(Status* status, const char* rule) {
  *status = Fail(Error::kNotFat, rule);
  return false;
}

std::string TrimmedLabel(const std::uint8_t* p) {
  std::string label(reinterpret_cast<const char*>(p), 11);
  while (!label.empty() && (label.back() == ' ' || label.back() == '\0')) label.pop_back();
  if (label == "NO NAME") label.clear();
  return label;
}

}  // namespace

bool ParseBootSector(const std::uint8_t* s, std::uint64_t deviceSectors, Geometry* out,
                     Status* status) {
  if (s[510] != 0x55 || s[511] != 0xAA) {
    return Reject(status, "boot sector does not end with 0x55AA");
  }
  if (!((s[0] == 0xEB && s[2] == 0x90) || s[0] == 0xE9)) {
    return Reject(status, "boot sector must start with a jump: EB xx 90 or E9 xx xx");
  }
  Geometry g;
  g.bytesPerSector = le::Read16(s + 11);
  g.sectorsPerCluster = s[13];
  g.reservedSectors = le::Read16(s + 14);
  g.fatCount = s[16];
  g.rootEntries = le::Read16(s + 17);
  const std::uint32_t total16 = le::Read16(s + 19);
  g.mediaByte = s[21];
  const std::uint32_t fat16Size = le::Read16(s + 22);
  g.hiddenSectors = le::Read32(s + 28);
  const std::uint32_t total32 = le::Read32(s + 32);
  const bool fat32Layout = fat16Size == 0;

  if (!IsPowerOfTwo(g.bytesPerSector) || g.bytesPerSector < 512 || g.bytesPerSector > 4096) {
    return Reject(status, "bytes per sector must be a power of two from 512 to 4096");
  }
  if (!IsPowerOfTwo(g.sectorsPerCluster)) {
    return Reject(status, "sectors per cluster must be a power of two");
  }
  if (g.reservedSectors == 0) return Reject(status, "reserved sector count must not be 0");
  if (g.fatCount != 1 && g.fatCount != 2) return Reject(status, "only 1 or 2 FATs are supported");
  g.totalSectors = total16 != 0 ? total16 : total32;
  if (g.totalSectors == 0) return Reject(status, "total sector count must not be 0");
  if (deviceSectors != 0 && g.totalSectors > deviceSectors) {
    *status = Fail(Error::kCorrupt, "volume is larger than the device");
    return false;
  }
  g.fatSectors = fat32Layout ? le::Read32(s + 36) : fat16Size;
  if (g.fatSectors == 0) return Reject(status, "FAT size must not be 0");
  if (fat32Layout && g.rootEntries != 0) {
    return Reject(status, "root entry count must be 0 on FAT32");
  }
  if (!fat32Layout && g.rootEntries == 0) {
    return Reject(status, "root entry count must not be 0 on FAT12 and FAT16");
  }

  g.rootDirSectors = (g.rootEntries * 32 + g.bytesPerSector - 1) / g.bytesPerSector;
  g.fatStart = g.reservedSectors;
  const std::uint64_t rootStart = static_cast<std::uint64_t>(g.fatStart) +
                                  static_cast<std::uint64_t>(g.fatCount) * g.fatSectors;
  const std::uint64_t dataStart = rootStart + g.rootDirSectors;
  if (dataStart >= g.totalSectors) {
    return Reject(status, "the data area starts past the end of the volume");
  }
  g.rootStart = static_cast<std::uint32_t>(rootStart);
  g.dataStart = static_cast<std::uint32_t>(dataStart);
  g.clusterCount = (g.totalSectors - g.dataStart) / g.sectorsPerCluster;
  if (g.clusterCount == 0) return Reject(status, "volume has no clusters");
  g.fatType = g.clusterCount <= kMaxFat12Clusters   ? 12
              : g.clusterCount <= kMaxFat16Clusters ? 16
                                                    : 32;
  if ((g.fatType == 32) != fat32Layout) {
    return Reject(status, "cluster count does not fit the FAT type of the boot sector fields");
  }
  if (g.fatType == 32 && g.clusterCount > 0x0FFFFFF5) {
    return Reject(status, "cluster count exceeds what FAT32 can address");
  }
  const std::uint64_t fatBits = static_cast<std::uint64_t>(g.fatSectors) * g.bytesPerSector * 8;
  const std::uint64_t neededBits = (static_cast<std::uint64_t>(g.clusterCount) + 2) *
                                   static_cast<std::uint64_t>(g.fatType == 32 ? 32 : g.fatType);
  if (fatBits < neededBits) return Reject(status, "FAT size too small for the cluster count");

  std::uint32_t extOffset = 36;
  if (g.fatType == 32) {
    if (le::Read16(s + 42) != 0) return Reject(status, "unsupported FAT32 version");
    g.rootCluster = le::Read32(s + 44);
    if (g.rootCluster < 2 || g.rootCluster > g.MaxCluster()) {
      return Reject(status, "root cluster lies outside the volume");
    }
    const std::uint32_t fsInfo = le::Read16(s + 48);
    g.fsInfoSector = (fsInfo != 0 && fsInfo < g.reservedSectors) ? fsInfo : 0;
    const std::uint32_t backup = le::Read16(s + 50);
    g.backupBootSector = (backup != 0 && backup < g.reservedSectors) ? backup : 0;
    extOffset = 64;
  }
  if (s[extOffset + 2] == 0x29) {
    g.serial = le::Read32(s + extOffset + 3);
    g.label = TrimmedLabel(s + extOffset + 7);
  }
  *out = g;
  *status = Status::Ok();
  return true;
}

bool IsNtfsBootSector(const std::uint8_t* sector) {
  // NTFS leaves every field that only FAT uses zero: reserved sectors, FAT
  // count, root entries, both sector counts, FAT size. A FAT volume that only
  // carries the name is mounted by the FAT driver, and is FAT here too.
  return std::memcmp(sector + 3, "NTFS    ", 8) == 0 && le::Read16(sector + 14) == 0 &&
         sector[16] == 0 && le::Read16(sector + 17) == 0 && le::Read16(sector + 19) == 0 &&
         le::Read16(sector + 22) == 0 && le::Read32(sector + 32) == 0;
}

}  // namespace fat
