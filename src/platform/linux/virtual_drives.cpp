#include "platform/linux/virtual_drives.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "platform/drive.h"
#include "platform/host/host_folder_drive.h"
#include "platform/linux/virtual_drive_state.h"

namespace platform {
namespace {
std::mutex g_mutex;

HostFolderDriveOptions OptionsFor(const VirtualDriveRecord& record) {
  HostFolderDriveOptions options;
  // What the driver's floppy device with removable media looks like.
  options.type = DriveType::kRemovable;
  options.deviceName = "\\Device\\ImDisk" + std::to_string(record.number);
  options.fileSystem = "FAT";
  return options;
}

class VirtualFolderDrive : public HostFolderDrive {
 public:
  explicit VirtualFolderDrive(const VirtualDriveRecord& record)
      : HostFolderDrive(record.folder, OptionsFor(record)), record_(record) {}
  const VirtualDriveRecord& record() const { return record_; }

 private:
  VirtualDriveRecord record_;
};

std::shared_ptr<VirtualFolderDrive> VirtualDriveAt(char letter) {
  return std::dynamic_pointer_cast<VirtualFolderDrive>(FindDrive(letter));
}
}  // namespace

std::vector<std::string> RefreshVirtualDrives(const std::vector<MountEntry>& mounts) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::vector<VirtualDriveRecord> live;
  const std::string folder = VirtualDriveStateFolder();
  if (IsTrustedVirtualDriveStateFolder(folder)) {
    for (const VirtualDriveRecord& record : ReadVirtualDriveRecords(folder)) {
      if (IsVirtualDriveMounted(record, mounts)) live.push_back(record);
    }
  }

  DriveTable& table = DriveTable::Instance();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const auto drive = VirtualDriveAt(letter);
    if (drive && std::find(live.begin(), live.end(), drive->record()) == live.end()) {
      table.Detach(letter);
    }
  }
  std::vector<std::string> folders;
  for (const VirtualDriveRecord& record : live) {
    const auto drive = VirtualDriveAt(record.letter);
    if ((drive && drive->record() == record) ||
        table.Attach(record.letter, std::make_shared<VirtualFolderDrive>(record))) {
      folders.push_back(record.folder);
    }
  }
  return folders;
}

void DetachVirtualDrives() {
  std::lock_guard<std::mutex> lock(g_mutex);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (VirtualDriveAt(letter)) DriveTable::Instance().Detach(letter);
  }
}

}  // namespace platform
