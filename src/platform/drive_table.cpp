#include <cctype>

#include "platform/drive.h"
#include "platform/errors.h"

namespace platform {
namespace {
int IndexOf(char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  return (upper >= 'A' && upper <= 'Z') ? upper - 'A' : -1;
}
}  // namespace

DriveTable& DriveTable::Instance() {
  static DriveTable table;
  return table;
}

bool DriveTable::Attach(char letter, std::shared_ptr<IDrive> drive) {
  const int index = IndexOf(letter);
  if (index < 0 || drive == nullptr) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (drives_[index] != nullptr) return false;
  drives_[index] = std::move(drive);
  return true;
}

char DriveTable::AttachFirstFree(std::shared_ptr<IDrive> drive, char from) {
  const int first = IndexOf(from);
  if (first < 0 || drive == nullptr) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = first; i < 26; ++i) {
    if (drives_[i] == nullptr) {
      drives_[i] = std::move(drive);
      return static_cast<char>('A' + i);
    }
  }
  return 0;
}

bool DriveTable::Detach(char letter) {
  const int index = IndexOf(letter);
  if (index < 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const bool had = drives_[index] != nullptr;
  drives_[index].reset();
  return had;
}

std::shared_ptr<IDrive> DriveTable::Find(char letter) const {
  const int index = IndexOf(letter);
  if (index < 0) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  return drives_[index];
}

std::uint32_t DriveTable::LogicalDriveMask() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uint32_t mask = 0;
  for (int i = 0; i < 26; ++i) {
    if (drives_[i] != nullptr) mask |= 1u << i;
  }
  return mask;
}

std::shared_ptr<IDrive> FindDrive(char letter) {
  return DriveTable::Instance().Find(letter);
}

std::uint32_t GetLogicalDrives() {
  return DriveTable::Instance().LogicalDriveMask();
}

DriveType GetDriveType(char letter) {
  const std::shared_ptr<IDrive> drive = FindDrive(letter);
  return drive ? drive->Type() : DriveType::kNoRootDir;
}

std::string QueryDosDevice(char letter) {
  const std::shared_ptr<IDrive> drive = FindDrive(letter);
  if (!drive) {
    SetLastError(kErrorFileNotFound);
    return {};
  }
  return drive->DeviceName();
}

ScopedDrive::ScopedDrive(char letter, std::shared_ptr<IDrive> drive)
    : letter_(letter), attached_(DriveTable::Instance().Attach(letter, std::move(drive))) {}

ScopedDrive::~ScopedDrive() {
  if (attached_) DriveTable::Instance().Detach(letter_);
}

}  // namespace platform
