#include "virtualdrive/virtual_disk_manager.h"

#include "base/unicode.h"
#include "platform/drive_letter_query.h"
#include "platform/errors.h"

#include <algorithm>
#include <array>

namespace {

constexpr WinBool kFalse = 0;

// A zeroed UTF-16 buffer with room for kMountPointChars characters and the
// mount point text at its start.
std::array<char16_t, kMountPointChars + 1> MountPointBuffer(char driveLetter) {
  std::array<char16_t, kMountPointChars + 1> buffer{};
  const std::u16string text = MountPointText(driveLetter);
  std::copy(text.begin(), text.end(), buffer.begin());
  return buffer;
}

}  // namespace

CVirtualDiskManager::CVirtualDiskManager()
    : CVirtualDiskManager(DefaultVirtualDiskLibraryNames()) {}

CVirtualDiskManager::CVirtualDiskManager(std::vector<std::string> libraryNames)
    : libraryNames_(std::move(libraryNames)) {}

// The library stays loaded: the driver may still write into windows it was
// given, and the process ends soon after anyway.
CVirtualDiskManager::~CVirtualDiskManager() = default;

template <typename Proc>
bool CVirtualDiskManager::Usable(Proc VirtualDiskDriverBinding::*entryPoint) const {
  if (!binding_) {
    platform::SetLastError(kVirtualDiskErrorNoBinding);
    return false;
  }
  // The module first: entry points of a library never loaded are not touched.
  if (binding_->module == nullptr || (*binding_).*entryPoint == nullptr) {
    platform::SetLastError(kVirtualDiskErrorNoEntryPoint);
    return false;
  }
  return true;
}

bool CVirtualDiskManager::Initialize() {
  if (!binding_) {
    binding_ = std::make_unique<VirtualDiskDriverBinding>(BindVirtualDiskDriver(libraryNames_));
  }
  const VirtualDiskDriverBinding& b = *binding_;
  bool usable = b.module != nullptr && b.createDevice != nullptr && b.removeDevice != nullptr &&
                b.getVersion != nullptr && b.queryDevice != nullptr;
  if (usable) {
    std::uint32_t libraryWord = 0;
    std::uint32_t driverWord = 0;
    usable =
        b.getVersion(&libraryWord, &driverWord) != kFalse && libraryWord != 0 && driverWord != 0;
  }
  if (!usable) platform::SetLastError(kVirtualDiskErrorNoBinding);
  return usable;
}

WinBool CVirtualDiskManager::GetVersion(VirtualDiskVersion& library, VirtualDiskVersion& driver) {
  library = VirtualDiskVersion{};
  driver = VirtualDiskVersion{};
  if (!Usable(&VirtualDiskDriverBinding::getVersion)) {
    return kFalse;
  }
  std::uint32_t libraryWord = 0;
  std::uint32_t driverWord = 0;
  const WinBool result = binding_->getVersion(&libraryWord, &driverWord);
  if (result == kFalse) return kFalse;
  library = SplitLibraryVersion(libraryWord);
  driver = SplitDriverVersion(driverWord);
  return result;
}

char CVirtualDiskManager::GetFreeDriveLetter() {
  if (freeLetter_ != 0) return freeLetter_;  // searched once per run, not checked again
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!platform::IsDriveLetterInUse(letter)) {
      freeLetter_ = letter;
      return letter;
    }
  }
  return 0;
}

WinBool CVirtualDiskManager::MountImage(const char* imageFile, char driveLetter) {
  if (!Usable(&VirtualDiskDriverBinding::createDevice)) {
    return kFalse;
  }
  auto mountPoint = MountPointBuffer(driveLetter != 0 ? driveLetter : freeLetter_);
  const std::u16string path = Utf8ToUtf16(imageFile != nullptr ? imageFile : "");
  VirtualDiskGeometry geometry{};  // all zero: the driver takes it from the image
  std::int64_t offset = 0;
  return binding_->createDevice(statusWindow_, &geometry, &offset, kImDiskMountFlags, path.c_str(),
                                kFalse, mountPoint.data());
}

WinBool CVirtualDiskManager::UnmountImage(char driveLetter) {
  if (!Usable(&VirtualDiskDriverBinding::removeDevice)) {
    return kFalse;
  }
  const auto mountPoint = MountPointBuffer(driveLetter != 0 ? driveLetter : freeLetter_);
  // The mount point selects the device; the number passed with it does not.
  return binding_->removeDevice(statusWindow_, 0, mountPoint.data());
}

WinBool CVirtualDiskManager::QueryDevice(VirtualDiskInfo& info, unsigned deviceNumber) {
  if (!Usable(&VirtualDiskDriverBinding::queryDevice)) {
    return kFalse;
  }
  std::array<std::uint8_t, kDeviceAnswerSize> answer{};
  if (binding_->queryDevice(deviceNumber, answer.data(),
                            static_cast<std::uint32_t>(answer.size())) == kFalse) {
    return kFalse;
  }
  info = ParseDeviceAnswer(answer.data(), deviceNumber);
  return 1;
}

WinBool CVirtualDiskManager::FindDeviceByDriveLetter(VirtualDiskInfo& info, char driveLetter) {
  if (!binding_) {
    platform::SetLastError(kVirtualDiskErrorNoBinding);
    return kFalse;
  }
  const char wanted = driveLetter != 0 ? driveLetter : freeLetter_;
  // Without a letter there is nothing to find; a device without a letter must
  // not count as holding "no letter".
  if (wanted == 0) return kFalse;
  for (unsigned number = 0; number < kSearchedDevices; ++number) {
    VirtualDiskInfo candidate;
    if (QueryDevice(candidate, number) != kFalse && candidate.driveLetter == wanted) {
      info = candidate;
      return 1;
    }
  }
  return kFalse;
}

void CVirtualDiskManager::ClearStatusWindow() {
  statusWindow_ = nullptr;
}

void CVirtualDiskManager::SetStatusWindow(VirtualDiskStatusWindow window) {
  statusWindow_ = window;
}

CVirtualDiskManager& GetVirtualDiskManager() {
  static CVirtualDiskManager manager;
  return manager;
}
