#include "driveaccess/volume_layout.h"

#include <memory>

#include "base/bytes.h"
#include "driveaccess/physical_drive.h"
#include "platform/errors.h"
#include "platform/raw_device.h"

namespace {
constexpr std::uint32_t kBootSectorSize = 512;
// GetVolumeNameForVolumeMountPointA answers into 260 characters.
constexpr std::size_t kVolumePathBuffer = 260;
// FAT type comes from the cluster count alone.
constexpr std::uint64_t kFat16MinClusters = 4085;
constexpr std::uint64_t kFat32MinClusters = 65525;

bool HasBootJump(const std::uint8_t* sector) {
  return (sector[0] == 0xEB && sector[2] == 0x90) || sector[0] == 0xE9;
}

// Ends the call with a code in GetLastError(), so that the caller can tell a
// refused volume open from a volume that is not FAT.
bool Reject(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}
}  // namespace

bool ParseFatBootSector(const std::uint8_t* sector, VolumeLayout& out) {
  if (le::Read16(sector + 510) != 0xAA55 || !HasBootJump(sector)) return false;
  VolumeLayout layout;
  layout.bytesPerSector = le::Read16(sector + 11);
  layout.sectorsPerCluster = sector[13];
  // Both are divisors below.
  if (layout.bytesPerSector == 0 || layout.sectorsPerCluster == 0) return false;
  const std::uint64_t reserved = le::Read16(sector + 14);
  const std::uint64_t fats = sector[16];
  const std::uint64_t rootEntries = le::Read16(sector + 17);
  layout.totalSectors = le::Read16(sector + 19);
  if (layout.totalSectors == 0) layout.totalSectors = le::Read32(sector + 32);
  layout.fatSize = le::Read16(sector + 22);
  if (layout.fatSize == 0) layout.fatSize = le::Read32(sector + 36);
  layout.hiddenSectors = le::Read32(sector + 28);
  layout.rootDirectorySectors =
      (rootEntries * 32 + layout.bytesPerSector - 1) / layout.bytesPerSector;
  const std::uint64_t metadata = reserved + fats * layout.fatSize + layout.rootDirectorySectors;
  // A volume smaller than its own FATs and root folder is corrupt; its data
  // sector count would wrap around.
  if (metadata > layout.totalSectors) return false;
  layout.firstDataSector = layout.hiddenSectors + metadata;
  layout.dataSectors = layout.totalSectors - metadata;
  layout.clusterCount = layout.dataSectors / layout.sectorsPerCluster;
  if (layout.clusterCount < kFat16MinClusters) {
    layout.fileSystemKind = VOLUME_KIND_FAT12;
  } else if (layout.clusterCount < kFat32MinClusters) {
    layout.fileSystemKind = VOLUME_KIND_FAT16;
  } else {
    layout.fileSystemKind = VOLUME_KIND_FAT32;
  }
  out = layout;
  return true;
}

bool ReadVolumeLayout(char driveLetter, VolumeLayout& out) {
  out = VolumeLayout{};
  VolumeNames names;
  if (!GetVolumeNames(driveLetter, names) || names.volumePath.empty()) {
    return Reject(platform::kErrorPathNotFound);
  }
  // The mount point form ends in a backslash; without it, it names the
  // volume device.
  std::string devicePath = names.volumePath;
  while (!devicePath.empty() && devicePath.back() == '\\') devicePath.pop_back();

  std::uint32_t error = platform::kErrorSuccess;
  const std::unique_ptr<platform::IVolumeDevice> volume =
      platform::OpenVolumeDevice(devicePath, &error);
  if (!volume) return Reject(error);  // kErrorAccessDenied without raw rights
  if (volume->QueryNtfsVolumeData() == platform::kErrorSuccess) {
    out.fileSystemKind = VOLUME_KIND_NTFS;  // recognised, but not laid out
    return Reject(platform::kErrorUnrecognizedMedia);
  }
  std::uint8_t sector[kBootSectorSize] = {};
  std::uint32_t done = 0;
  if (const std::uint32_t code = volume->Read(sector, kBootSectorSize, &done)) return Reject(code);
  if (done != kBootSectorSize) return Reject(platform::kErrorHandleEof);
  if (!ParseFatBootSector(sector, out)) return Reject(platform::kErrorUnrecognizedMedia);
  // The controller counts sectors from the start of the card. Volumes
  // formatted at an offset by some tools leave the hidden sectors field 0;
  // where the device tells where the volume really begins, that wins, so a
  // start sector is never recorded that points in front of the container.
  std::uint64_t start = 0;
  if (volume->GetStartingOffset(&start) == platform::kErrorSuccess) {
    const std::uint64_t startSector = start / out.bytesPerSector;
    out.firstDataSector = out.firstDataSector - out.hiddenSectors + startSector;
  }
  return true;
}

bool GetVolumeNames(char driveLetter, VolumeNames& out) {
  out.driveLetter = driveLetter;
  out.volumePath = GetVolumeGuidPath(driveLetter);
  out.physicalDriveName = GetPhysicalDriveName(driveLetter);
  return !out.volumePath.empty() || !out.physicalDriveName.empty();
}

std::string GetVolumeGuidPath(char driveLetter) {
  std::string path = platform::GetVolumeNameForMountPoint(std::string(1, driveLetter) + ":\\");
  if (path.size() >= kVolumePathBuffer) return {};
  return path;
}
