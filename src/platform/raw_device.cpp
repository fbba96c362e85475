#include "platform/raw_device.h"

#include <cctype>
#include <cstdlib>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/path_resolver.h"

namespace platform {
namespace {
constexpr char kPhysicalDrivePrefix[] = "\\\\.\\PhysicalDrive";

// "\\.\X:" -> 'X', else 0.
char VolumeLetter(const std::string& path) {
  if (path.size() == 6 && path.compare(0, 4, "\\\\.\\") == 0 &&
      std::isalpha(static_cast<unsigned char>(path[4])) && path[5] == ':') {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(path[4])));
  }
  return 0;
}

// "\\.\PhysicalDrive<n>" -> n, else -1.
long PhysicalDriveNumber(const std::string& path) {
  const std::size_t prefix = sizeof kPhysicalDrivePrefix - 1;
  if (path.size() <= prefix || path.compare(0, prefix, kPhysicalDrivePrefix) != 0) return -1;
  char* end = nullptr;
  const long number = std::strtol(path.c_str() + prefix, &end, 10);
  return (*end == '\0' && number >= 0) ? number : -1;
}

// The drive whose physical disk has the number.
std::shared_ptr<IDrive> DriveOfDisk(long number) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::shared_ptr<IDrive> drive = FindDrive(letter);
    std::uint32_t n = 0;
    if (drive && drive->DeviceNumber(&n) == kErrorSuccess &&
        n == static_cast<std::uint32_t>(number)) {
      return drive;
    }
  }
  return nullptr;
}

std::shared_ptr<IDrive> DriveOfPath(const std::string& devicePath) {
  if (const char letter = VolumeLetter(devicePath)) return FindDrive(letter);
  const long number = PhysicalDriveNumber(devicePath);
  return number >= 0 ? DriveOfDisk(number) : nullptr;
}
}  // namespace

std::unique_ptr<IRawDevice> OpenRawDevice(const std::string& devicePath, bool forWriting,
                                          std::uint32_t* error) {
  std::unique_ptr<IRawDevice> device;
  const std::shared_ptr<IDrive> drive = DriveOfPath(devicePath);
  if (!drive) {
    *error = kErrorFileNotFound;
  } else if (VolumeLetter(devicePath)) {
    *error = drive->OpenVolumeRaw(forWriting, &device);
  } else {
    *error = drive->OpenPhysicalDisk(forWriting, &device);
  }
  if (*error != kErrorSuccess) device.reset();
  return device;
}

std::uint32_t GetStorageDeviceNumber(const std::string& devicePath, std::uint32_t* number) {
  const std::shared_ptr<IDrive> drive = DriveOfPath(devicePath);
  return drive ? drive->DeviceNumber(number) : kErrorFileNotFound;
}

std::uint32_t GetStorageProperties(const std::string& devicePath, StorageProperties* properties) {
  const std::shared_ptr<IDrive> drive = DriveOfPath(devicePath);
  return drive ? drive->QueryStorageProperties(properties) : kErrorFileNotFound;
}

std::string GetVolumeNameForMountPoint(const std::string& mountPoint) {
  if (!IsDrivePath(mountPoint)) return {};
  const std::shared_ptr<IDrive> drive = FindDrive(mountPoint[0]);
  return drive ? drive->VolumeGuidPath() : std::string();
}

std::unique_ptr<IVolumeDevice> OpenVolumeDevice(const std::string& volumePath,
                                                std::uint32_t* error) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::shared_ptr<IDrive> drive = FindDrive(letter);
    if (!drive) continue;
    std::string guidPath = drive->VolumeGuidPath();
    while (!guidPath.empty() && guidPath.back() == '\\') guidPath.pop_back();
    if (guidPath.empty() || guidPath != volumePath) continue;
    std::unique_ptr<IVolumeDevice> device;
    *error = drive->OpenVolumeDevice(&device);
    if (*error != kErrorSuccess) device.reset();
    return device;
  }
  *error = kErrorFileNotFound;
  return nullptr;
}

std::uint32_t GetRetrievalPointers(const std::string& filePath,
                                   std::uint64_t startingVirtualCluster, std::size_t maxExtents,
                                   std::uint64_t* startingVcnOut,
                                   std::vector<RetrievalExtent>* extents) {
  extents->clear();
  ResolvedPath resolved;
  if (!ResolvePath(filePath, &resolved)) return GetLastError();
  std::vector<IVolumeFiles::ClusterRun> runs;
  if (const std::uint32_t code = resolved.files->ClusterRuns(resolved.relative, &runs)) return code;
  // Skip the runs that end before the starting cluster; answer from the run
  // that holds it.
  std::size_t first = 0;
  while (first < runs.size() &&
         runs[first].virtualCluster + runs[first].length <= startingVirtualCluster) {
    ++first;
  }
  if (first == runs.size()) return kErrorHandleEof;
  const std::uint64_t skip = startingVirtualCluster > runs[first].virtualCluster
                                 ? startingVirtualCluster - runs[first].virtualCluster
                                 : 0;
  *startingVcnOut = runs[first].virtualCluster + skip;
  for (std::size_t i = first; i < runs.size() && extents->size() < maxExtents; ++i) {
    const std::uint64_t offset = i == first ? skip : 0;
    extents->push_back({runs[i].virtualCluster + runs[i].length, runs[i].logicalCluster + offset});
  }
  return first + extents->size() < runs.size() ? kErrorMoreData : kErrorSuccess;
}

std::uint32_t GetClusterSize(const std::string& root, std::uint32_t* sectorsPerCluster,
                             std::uint32_t* bytesPerSector) {
  ResolvedPath resolved;
  if (!ResolvePath(root, &resolved)) return GetLastError();
  return resolved.files->ClusterSize(sectorsPerCluster, bytesPerSector);
}

}  // namespace platform
