#include "driveaccess/drive_info.h"

#include <cctype>
#include <cstddef>
#include <memory>

#include "driveaccess/drive_kind.h"
#include "driveaccess/product_name.h"
#include "platform/drive.h"
#include "platform/raw_device.h"

namespace {
// QueryDosDeviceA fills a 260-byte buffer; the name ends at its first zero.
constexpr std::size_t kDeviceNameBuffer = 260;

std::string CutAtZero(std::string text, std::size_t capacity) {
  if (text.size() >= capacity) text.resize(capacity - 1);
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
  if (part.size() > text.size()) return false;
  for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < part.size() && std::tolower(static_cast<unsigned char>(text[at + i])) ==
                                  std::tolower(static_cast<unsigned char>(part[i]))) {
      ++i;
    }
    if (i == part.size()) return true;
  }
  return false;
}

// The drive kind for a drive type; 0 for a letter that is no drive.
unsigned KindOf(platform::DriveType type, const std::string& deviceName) {
  switch (type) {
    case platform::DriveType::kRemovable:
      return ContainsNoCase(deviceName, "\\floppy") ? DRIVE_KIND_FLOPPY : DRIVE_KIND_REMOVABLE;
    case platform::DriveType::kFixed:
      return DRIVE_KIND_HARDDISK;
    case platform::DriveType::kCdrom:
      return DRIVE_KIND_CDROM;
    case platform::DriveType::kRemote:
      return DRIVE_KIND_NETWORK;
    case platform::DriveType::kRamdisk:
      return DRIVE_KIND_RAMDISK;
    default:
      return 0;
  }
}

// Hot-plug, bus and product name, asked without touching the medium.
unsigned ProbeMarks(char letter) {
  platform::StorageProperties properties;
  const std::string devicePath = std::string("\\\\.\\") + letter + ":";
  if (platform::GetStorageProperties(devicePath, &properties) != platform::kErrorSuccess) return 0;
  unsigned marks = 0;
  if (properties.hotplug) marks |= DRIVE_MARK_HOTPLUG;
  // The descriptor holds the name as a zero-terminated string.
  const std::string product = properties.productId.substr(0, properties.productId.find('\0'));
  if (IsCompactFlashProductName(product)) marks |= DRIVE_MARK_CARD_READER;
  if (properties.busType == platform::kBusTypeUsb) marks |= DRIVE_MARK_USB;
  return marks;
}
}  // namespace

std::string CDriveInfo::GetDisplayText() const {
  return volumeLabel.empty() ? GetDriveKindText(kind) : volumeLabel;
}

bool QueryDrive(char driveLetter, CDriveInfo& out, unsigned kindMask) {
  out = CDriveInfo{};
  out.driveName = std::string(1, driveLetter) + ":";
  out.deviceName = CutAtZero(platform::QueryDosDevice(driveLetter), kDeviceNameBuffer);
  out.kind = KindOf(platform::GetDriveType(driveLetter), out.deviceName);
  if (out.kind == 0 || (out.kind & kindMask) == 0) return false;

  out.marks = ProbeMarks(driveLetter);
  const std::shared_ptr<platform::IDrive> drive = platform::FindDrive(driveLetter);
  std::string label;
  std::string fileSystem;
  if (drive && drive->VolumeInformation(&label, &fileSystem)) {
    out.volumeLabel = CutAtZero(label, kDeviceNameBuffer);
    out.fileSystemName = CutAtZero(fileSystem, kDeviceNameBuffer);
  }
  return true;
}
