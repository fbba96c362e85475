// A container file on the host (a user's backup of a card) attached at a
// letter, so that the container store works on it as on a card: the drive's
// volume holds that one file, at the place where a card keeps its container,
// and nothing else. It has no raw side and takes no new files: a container
// file has no sectors around it to record a start sector in, and nothing on
// it may be created or deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/drive.h"

namespace platform {

class ContainerFileFiles : public IVolumeFiles {
 public:
  // hostPath is the file on the host; innerPath where the volume shows it
  // ("FOLDER\NAME"), compared without regard to case.
  ContainerFileFiles(std::string hostPath, std::string innerPath, bool readOnly);

  const std::string& hostPath() const { return hostPath_; }
  bool readOnly() const { return readOnly_; }

  std::uint32_t Open(const std::string& path, const OpenRequest& request,
                     std::unique_ptr<IFile>* file) override;
  std::uint32_t GetAttributes(const std::string& path, std::uint32_t* attributes) override;
  std::uint32_t SetAttributes(const std::string& path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(const std::string& path) override;
  std::uint32_t CreateDirectory(const std::string& path) override;
  std::uint32_t RemoveDirectory(const std::string& path) override;
  // Nothing free; the total is the file's length.
  std::uint32_t FreeSpace(const std::string& path, std::uint64_t* freeToCaller,
                          std::uint64_t* totalBytes) override;
  std::uint32_t Identity(const std::string& path, FileId* id) override;

 private:
  enum class Entry { kNone, kRoot, kFolder, kFile };
  Entry Find(const std::string& path) const;

  std::string hostPath_;
  std::string innerPath_;
  bool readOnly_;
  std::mutex mutex_;
  // The protection the store sets and lifts around its writes stays with the
  // drive: the user's file keeps its own permissions.
  std::uint32_t attributes_ = kAttributeArchive;
};

class ContainerFileDrive : public IDrive {
 public:
  ContainerFileDrive(std::string hostPath, std::string innerPath, bool readOnly);

  const std::string& hostPath() const { return files_.hostPath(); }

  // Removable, so that the drive search lists it beside the cards.
  DriveType Type() const override { return DriveType::kRemovable; }
  std::string DeviceName() const override { return "\\Device\\ContainerFile"; }
  IVolumeFiles* Files() override { return &files_; }
  // The label is the file's name; there is no file system.
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;
  std::string StorageDevicePath() const override { return hostPath(); }
  DriveDescription Description() const override {
    DriveDescription d;
    d.imageFile = hostPath();
    return d;
  }
  bool WriteProtected() override { return files_.readOnly(); }

 private:
  ContainerFileFiles files_;
};

// The attach, ask and detach functions of this drive are declared in
// platform/drive_images.h.

}  // namespace platform
