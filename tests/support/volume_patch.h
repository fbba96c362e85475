// Direct changes to a FAT volume inside an image file, for tests that damage a
// card the way other systems or a failing medium leave it: a FAT entry
// rewritten in every copy, a directory entry found and changed in place.
#pragma once

#include <cstdint>
#include <string>

#include "support/reference_images.h"

namespace testsupport {

// The layout of a volume, read from its boot sector.
struct FatLayout {
  std::uint32_t bytesPerSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint64_t fatStart = 0;  // byte offset of the first FAT in the image
  std::uint64_t fatBytes = 0;  // bytes of one FAT
  std::uint32_t fatCount = 0;
  std::uint64_t rootStart = 0;  // byte offset of the fixed root (FAT12/16)
  std::uint64_t dataStart = 0;  // byte offset of cluster 2
  std::uint32_t clusterCount = 0;
  int fatBits = 0;
  std::uint32_t rootCluster = 0;  // FAT32
  std::uint64_t fsInfo = 0;       // byte offset of the FSInfo sector, 0 without one

  std::uint64_t ClusterOffset(std::uint64_t cluster) const {
    return dataStart + (cluster - 2) * sectorsPerCluster * bytesPerSector;
  }
};

// False when the boot sector cannot be read.
bool ReadFatLayout(const ImageVolume& volume, FatLayout* layout);

// The value of a FAT entry in the first copy; 0xFFFFFFFF when it cannot be read.
std::uint32_t GetFatEntry(const ImageVolume& volume, std::uint32_t cluster);
// Writes the entry in every FAT copy.
bool SetFatEntry(const ImageVolume& volume, std::uint32_t cluster, std::uint32_t value);

// Byte offset in the image of the short entry named `name11` (11 bytes, as
// stored: "DORNVE~1DFP") in the folder whose first cluster is given (0: the
// root); 0 when there is none. Folders of one cluster only.
std::uint64_t FindShortEntry(const ImageVolume& volume, std::uint32_t folderCluster,
                             const std::string& name11);

// Writes bytes into the image at an offset (ReadHostBytes reads them).
bool WriteImageBytes(const std::string& path, std::uint64_t offset, const std::string& bytes);

}  // namespace testsupport
