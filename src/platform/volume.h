// The backend side of a volume's files: what a drive backend implements so
// that `X:\...` paths work on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"

namespace platform {

// Which file a path reaches, for telling two paths to one file apart from
// two files (a card's mount seen through its drive letter and as a host path).
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t file = 0;
  bool operator==(const FileId&) const = default;
};

struct OpenRequest {
  std::uint32_t access = kGenericRead;
  Disposition disposition = Disposition::kOpenExisting;
  std::uint32_t flags = 0;
};

// The files of one volume. Paths are relative to the volume's root, with
// backslashes as separators and no leading backslash ("" is the root).
// Every call returns 0 or an error code.
class IVolumeFiles {
 public:
  virtual ~IVolumeFiles() = default;
  virtual std::uint32_t Open(const std::string& path, const OpenRequest& request,
                             std::unique_ptr<IFile>* file) = 0;
  virtual std::uint32_t GetAttributes(const std::string& path, std::uint32_t* attributes) = 0;
  virtual std::uint32_t SetAttributes(const std::string& path, std::uint32_t attributes) = 0;
  virtual std::uint32_t DeleteFile(const std::string& path) = 0;
  virtual std::uint32_t CreateDirectory(const std::string& path) = 0;
  virtual std::uint32_t RemoveDirectory(const std::string& path) = 0;
  // The names of the plain files (no folders) in the folder at path, in no
  // particular order. Volumes that cannot tell answer kErrorInvalidFunction.
  virtual std::uint32_t ListFiles(const std::string& path, std::vector<std::string>* names) {
    (void)path;
    (void)names;
    return kErrorInvalidFunction;
  }
  // Free bytes for the caller and total bytes of the volume that holds path.
  virtual std::uint32_t FreeSpace(const std::string& path, std::uint64_t* freeToCaller,
                                  std::uint64_t* totalBytes) = 0;
  // Waits until the medium holds everything written to the volume so far,
  // as FlushFileBuffers on a volume handle does. Volumes whose writes reach
  // the medium by themselves have nothing to do.
  virtual std::uint32_t FlushVolume() { return kErrorSuccess; }

  // The identity of the file at path. Volumes that cannot tell answer
  // kErrorInvalidFunction.
  virtual std::uint32_t Identity(const std::string& path, FileId* id) {
    (void)path;
    (void)id;
    return kErrorInvalidFunction;
  }

  // Where a file lies: its runs of clusters in file order, logical clusters
  // counted from the first cluster of the data area. Volumes that cannot tell
  // answer kErrorInvalidFunction.
  struct ClusterRun {
    std::uint64_t virtualCluster = 0;
    std::uint64_t logicalCluster = 0;
    std::uint64_t length = 0;
  };
  virtual std::uint32_t ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) {
    (void)path;
    (void)runs;
    return kErrorInvalidFunction;
  }
  // Bytes [offset, offset + count) of a file as the medium holds them, past
  // every cache of the host: the read-back of a verify. A volume without a
  // cache of its own reads the file as usual.
  virtual std::uint32_t ReadFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                                       std::uint32_t count) {
    std::unique_ptr<IFile> file;
    std::uint64_t at = 0;
    std::uint32_t done = 0;
    std::uint32_t code = Open(path, OpenRequest{}, &file);
    if (code == kErrorSuccess)
      code = file->Seek(static_cast<std::int64_t>(offset), SeekOrigin::kBegin, &at);
    if (code == kErrorSuccess) code = file->Read(buffer, count, &done);
    if (code == kErrorSuccess && done != count) code = kErrorHandleEof;
    return code;
  }
  // Sectors per cluster and bytes per sector of the volume.
  virtual std::uint32_t ClusterSize(std::uint32_t* sectorsPerCluster,
                                    std::uint32_t* bytesPerSector) {
    (void)sectorsPerCluster;
    (void)bytesPerSector;
    return kErrorInvalidFunction;
  }
};

}  // namespace platform
