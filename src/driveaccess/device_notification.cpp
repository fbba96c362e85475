#include "driveaccess/device_notification.h"

#include <cctype>

#include "platform/drive.h"

namespace {
using platform::DeviceEvent;
using platform::DeviceEventKind;
}  // namespace

CDeviceNotificationBase::~CDeviceNotificationBase() = default;

bool CDeviceNotificationBase::RegisterNotifications() {
  if (registered_) return true;
  std::uint32_t error = 0;
  return RegisterNotifications(platform::OpenDeviceEvents({}, &error));
}

bool CDeviceNotificationBase::RegisterNotifications(
    std::unique_ptr<platform::IDeviceEvents> source) {
  if (registered_) return true;
  registered_ = true;
  if (!source) return false;
  source_ = std::move(source);
  registrations_.push_back(DeviceRegistration{});
  return true;
}

bool CDeviceNotificationBase::OpenDriveDeviceInterface(char driveLetter, std::string* devicePath) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)));
  if (letter < 'A' || letter > 'Z') return false;
  const std::shared_ptr<platform::IDrive> drive = platform::FindDrive(letter);
  if (!drive) return false;
  switch (drive->Type()) {
    case platform::DriveType::kRemovable:
    case platform::DriveType::kFixed:
    case platform::DriveType::kCdrom:
      break;
    default:
      return false;
  }
  std::string path = drive->StorageDevicePath();
  if (path.empty()) return false;
  *devicePath = std::move(path);
  return true;
}

bool CDeviceNotificationBase::RegisterDriveHandle(char driveLetter) {
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter)));
  std::string path;
  const bool found = OpenDriveDeviceInterface(letter, &path);
  for (DeviceRegistration& registration : registrations_) {
    if (registration.driveLetter != letter || letter == 0) continue;
    // Another device took the letter: its events belong to the letter now,
    // those of the old device no longer.
    if (found) registration.devicePath = path;
    return true;
  }
  if (!found) return false;
  registrations_.push_back(DeviceRegistration{letter, path});
  return true;
}

std::vector<platform::EventDescriptor> CDeviceNotificationBase::NotificationDescriptors() const {
  return source_ ? source_->Descriptors() : std::vector<platform::EventDescriptor>{};
}

platform::DiskEventFeed CDeviceNotificationBase::EventFeed() const {
  return source_ ? source_->Feed() : platform::DiskEventFeed::kNone;
}

std::optional<std::chrono::milliseconds> CDeviceNotificationBase::ProcessDeviceEvents() {
  return ProcessDeviceEvents(CChangeSettle::Clock::now());
}

std::optional<std::chrono::milliseconds> CDeviceNotificationBase::ProcessDeviceEvents(
    CChangeSettle::Clock::time_point now) {
  now_ = now;
  if (source_) {
    std::vector<DeviceEvent> events;
    source_->Read(&events);
    for (const DeviceEvent& event : events) OnDeviceChange(event);
  }
  now_.reset();
  if (settle_.TakeDue(now)) OnDeviceChangesSettled();
  return settle_.Remaining(now);
}

void CDeviceNotificationBase::NoteDeviceChange() {
  settle_.Note(now_ ? *now_ : CChangeSettle::Clock::now());
}

bool CDeviceNotificationBase::OnDeviceChange(const DeviceEvent& event) {
  switch (event.kind) {
    case DeviceEventKind::kLetterArrival:
    case DeviceEventKind::kDiskArrival:
    case DeviceEventKind::kPartitionArrival:
      return OnDeviceChangeDeviceArrival(event);
    case DeviceEventKind::kLetterRemoval:
    case DeviceEventKind::kDiskRemoval:
    case DeviceEventKind::kPartitionRemoval:
      return OnDeviceChangeDeviceRemoveComplete(event);
    case DeviceEventKind::kMediaArrival:
    case DeviceEventKind::kMediaRemoval:
    case DeviceEventKind::kVolumeMount:
    case DeviceEventKind::kVolumeMove:
    case DeviceEventKind::kDiskLayoutChange:
      return OnDeviceChangeCustomEvent(event);
    case DeviceEventKind::kPartitionChange:
    case DeviceEventKind::kVolumeDismount:
      // No hook: the letters that an unmount frees come as letter events.
      break;
  }
  return false;
}

bool CDeviceNotificationBase::OnDeviceChangeDeviceArrival(const DeviceEvent& event) {
  if (event.kind == DeviceEventKind::kLetterArrival) {
    OnVolumeArrival(event.unitMask);
  } else {
    OnInterfaceArrival(event);
  }
  return false;
}

bool CDeviceNotificationBase::OnDeviceChangeDeviceRemoveComplete(const DeviceEvent& event) {
  if (event.kind == DeviceEventKind::kLetterRemoval) {
    OnVolumeRemoveComplete(event.unitMask);
  } else {
    OnInterfaceRemoveComplete(event);
  }
  return false;
}

bool CDeviceNotificationBase::OnDeviceChangeCustomEvent(const DeviceEvent& event) {
  // The registrations of the event's disk, by position: a hook may register
  // further drives.
  std::vector<std::size_t> watching;
  for (std::size_t i = 0; i < registrations_.size(); ++i) {
    const DeviceRegistration& r = registrations_[i];
    if (r.driveLetter != 0 && !event.diskPath.empty() && r.devicePath == event.diskPath) {
      watching.push_back(i);
    }
  }
  auto hook = [&](const DeviceRegistration* registration) {
    switch (event.kind) {
      case DeviceEventKind::kMediaArrival:
        OnMediaArrival(registration);
        break;
      case DeviceEventKind::kMediaRemoval:
        OnMediaRemoval(registration);
        break;
      case DeviceEventKind::kVolumeMount:
        OnVolumeMount(registration);
        break;
      case DeviceEventKind::kVolumeMove:
        OnVolumeNameChange(registration);
        break;
      default:
        OnDiskLayoutChange(registration);
        break;
    }
  };
  if (watching.empty()) hook(nullptr);
  for (const std::size_t i : watching) hook(&registrations_[i]);
  return false;
}

void CDeviceNotificationBase::OnMediaArrival(const DeviceRegistration*) {}
void CDeviceNotificationBase::OnMediaRemoval(const DeviceRegistration*) {}
void CDeviceNotificationBase::OnVolumeMount(const DeviceRegistration*) {}
void CDeviceNotificationBase::OnVolumeNameChange(const DeviceRegistration*) {}
void CDeviceNotificationBase::OnDiskLayoutChange(const DeviceRegistration*) {}
void CDeviceNotificationBase::OnVolumeArrival(std::uint32_t) {}
void CDeviceNotificationBase::OnVolumeRemoveComplete(std::uint32_t) {}
void CDeviceNotificationBase::OnInterfaceArrival(const DeviceEvent&) {}
void CDeviceNotificationBase::OnInterfaceRemoveComplete(const DeviceEvent&) {}
void CDeviceNotificationBase::OnDeviceChangesSettled() {}
