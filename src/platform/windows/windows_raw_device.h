// Raw devices of the machine itself: "\\.\X:" and "\\.\PhysicalDrive<n>"
// opened through CreateFileA, exclusively (share mode 0) and unbuffered, and
// the storage queries on a device path opened without access rights. The
// drive table's raw calls (raw_device.h) reach these through the drives of
// the machine (WindowsDrive); image drives keep their own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/raw_device.h"

namespace platform {

// Opens the device for reading, or reading and writing. kErrorAccessDenied
// without administrator rights, kErrorSharingViolation while someone else
// has it open. `lockVolume`: a volume ("\\.\X:") is locked and dismounted
// first, so that what is written raw is not overwritten from the file
// system's cache; the lock holds until the device is closed.
std::uint32_t OpenWindowsRawDevice(const std::string& devicePath, bool forWriting, bool lockVolume,
                                   std::unique_ptr<IRawDevice>* device);

// IOCTL_STORAGE_GET_DEVICE_NUMBER on the path.
std::uint32_t QueryStorageDeviceNumber(const std::string& devicePath, std::uint32_t* number);

// IOCTL_STORAGE_GET_HOTPLUG_INFO and IOCTL_STORAGE_QUERY_PROPERTY on the
// path. Succeeds when either answers; what did not answer keeps its default.
std::uint32_t QueryStorageDeviceProperties(const std::string& devicePath,
                                           StorageProperties* properties);

// IOCTL_DISK_IS_WRITABLE: true when the medium refuses writes
// (kErrorWriteProtect); false when it takes them or cannot be asked.
bool QueryDiskWriteProtected(const std::string& devicePath);

// The product name at ProductIdOffset of a STORAGE_DEVICE_DESCRIPTOR answer
// of `size` bytes, without the padding blanks; empty when there is none or
// the offset lies outside the answer.
std::string DescriptorProductId(const std::uint8_t* answer, std::uint32_t size);

}  // namespace platform
