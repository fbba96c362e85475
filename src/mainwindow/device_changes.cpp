#include "mainwindow/device_changes.h"

#include <QSocketNotifier>

CDeviceChanges::CDeviceChanges(SettledFunction settled, QObject* parent)
    : QObject(parent), settled_(std::move(settled)) {
  wait_.setSingleShot(true);
  connect(&wait_, &QTimer::timeout, this, &CDeviceChanges::Pump);
}

CDeviceChanges::~CDeviceChanges() = default;

bool CDeviceChanges::Start() {
  const bool first = !registered();
  const bool heard = RegisterNotifications();
  if (first) Watch();
  return heard;
}

bool CDeviceChanges::Start(std::unique_ptr<platform::IDeviceEvents> source) {
  const bool first = !registered();
  const bool heard = RegisterNotifications(std::move(source));
  if (first) Watch();
  return heard;
}

void CDeviceChanges::Watch() {
  for (const platform::EventDescriptor& d : NotificationDescriptors()) {
    // The mount table reports a change as an exceptional condition.
    auto* notifier = new QSocketNotifier(
        d.fd, d.priority ? QSocketNotifier::Exception : QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &CDeviceChanges::Pump);
  }
}

void CDeviceChanges::NoteChange() {
  NoteDeviceChange();
  Pump();
}

void CDeviceChanges::Pump() {
  if (const std::optional<std::chrono::milliseconds> wait = ProcessDeviceEvents()) {
    wait_.start(static_cast<int>(wait->count()));
  } else {
    wait_.stop();
  }
}

void CDeviceChanges::OnMediaArrival(const DeviceRegistration*) {
  NoteDeviceChange();
}

void CDeviceChanges::OnMediaRemoval(const DeviceRegistration*) {
  NoteDeviceChange();
}

void CDeviceChanges::OnVolumeArrival(std::uint32_t) {
  NoteDeviceChange();
}

void CDeviceChanges::OnVolumeRemoveComplete(std::uint32_t) {
  NoteDeviceChange();
}

void CDeviceChanges::OnDeviceChangesSettled() {
  // Not now: a new burst of one change, so that it is asked again later.
  if (settled_ && !settled_()) NoteDeviceChange();
}
