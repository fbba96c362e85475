#include "platform/windows/windows_volume_device.h"

#include "platform/errors.h"
#include "platform/windows/win32.h"

namespace platform {
namespace {
std::uint32_t LastError() {
  const DWORD code = ::GetLastError();
  return code == 0 ? kErrorGenFailure : static_cast<std::uint32_t>(code);
}

class WindowsVolumeDevice : public IVolumeDevice {
 public:
  explicit WindowsVolumeDevice(HANDLE handle) : handle_(handle) {}
  ~WindowsVolumeDevice() override { CloseHandle(handle_); }
  WindowsVolumeDevice(const WindowsVolumeDevice&) = delete;
  WindowsVolumeDevice& operator=(const WindowsVolumeDevice&) = delete;

  std::uint32_t QueryNtfsVolumeData() override {
    NTFS_VOLUME_DATA_BUFFER data{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &data, sizeof data,
                         &returned, nullptr)) {
      return LastError();
    }
    return kErrorSuccess;
  }

  std::uint32_t Read(void* buffer, std::uint32_t count, std::uint32_t* done) override {
    DWORD moved = 0;
    *done = 0;
    if (!ReadFile(handle_, buffer, count, &moved, nullptr)) return LastError();
    *done = moved;
    return kErrorSuccess;
  }

  std::uint32_t GetStartingOffset(std::uint64_t* bytes) override {
    PARTITION_INFORMATION_EX partition{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &partition,
                         sizeof partition, &returned, nullptr)) {
      return LastError();
    }
    *bytes = static_cast<std::uint64_t>(partition.StartingOffset.QuadPart);
    return kErrorSuccess;
  }

 private:
  HANDLE handle_;
};
}  // namespace

std::string QueryVolumeGuidPath(const std::string& mountPoint) {
  char name[MAX_PATH] = {};
  if (!GetVolumeNameForVolumeMountPointA(mountPoint.c_str(), name, MAX_PATH)) return {};
  return name;
}

std::uint32_t OpenWindowsVolumeDevice(const std::string& volumePath,
                                      std::unique_ptr<IVolumeDevice>* device) {
  const HANDLE handle =
      CreateFileA(volumePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  *device = std::make_unique<WindowsVolumeDevice>(handle);
  return kErrorSuccess;
}

}  // namespace platform
