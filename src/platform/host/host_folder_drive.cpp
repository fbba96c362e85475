#include "platform/host/host_folder_drive.h"

namespace platform {

HostFolderDrive::HostFolderDrive(std::string folder, HostFolderDriveOptions options)
    : folder_(std::move(folder)), options_(std::move(options)), files_(folder_) {}

bool HostFolderDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (label) *label = options_.label;
  if (fileSystem) *fileSystem = options_.fileSystem;
  return true;
}

}  // namespace platform
