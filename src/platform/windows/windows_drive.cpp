#include "platform/windows/windows_drive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/errors.h"
#include "platform/windows/retrieval_pointers.h"
#include "platform/windows/win32.h"
#include "platform/windows/windows_raw_device.h"
#include "platform/windows/windows_volume_device.h"

namespace platform {
namespace {
std::string RootOf(char letter) {
  return std::string(1, letter).append(":\\");
}

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}
}  // namespace

bool IsFloppyDeviceName(DriveType type, const std::string& deviceName) {
  return type == DriveType::kRemovable &&
         LowerCase(deviceName).find("\\floppy") != std::string::npos;
}

std::optional<WindowsDriveRecord> DescribeWindowsDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  WindowsDriveRecord record;
  record.letter = letter;
  record.type = static_cast<DriveType>(GetDriveTypeA(RootOf(letter).c_str()));
  if (record.type == DriveType::kNoRootDir) return std::nullopt;
  char device[MAX_PATH] = {};
  const std::string name = std::string(1, letter).append(":");
  if (QueryDosDeviceA(name.c_str(), device, MAX_PATH) != 0) record.deviceName = device;
  record.floppy = IsFloppyDeviceName(record.type, record.deviceName);
  return record;
}

WindowsVolumeFiles::WindowsVolumeFiles(char letter)
    : HostFolderFiles(RootOf(letter)), letter_(letter) {}

std::uint32_t WindowsVolumeFiles::ClusterRuns(const std::string& path,
                                              std::vector<ClusterRun>* runs) {
  return QueryRetrievalPointers(HostPath(path), runs);
}

std::uint32_t WindowsVolumeFiles::ClusterSize(std::uint32_t* sectorsPerCluster,
                                              std::uint32_t* bytesPerSector) {
  return QueryClusterSize(RootOf(letter_), sectorsPerCluster, bytesPerSector);
}

std::uint32_t WindowsVolumeFiles::FlushVolume() {
  const std::string volume = std::string("\\\\.\\").append(1, letter_).append(":");
  const HANDLE handle =
      CreateFileA(volume.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    // Flushing a volume needs administrator rights. Without them the files'
    // own writes stand: removable drives are set for quick removal (no write
    // cache) unless the user chose otherwise.
    return code == ERROR_ACCESS_DENIED ? kErrorSuccess : static_cast<std::uint32_t>(code);
  }
  const bool flushed = FlushFileBuffers(handle) != FALSE;
  const DWORD code = ::GetLastError();
  CloseHandle(handle);
  return flushed ? kErrorSuccess : static_cast<std::uint32_t>(code);
}

WindowsDrive::WindowsDrive(WindowsDriveRecord record)
    : record_(std::move(record)), files_(record_.letter) {}

std::string WindowsDrive::VolumePath() const {
  return std::string("\\\\.\\").append(1, record_.letter).append(":");
}

std::string WindowsDrive::Root() const {
  return RootOf(record_.letter);
}

IVolumeFiles* WindowsDrive::Files() {
  // No medium, or none that Windows can read: no files.
  if (!GetVolumeInformationA(Root().c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
    const DWORD code = ::GetLastError();
    SetLastError(code != 0 ? static_cast<std::uint32_t>(code) : kErrorNotReady);
    return nullptr;
  }
  return &files_;
}

bool WindowsDrive::VolumeInformation(std::string* label, std::string* fileSystem) {
  char name[MAX_PATH + 1] = {};
  char system[MAX_PATH + 1] = {};
  DWORD serial = 0;
  DWORD maxComponent = 0;
  DWORD flags = 0;
  if (!GetVolumeInformationA(Root().c_str(), name, sizeof name, &serial, &maxComponent, &flags,
                             system, sizeof system)) {
    SetLastError(static_cast<std::uint32_t>(::GetLastError()));
    return false;
  }
  if (label != nullptr) *label = name;
  if (fileSystem != nullptr) *fileSystem = system;
  return true;
}

std::uint32_t WindowsDrive::OpenVolumeRaw(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  // Written raw, the volume is locked and dismounted first: Windows refuses
  // raw writes into a mounted file system.
  return OpenWindowsRawDevice(VolumePath(), forWriting, forWriting, device);
}

std::uint32_t WindowsDrive::DeviceNumber(std::uint32_t* number) {
  if (record_.floppy) return kErrorInvalidFunction;
  return QueryStorageDeviceNumber(VolumePath(), number);
}

std::uint32_t WindowsDrive::OpenPhysicalDisk(bool forWriting, std::unique_ptr<IRawDevice>* device) {
  std::uint32_t number = 0;
  if (const std::uint32_t code = DeviceNumber(&number)) return code;
  char path[40];
  std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%u", number);
  return OpenWindowsRawDevice(path, forWriting, false, device);
}

std::uint32_t WindowsDrive::QueryStorageProperties(StorageProperties* properties) {
  return QueryStorageDeviceProperties(VolumePath(), properties);
}

std::string WindowsDrive::VolumeGuidPath() {
  return QueryVolumeGuidPath(Root());
}

bool WindowsDrive::WriteProtected() {
  return QueryDiskWriteProtected(VolumePath());
}

std::uint32_t WindowsDrive::OpenVolumeDevice(std::unique_ptr<IVolumeDevice>* device) {
  std::string path = VolumeGuidPath();
  if (path.empty()) return kErrorFileNotFound;
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return OpenWindowsVolumeDevice(path, device);
}

}  // namespace platform
