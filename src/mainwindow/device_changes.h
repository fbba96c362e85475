// The main window's ear for device changes: the machine's device events
// waited on in the window's event loop, the hooks that matter noted, and one
// call back per burst of changes (a card put into a reader gives several
// events within a moment; the drives are searched once for all of them).
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

#include "driveaccess/device_notification.h"

class CDeviceChanges : public QObject, public CDeviceNotificationBase {
  Q_OBJECT

 public:
  // Runs once a burst of changes is over; answers false when it cannot act
  // now (a command runs), and is then asked again a settle time later.
  using SettledFunction = std::function<bool()>;

  explicit CDeviceChanges(SettledFunction settled, QObject* parent = nullptr);
  ~CDeviceChanges() override;

  // Starts hearing the machine's device events, or those of a source of
  // one's own (tests). Only the first call counts; false when nothing can be
  // heard (changes the window makes itself still count, see NoteChange).
  bool Start();
  bool Start(std::unique_ptr<platform::IDeviceEvents> source);

  // A change the window made itself (a card image attached or detached):
  // it joins the burst under way, so that the drive table's own report of
  // the same change adds no second search.
  void NoteChange();
  // True while a burst waits for its call back.
  bool Pending() const { return wait_.isActive(); }

 protected:
  // The four changes that can bring or take a card drive.
  void OnMediaArrival(const DeviceRegistration* registration) override;
  void OnMediaRemoval(const DeviceRegistration* registration) override;
  void OnVolumeArrival(std::uint32_t unitMask) override;
  void OnVolumeRemoveComplete(std::uint32_t unitMask) override;
  // Windows asks before a watched device is removed, and the watcher must
  // let go of it. Linux has no such request: raw device handles are held only
  // while a command runs, so nothing of ours keeps a card in its reader.
  void OnDeviceChangesSettled() override;

 private:
  // One notifier for each descriptor, a child of this object.
  void Watch();
  // Hands the pending events to the hooks and arms the wait for the burst.
  void Pump();

  SettledFunction settled_;
  QTimer wait_;
};
