// A drive letter bound to a host folder: its files are the folder's files.
#pragma once

#include <memory>
#include <string>

#include "platform/drive.h"
#include "platform/host/host_folder_files.h"

namespace platform {

struct HostFolderDriveOptions {
  DriveType type = DriveType::kFixed;
  std::string deviceName = "\\Device\\HostFolder";
  std::string label;
  std::string fileSystem = "HOSTFS";
};

class HostFolderDrive : public IDrive {
 public:
  HostFolderDrive(std::string folder, HostFolderDriveOptions options = {});

  DriveType Type() const override { return options_.type; }
  std::string DeviceName() const override { return options_.deviceName; }
  IVolumeFiles* Files() override { return &files_; }
  bool VolumeInformation(std::string* label, std::string* fileSystem) override;

  HostFolderFiles& folderFiles() { return files_; }
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  HostFolderDriveOptions options_;
  HostFolderFiles files_;
};

}  // namespace platform
