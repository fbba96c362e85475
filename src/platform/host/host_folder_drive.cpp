#include "platform/host/host_folder_drive.h"

#include "platform/drive_images.h"

namespace platform {

HostFolderDrive::HostFolderDrive(std::string folder, HostFolderDriveOptions options)
    : folder_(std::move(folder)), options_(std::move(options)), files_(folder_) {}

bool HostFolderDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  if (label) *label = options_.label;
  if (fileSystem) *fileSystem = options_.fileSystem;
  return true;
}

std::string HostFolderOfDrive(char letter) {
  const auto drive = std::dynamic_pointer_cast<HostFolderDrive>(FindDrive(letter));
  return drive ? drive->folder() : std::string();
}

}  // namespace platform
