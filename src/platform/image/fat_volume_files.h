// The files of a FAT volume kept by the FAT engine, with the Windows rules of
// the platform layer: exclusive opens, read-only files refused for writing
// and deleting, a write-protected medium refused for every change.
#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "fat/volume.h"
#include "platform/volume.h"

namespace platform {

class FatVolumeFiles : public IVolumeFiles, public std::enable_shared_from_this<FatVolumeFiles> {
 public:
  FatVolumeFiles(std::unique_ptr<fat::ISectorDevice> device, std::unique_ptr<fat::Volume> volume,
                 bool writeProtected);
  ~FatVolumeFiles() override;

  fat::Volume& volume() { return *volume_; }
  // Writes what the engine buffers, without waiting for the medium: raw
  // readers of the same image then see what the files show.
  void WriteOut();

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
  std::uint32_t FlushVolume() override;
  std::uint32_t ClusterRuns(const std::string& path, std::vector<ClusterRun>* runs) override;
  std::uint32_t ClusterSize(std::uint32_t* sectorsPerCluster,
                            std::uint32_t* bytesPerSector) override;
  // Through the engine's chain, from the image's medium (ImageFile's
  // ReadFromMedium), past the host's page cache.
  std::uint32_t ReadFromMedium(const std::string& path, std::uint64_t offset, void* buffer,
                               std::uint32_t count) override;

  // Called by an open file when it closes.
  void Release(const std::string& key);
  std::mutex& mutex() { return mutex_; }

 private:
  // The same key for every spelling of a path (either case, short names).
  std::string KeyOf(const std::string& path);
  std::uint32_t Writable() const;

  std::mutex mutex_;
  std::unique_ptr<fat::ISectorDevice> device_;
  std::unique_ptr<fat::Volume> volume_;
  bool writeProtected_;
  std::set<std::string> open_;
};

}  // namespace platform
