#include "support/volume_patch.h"

#include <fstream>

#include "base/bytes.h"
#include "support/test_data.h"

namespace testsupport {
namespace {
constexpr std::size_t kEntryBytes = 32;

const std::uint8_t* Bytes(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

std::uint64_t EntryOffset(const FatLayout& layout, std::uint32_t cluster) {
  switch (layout.fatBits) {
    case 12:
      return cluster + cluster / 2;
    case 16:
      return cluster * 2ull;
    default:
      return cluster * 4ull;
  }
}
}  // namespace

bool ReadFatLayout(const ImageVolume& volume, FatLayout* layout) {
  const std::string boot = ReadHostBytes(volume.path, volume.offset, 512);
  if (boot.size() != 512) return false;
  const std::uint8_t* b = Bytes(boot);
  FatLayout l;
  l.bytesPerSector = le::Read16(b + 11);
  l.sectorsPerCluster = b[13];
  if (l.bytesPerSector == 0 || l.sectorsPerCluster == 0) return false;
  const std::uint64_t reserved = le::Read16(b + 14);
  l.fatCount = b[16];
  const std::uint64_t rootEntries = le::Read16(b + 17);
  std::uint64_t total = le::Read16(b + 19);
  if (total == 0) total = le::Read32(b + 32);
  std::uint64_t fatSectors = le::Read16(b + 22);
  if (fatSectors == 0) fatSectors = le::Read32(b + 36);
  const std::uint64_t rootSectors = (rootEntries * 32 + l.bytesPerSector - 1) / l.bytesPerSector;
  const std::uint64_t dataSector = reserved + l.fatCount * fatSectors + rootSectors;
  l.clusterCount = static_cast<std::uint32_t>((total - dataSector) / l.sectorsPerCluster);
  l.fatBits = l.clusterCount < 4085 ? 12 : l.clusterCount < 65525 ? 16 : 32;
  l.fatStart = volume.offset + reserved * l.bytesPerSector;
  l.fatBytes = fatSectors * l.bytesPerSector;
  l.rootStart = l.fatStart + l.fatCount * l.fatBytes;
  l.dataStart = volume.offset + dataSector * l.bytesPerSector;
  if (l.fatBits == 32) {
    l.rootCluster = le::Read32(b + 44);
    const std::uint64_t info = le::Read16(b + 48);
    if (info != 0 && info != 0xFFFF) l.fsInfo = volume.offset + info * l.bytesPerSector;
  }
  *layout = l;
  return true;
}

std::uint32_t GetFatEntry(const ImageVolume& volume, std::uint32_t cluster) {
  FatLayout l;
  if (!ReadFatLayout(volume, &l)) return 0xFFFFFFFF;
  const std::string bytes = ReadHostBytes(volume.path, l.fatStart + EntryOffset(l, cluster), 4);
  if (bytes.size() != 4) return 0xFFFFFFFF;
  const std::uint8_t* e = Bytes(bytes);
  switch (l.fatBits) {
    case 12: {
      const std::uint32_t v = le::Read16(e);
      return (cluster & 1) ? v >> 4 : v & 0xFFF;
    }
    case 16:
      return le::Read16(e);
    default:
      return le::Read32(e) & 0x0FFFFFFF;
  }
}

bool SetFatEntry(const ImageVolume& volume, std::uint32_t cluster, std::uint32_t value) {
  FatLayout l;
  if (!ReadFatLayout(volume, &l)) return false;
  for (std::uint32_t copy = 0; copy < l.fatCount; ++copy) {
    const std::uint64_t at = l.fatStart + copy * l.fatBytes + EntryOffset(l, cluster);
    std::string bytes = ReadHostBytes(volume.path, at, 4);
    if (bytes.size() != 4) return false;
    auto* e = reinterpret_cast<std::uint8_t*>(bytes.data());
    switch (l.fatBits) {
      case 12: {
        std::uint32_t v = le::Read16(e);
        v = (cluster & 1) ? (v & 0x000F) | ((value & 0xFFF) << 4) : (v & 0xF000) | (value & 0xFFF);
        le::Write16(e, static_cast<std::uint16_t>(v));
        break;
      }
      case 16:
        le::Write16(e, static_cast<std::uint16_t>(value));
        break;
      default:
        le::Write32(e, (le::Read32(e) & 0xF0000000) | (value & 0x0FFFFFFF));
        break;
    }
    if (!WriteImageBytes(volume.path, at, bytes)) return false;
  }
  return true;
}

std::uint64_t FindShortEntry(const ImageVolume& volume, std::uint32_t folderCluster,
                             const std::string& name11) {
  FatLayout l;
  if (!ReadFatLayout(volume, &l)) return 0;
  std::uint64_t start = 0;
  std::uint64_t bytes = 0;
  if (folderCluster == 0 && l.fatBits != 32) {
    start = l.rootStart;
    bytes = l.dataStart - l.rootStart;
  } else {
    start = l.ClusterOffset(folderCluster == 0 ? l.rootCluster : folderCluster);
    bytes = static_cast<std::uint64_t>(l.sectorsPerCluster) * l.bytesPerSector;
  }
  const std::string folder = ReadHostBytes(volume.path, start, bytes);
  for (std::size_t at = 0; at + kEntryBytes <= folder.size(); at += kEntryBytes) {
    if (folder[at] == 0) break;
    if (folder.compare(at, 11, name11) == 0) return start + at;
  }
  return 0;
}

bool WriteImageBytes(const std::string& path, std::uint64_t offset, const std::string& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file) return false;
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}

}  // namespace testsupport
