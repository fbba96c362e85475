// Files of a host folder (or of the whole host when the root is empty),
// through POSIX.
//
// Windows rules kept here: opens are exclusive (flock, so they hold across
// processes too), a read-only file is refused for writing and deleting even
// to root, and the read-only, hidden and system attributes are observable on
// every file system: on a vfat mount they are the FAT attributes (through the
// vfat attribute ioctl); elsewhere read-only is the owner's write permission
// and hidden/system are kept in an extended attribute where the file system
// can hold one.
#pragma once

#include <optional>
#include <string>

#include "platform/volume.h"

namespace platform {

class HostFolderFiles : public IVolumeFiles {
 public:
  explicit HostFolderFiles(std::string root);

  // Makes FreeSpace answer this many free bytes (when less than the real
  // free space), so that tests can stage a nearly full volume.
  void LimitFreeBytes(std::optional<std::uint64_t> bytes) { freeLimit_ = bytes; }

  // The host path of a path below the root.
  std::string HostPath(const std::string& path) const;

  std::uint32_t Open(const std::string& path, const OpenRequest& request,
                     std::unique_ptr<IFile>* file) override;
  std::uint32_t GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  std::uint32_t SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(const std::string& path) override;
  std::uint32_t CreateDirectory(const std::string& path) override;
  std::uint32_t RemoveDirectory(const std::string& path) override;
  std::uint32_t ListFiles(const std::string& path, std::vector<std::string>* names) override;
  std::uint32_t FreeSpace(const std::string& path, std::uint64_t* freeToCaller,
                          std::uint64_t* totalBytes) override;
  std::uint32_t Identity(const std::string& path, FileId* id) override;
  // Through medium_read.h: O_DIRECT on vfat mounts of real cards, the cache
  // dropped and read again where the file system refuses O_DIRECT.
  std::uint32_t ReadFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                               std::uint32_t count) override;

 private:
  std::string root_;
  std::optional<std::uint64_t> freeLimit_;
};

}  // namespace platform
