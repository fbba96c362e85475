// The one binding of the program to the outside virtual disk driver: loads the
// driver's control library at run time, mounts an image file at a drive letter,
// releases it, and describes the driver's devices. Without the driver,
// Initialize returns false and mounting stays off.
#pragma once

#include "virtualdrive/virtual_disk.h"
#include "virtualdrive/virtual_disk_driver.h"

#include <memory>
#include <string>
#include <vector>

class CVirtualDiskManager : public IVirtualDiskManager {
 public:
  // Tries the driver library's usual names.
  CVirtualDiskManager();
  // Tries the given names (bare names or paths) in turn.
  explicit CVirtualDiskManager(std::vector<std::string> libraryNames);
  ~CVirtualDiskManager() override;
  CVirtualDiskManager(const CVirtualDiskManager&) = delete;
  CVirtualDiskManager& operator=(const CVirtualDiskManager&) = delete;

  [[nodiscard]] bool Initialize() override;
  [[nodiscard]] WinBool GetVersion(VirtualDiskVersion& library,
                                   VirtualDiskVersion& driver) override;
  [[nodiscard]] char GetFreeDriveLetter() override;
  [[nodiscard]] WinBool MountImage(const char* imageFile, char driveLetter) override;
  [[nodiscard]] WinBool UnmountImage(char driveLetter) override;
  [[nodiscard]] WinBool QueryDevice(VirtualDiskInfo& info, unsigned deviceNumber) override;
  [[nodiscard]] WinBool FindDeviceByDriveLetter(VirtualDiskInfo& info, char driveLetter) override;
  void ClearStatusWindow() override;
  void SetStatusWindow(VirtualDiskStatusWindow window) override;

  VirtualDiskStatusWindow StatusWindow() const { return statusWindow_; }

  // Device numbers that FindDeviceByDriveLetter looks at: 0 to 31.
  static constexpr unsigned kSearchedDevices = 32;

 private:
  // Checks binding, module and entry point in that order, leaving -601 or
  // -602 as the last error when one is missing.
  template <typename Proc>
  bool Usable(Proc VirtualDiskDriverBinding::*entryPoint) const;

  std::vector<std::string> libraryNames_;
  std::unique_ptr<VirtualDiskDriverBinding> binding_;
  char freeLetter_ = 0;
  VirtualDiskStatusWindow statusWindow_ = nullptr;
};

// The process's one manager, created at the first call.
CVirtualDiskManager& GetVirtualDiskManager();
