#include "driveaccess/file_placement.h"

#include <string>
#include <vector>

#include "driveaccess/volume_layout.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/raw_device.h"

namespace {
// One answer of the retrieval pointer request holds at most this many
// extents (a 4112-byte answer buffer of 16-byte extents behind a 16-byte head).
constexpr std::size_t kExtentsPerAnswer = 256;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct ClusterScan {
  std::uint32_t extentCount = 0;
  std::uint64_t firstCluster = 0;
  bool corrupt = false;  // the volume says the file's clusters cannot be trusted
};

// Asks for the file's runs in answers of up to 256 extents. A file without
// clusters, or a volume that cannot tell, ends the scan with no extents.
ClusterScan ScanClusters(const std::string& path) {
  ClusterScan scan;
  bool haveFirst = false;
  std::uint64_t nextVcn = 0;
  for (;;) {
    std::uint64_t answerVcn = 0;
    std::vector<platform::RetrievalExtent> extents;
    const std::uint32_t status =
        platform::GetRetrievalPointers(path, nextVcn, kExtentsPerAnswer, &answerVcn, &extents);
    if (status != platform::kErrorSuccess && status != platform::kErrorMoreData) {
      scan.corrupt = status == platform::kErrorDiskCorrupt;
      break;
    }
    scan.extentCount += static_cast<std::uint32_t>(extents.size());
    if (!haveFirst && !extents.empty()) {
      scan.firstCluster = extents.front().logicalCluster;
      haveFirst = true;
    }
    if (status == platform::kErrorSuccess) break;
    // An answer that does not move on would be asked for forever.
    if (extents.empty() || extents.back().nextVirtualCluster <= nextVcn) break;
    nextVcn = extents.back().nextVirtualCluster;
  }
  return scan;
}
}  // namespace

int GetFilePlacement(const char* filePath, FilePlacement& out) {
  out.extentCount = 0;
  out.startSector = 0;
  if (filePath == nullptr || filePath[0] == '\0' || filePath[1] != ':' ||
      !IsAsciiLetter(filePath[0])) {
    return DAV_ERR_NO_DRIVE;
  }
  const std::string path = filePath;
  const char letter = filePath[0];
  if (platform::GetAttributes(path) == platform::kInvalidFileAttributes) {
    return DAV_ERR_FILE_NOT_FOUND;
  }
  {
    // The file must be openable for reading; the cluster runs are then asked
    // by path, after the handle is given back, so that a backend that reads
    // the runs through the file system does not meet our exclusive open.
    platform::File file =
        platform::OpenFile(path, platform::kGenericRead, platform::Disposition::kOpenExisting,
                           platform::kFlagNoBuffering);
    if (!file.IsOpen()) return DAV_ERR_OPEN_FILE;
  }
  const ClusterScan scan = ScanClusters(path);
  // A chain another file claims too, or one behind an entry of size 0: no
  // reader by sector number may be sent there.
  if (scan.corrupt) return static_cast<int>(platform::kErrorDiskCorrupt);
  out.extentCount = scan.extentCount;

  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  const std::string root = std::string(1, letter) + ":\\";
  if (platform::GetClusterSize(root, &sectorsPerCluster, &bytesPerSector) !=
          platform::kErrorSuccess ||
      sectorsPerCluster == 0) {
    sectorsPerCluster = 1;
  }
  // Logical cluster 0 is the first cluster of the data area.
  const std::uint64_t dataAreaSector = std::uint64_t{sectorsPerCluster} * scan.firstCluster;

  VolumeLayout layout;
  if (!ReadVolumeLayout(letter, layout)) {
    return platform::GetLastError() == platform::kErrorAccessDenied ? DAV_ERR_NO_RIGHTS
                                                                    : DAV_ERR_UNKNOWN_PARTITION;
  }
  out.startSector = dataAreaSector + layout.firstDataSector;
  return DAV_NO_ERROR;
}
