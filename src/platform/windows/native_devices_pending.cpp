// Stand-ins until the real drives and devices of Windows have their own
// files: no device events, and the drive letters the system has attached
// as plain folders of the host.
#include "platform/device_events.h"
#include "platform/drive.h"
#include "platform/drive_refresh.h"
#include "platform/errors.h"
#include "platform/host/host_folder_drive.h"
#include "platform/windows/win32.h"

namespace platform {

std::unique_ptr<IDeviceEvents> OpenDeviceEvents(const DeviceEventOptions& options,
                                                std::uint32_t* error) {
  (void)options;
  if (error != nullptr) *error = kErrorNotSupported;
  return nullptr;
}

std::uint32_t RefreshDrives() {
  const DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const char letter = static_cast<char>('A' + i);
    if ((mask & (1u << i)) == 0 || FindDrive(letter)) continue;
    const std::string root = std::string(1, letter) + ":";
    DriveTable::Instance().Attach(letter, std::make_shared<HostFolderDrive>(root));
  }
  return kErrorSuccess;
}

}  // namespace platform
