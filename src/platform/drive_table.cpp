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
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (drives_[index] != nullptr) return false;
    drives_[index] = std::move(drive);
  }
  Notify(static_cast<char>('A' + index), true);
  return true;
}

char DriveTable::AttachFirstFree(std::shared_ptr<IDrive> drive, char from) {
  const int first = IndexOf(from);
  if (first < 0 || drive == nullptr) return 0;
  char attached = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int i = first; i < 26 && attached == 0; ++i) {
      if (drives_[i] == nullptr) {
        drives_[i] = std::move(drive);
        attached = static_cast<char>('A' + i);
      }
    }
  }
  if (attached != 0) Notify(attached, true);
  return attached;
}

bool DriveTable::Detach(char letter) {
  const int index = IndexOf(letter);
  if (index < 0) return false;
  std::shared_ptr<IDrive> gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    gone = std::move(drives_[index]);
    drives_[index].reset();
  }
  if (gone == nullptr) return false;
  // The drive is released before the listeners hear of it.
  gone.reset();
  Notify(static_cast<char>('A' + index), false);
  return true;
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

int DriveTable::AddListener(ChangeListener listener) {
  std::lock_guard<std::mutex> lock(listenerMutex_);
  const int id = nextListenerId_++;
  listeners_.emplace_back(id, std::move(listener));
  return id;
}

void DriveTable::RemoveListener(int id) {
  std::lock_guard<std::mutex> lock(listenerMutex_);
  std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void DriveTable::Notify(char letter, bool attached) {
  // A copy, so that a listener may add or remove listeners.
  std::vector<std::pair<int, ChangeListener>> listeners;
  {
    std::lock_guard<std::mutex> lock(listenerMutex_);
    listeners = listeners_;
  }
  for (const auto& entry : listeners) entry.second(letter, attached);
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

bool IsWriteProtected(char letter) {
  const std::shared_ptr<IDrive> drive = FindDrive(letter);
  return drive != nullptr && drive->WriteProtected();
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
