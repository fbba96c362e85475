// The files of a mounted block-device volume: the files under its mount
// point, plus where a file lies on a FAT volume, read from the FAT of the
// volume's own device node (the kernel's vfat offers no extent map, and the
// block map query needs root).
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/host_folder_files.h"

namespace platform {

// True for the file system types that hold a FAT volume ("vfat", "msdos",
// "fuse.fusefat", "fuse.quillfen-fatfs", ...).
bool IsFatFileSystemType(const std::string& fsType);

class MountedVolumeFiles : public HostFolderFiles {
 public:
  // `mountRoot` is the folder of the volume seen at the mount point ("/"
  // unless a folder was bind-mounted).
  MountedVolumeFiles(std::string mountPoint, std::string mountRoot, std::string volumeNode,
                     bool fat);

  // The file's data is flushed and the volume synced before the FAT is
  // read, so that the runs are those on the medium. kErrorAccessDenied when
  // the volume's node may not be read.
  std::uint32_t ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) override;
  std::uint32_t ClusterSize(std::uint32_t* sectorsPerCluster,
                            std::uint32_t* bytesPerSector) override;
  // syncfs on the mount: the card holds what was written when it returns.
  std::uint32_t FlushVolume() override;

  // The path of a file on the volume for a path below the mount point.
  std::string VolumePath(const std::string& path) const;

 private:
  std::string mountPoint_;
  std::string rootPrefix_;  // "" or "sub\\folder\\"
  std::string volumeNode_;
  bool fat_;
};

// Reads the first 512 bytes of a device node; 0 or an error code
// (kErrorAccessDenied when the node may not be opened).
std::uint32_t ReadBootSector(const std::string& node, std::uint8_t sector[512]);

}  // namespace platform
