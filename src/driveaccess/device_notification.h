// Device change notification: the machine's device changes (disks and media
// that come and go, volumes mounted, drive letters that get or lose a drive)
// turned into calls of small hooks, for the main window to search its drives
// again. The events come from the platform's device events, on the thread
// that calls ProcessDeviceEvents(): the window's own thread.
//
// How a window uses it (Qt):
//   RegisterNotifications();
//   for (const platform::EventDescriptor& d : NotificationDescriptors()) {
//     auto* n = new QSocketNotifier(d.fd, d.priority ? QSocketNotifier::Exception
//                                                    : QSocketNotifier::Read, this);
//     connect(n, &QSocketNotifier::activated, this, &Window::PumpDeviceEvents);
//   }
//   settleTimer_.setSingleShot(true);
//   connect(&settleTimer_, &QTimer::timeout, this, &Window::PumpDeviceEvents);
//   void Window::PumpDeviceEvents() {
//     if (const auto wait = ProcessDeviceEvents()) settleTimer_.start(*wait);
//   }
// and the hooks that matter call NoteDeviceChange(); OnDeviceChangesSettled()
// then runs once per burst of events.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driveaccess/change_settle.h"
#include "platform/device_events.h"

// One watched drive: its letter and the storage device whose events belong
// to it. No device is held open: raw handles live only for one command, so
// there is nothing to let go of when the device is to be removed.
struct DeviceRegistration {
  // Upper case; 0 for the registration of device interface events.
  char driveLetter = 0;
  // "/dev/sdb" for a volume of sdb, an image drive's image file; empty for
  // the interface registration.
  std::string devicePath;
};

class CDeviceNotificationBase {
 public:
  CDeviceNotificationBase() = default;
  virtual ~CDeviceNotificationBase();
  CDeviceNotificationBase(const CDeviceNotificationBase&) = delete;
  CDeviceNotificationBase& operator=(const CDeviceNotificationBase&) = delete;

  // Starts watching the machine's device changes. Only the first call does
  // it; later calls answer true. False when nothing can be watched (the call
  // still counts as the first).
  bool RegisterNotifications();
  // The same with a source of one's own (tests, other options).
  bool RegisterNotifications(std::unique_ptr<platform::IDeviceEvents> source);

  // Watches the storage device of a drive, so that its media events reach the
  // hooks with this drive's registration. True when the letter is watched
  // already or now; false when the letter has no storage device. A watched
  // letter whose device has changed (another reader took the letter) follows
  // the new device.
  bool RegisterDriveHandle(char driveLetter);

  // The storage device of a drive letter as device events name it. False
  // when the letter is not A to Z (any case), has no drive, is not a
  // removable, fixed or CD-ROM drive, or names no storage device.
  static bool OpenDriveDeviceInterface(char driveLetter, std::string* devicePath);

  // For the event loop: wait on these descriptors; call ProcessDeviceEvents()
  // when one is ready, and again when the time it answered has passed.
  std::vector<platform::EventDescriptor> NotificationDescriptors() const;
  // Dispatches the pending events to the hooks, then calls
  // OnDeviceChangesSettled() when a burst noted by the hooks is due. Answers
  // the time until the pending burst is due, or nothing when none is pending.
  std::optional<std::chrono::milliseconds> ProcessDeviceEvents();
  std::optional<std::chrono::milliseconds> ProcessDeviceEvents(
      CChangeSettle::Clock::time_point now);

  bool registered() const { return registered_; }
  // In the order they were made.
  const std::deque<DeviceRegistration>& registrations() const { return registrations_; }
  // Where disk and media events come from; kNone while nothing is watched.
  platform::DiskEventFeed EventFeed() const;

 protected:
  // The hooks; they do nothing here. A media, mount, name or layout event
  // reaches its hook once for each registration of its disk, or once with
  // null when no registration watches that disk.
  //
  // Windows also asks whether a watched device may be removed, and a watcher
  // must then close its handle on the device. Linux has no such request, and
  // none is needed: no device is held open between commands.
  virtual void OnMediaArrival(const DeviceRegistration* registration);
  virtual void OnMediaRemoval(const DeviceRegistration* registration);
  virtual void OnVolumeMount(const DeviceRegistration* registration);
  // A mounted volume moved to another mount point.
  virtual void OnVolumeNameChange(const DeviceRegistration* registration);
  // The disk changed without a medium change (its partition table written).
  virtual void OnDiskLayoutChange(const DeviceRegistration* registration);
  // Bit n of the mask stands for drive letter 'A' + n.
  virtual void OnVolumeArrival(std::uint32_t unitMask);
  virtual void OnVolumeRemoveComplete(std::uint32_t unitMask);
  // A disk or a partition appeared or went.
  virtual void OnInterfaceArrival(const platform::DeviceEvent& event);
  virtual void OnInterfaceRemoveComplete(const platform::DeviceEvent& event);

  // The dispatcher: hands one event to its hook. Always false: nothing
  // further is done with an event in any case.
  virtual bool OnDeviceChange(const platform::DeviceEvent& event);

  // Coalescing. A hook whose change the window acts on calls
  // NoteDeviceChange(); OnDeviceChangesSettled() follows once, when no
  // further note came for CChangeSettle::kSettleTime (or the burst lasted
  // CChangeSettle::kLongestWait).
  void NoteDeviceChange();
  virtual void OnDeviceChangesSettled();

 private:
  bool OnDeviceChangeCustomEvent(const platform::DeviceEvent& event);
  bool OnDeviceChangeDeviceArrival(const platform::DeviceEvent& event);
  bool OnDeviceChangeDeviceRemoveComplete(const platform::DeviceEvent& event);

  bool registered_ = false;
  std::unique_ptr<platform::IDeviceEvents> source_;
  // A deque: hooks get pointers into it, and a hook may register a drive.
  std::deque<DeviceRegistration> registrations_;
  CChangeSettle settle_;
  // The time of the ProcessDeviceEvents call under way, for NoteDeviceChange.
  std::optional<CChangeSettle::Clock::time_point> now_;
};
