#include "imdisk_linux/linux_virtual_disk.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "imdisk_linux/device_answer.h"
#include "imdisk_linux/floppy_image.h"
#include "imdisk_linux/udisks_client.h"
#include "imdisk_linux/udisks_mount.h"
#include "imdisk_linux/user_space_mount.h"
#include "platform/errors.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/virtual_drive_state.h"
#include "virtualdrive/virtual_disk_driver.h"

namespace linux_driver {
namespace {
using platform::VirtualDriveRecord;
using platform::VirtualMountMethod;

// Device numbers the callers look at.
constexpr std::uint32_t kDeviceNumbers = 32;
// A server whose mount was taken away from outside still writes what it holds.
constexpr unsigned kFlushTimeoutMs = 5000;
constexpr std::uint32_t kReadOnlyFlag = 0x01;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// Lets go of what is left of a mount that went away from outside, and of its
// record.
void Forget(const std::string& stateFolder, const VirtualDriveRecord& record) {
  if (record.method == VirtualMountMethod::kFatfs) {
    ClearDeadFuseMount(record.folder);
    if (FatfsServes(record.process, record.image)) {
      platform::WaitForProcessEnd(record.process, kFlushTimeoutMs);
    }
    ::rmdir(record.folder.c_str());
  } else {
    ClearUnmountedLoop(record);
  }
  platform::RemoveVirtualDriveRecord(stateFolder, record.number);
}

// The records whose mount is in place; the others are forgotten.
std::vector<VirtualDriveRecord> LiveRecords(const std::string& stateFolder) {
  const std::vector<platform::MountEntry> mounts = platform::ReadMounts(platform::NativePaths{});
  std::vector<VirtualDriveRecord> live;
  for (const VirtualDriveRecord& record : platform::ReadVirtualDriveRecords(stateFolder)) {
    if (platform::IsVirtualDriveMounted(record, mounts)) {
      live.push_back(record);
    } else {
      Forget(stateFolder, record);
    }
  }
  return live;
}

std::uint32_t MountAtOwnFolder(const std::string& stateFolder, const std::string& image,
                               bool readOnly, VirtualDriveRecord* record) {
  const std::string wanted = platform::VirtualDriveMountFolder(stateFolder, record->letter);
  ClearDeadFuseMount(wanted);  // left by a server killed while no record told of it
  if (::mkdir(wanted.c_str(), 0700) != 0 && errno != EEXIST) {
    return platform::ErrorFromErrno(errno);
  }
  const std::string folder = RealPath(wanted);
  long process = 0;
  const std::uint32_t error = folder.empty() ? platform::kErrorPathNotFound
                                             : MountWithFatfs(image, folder, readOnly, &process);
  if (error != platform::kErrorSuccess) {
    ::rmdir(wanted.c_str());
    return error;
  }
  record->method = VirtualMountMethod::kFatfs;
  record->folder = folder;
  record->process = process;
  return platform::kErrorSuccess;
}

std::uint32_t Unmount(const VirtualDriveRecord& record) {
  if (record.method == VirtualMountMethod::kUdisks) return UnmountUdisks(record);
  const std::uint32_t error = UnmountFatfs(record.folder, record.process);
  if (error == platform::kErrorSuccess) ::rmdir(record.folder.c_str());
  return error;
}
}  // namespace

bool DriverPresent() {
  if (FatfsAvailable()) return true;
  UdisksClient client;
  return client.ServiceAvailable();
}

std::uint32_t CreateDevice(const std::string& imagePath, char letter, bool readOnly) {
  if (letter < 'A' || letter > 'Z') return platform::kErrorInvalidParameter;
  const std::string image = RealPath(imagePath);
  if (image.empty()) return platform::kErrorFileNotFound;
  VirtualDiskGeometry geometry;
  if (const std::uint32_t error = ReadFloppyImage(image, &geometry)) return error;

  const std::string stateFolder = platform::VirtualDriveStateFolder();
  if (const std::uint32_t error = platform::PrepareVirtualDriveStateFolder(stateFolder)) {
    return error;
  }
  platform::VirtualDriveStateLock lock(stateFolder);
  if (!lock.locked()) return platform::kErrorAccessDenied;
  const std::vector<VirtualDriveRecord> live = LiveRecords(stateFolder);
  VirtualDriveRecord record;
  record.letter = letter;
  record.image = image;
  record.readOnly = readOnly;
  record.number = kDeviceNumbers;
  for (std::uint32_t n = 0; n < kDeviceNumbers && record.number == kDeviceNumbers; ++n) {
    if (std::none_of(live.begin(), live.end(),
                     [n](const VirtualDriveRecord& r) { return r.number == n; })) {
      record.number = n;
    }
  }
  if (std::any_of(live.begin(), live.end(),
                  [letter](const VirtualDriveRecord& r) { return r.letter == letter; })) {
    return platform::kErrorAlreadyExists;
  }
  // Two mounts writing one image would spoil it.
  if (std::any_of(live.begin(), live.end(),
                  [&image](const VirtualDriveRecord& r) { return r.image == image; })) {
    return platform::kErrorSharingViolation;
  }
  if (record.number == kDeviceNumbers) return platform::kErrorBusy;

  // The desktop's own way first; where it is missing or cannot mount the
  // image (a kernel without the file system), a mount in user space.
  if (MountWithUdisks(image, readOnly, &record) != platform::kErrorSuccess) {
    if (const std::uint32_t error = MountAtOwnFolder(stateFolder, image, readOnly, &record)) {
      return error;
    }
  }
  if (const std::uint32_t error = platform::WriteVirtualDriveRecord(stateFolder, record)) {
    Unmount(record);
    return error;
  }
  return platform::kErrorSuccess;
}

std::uint32_t RemoveDevice(char letter) {
  const std::string stateFolder = platform::VirtualDriveStateFolder();
  if (!platform::IsTrustedVirtualDriveStateFolder(stateFolder)) return platform::kErrorFileNotFound;
  platform::VirtualDriveStateLock lock(stateFolder);
  if (!lock.locked()) return platform::kErrorAccessDenied;
  for (const VirtualDriveRecord& record : LiveRecords(stateFolder)) {
    if (record.letter != letter) continue;
    if (const std::uint32_t error = Unmount(record)) return error;
    platform::RemoveVirtualDriveRecord(stateFolder, record.number);
    return platform::kErrorSuccess;
  }
  return platform::kErrorFileNotFound;
}

bool QueryDevice(std::uint32_t number, std::uint8_t* answer, std::size_t size) {
  const std::string stateFolder = platform::VirtualDriveStateFolder();
  if (!platform::IsTrustedVirtualDriveStateFolder(stateFolder)) return false;
  platform::VirtualDriveStateLock lock(stateFolder);
  if (!lock.locked()) return false;
  for (const VirtualDriveRecord& record : LiveRecords(stateFolder)) {
    if (record.number != number) continue;
    DeviceDescription device;
    device.number = number;
    device.letter = record.letter;
    device.image = record.image;
    device.flags = kImDiskMountFlags | (record.readOnly ? kReadOnlyFlag : 0);
    if (ReadFloppyImage(record.image, &device.geometry) != platform::kErrorSuccess) {
      struct stat st {};
      ::stat(record.image.c_str(), &st);
      device.geometry = FloppyGeometry(static_cast<std::uint64_t>(st.st_size), 512, 0, 0);
    }
    return WriteDeviceAnswer(device, answer, size);
  }
  return false;
}

}  // namespace linux_driver
