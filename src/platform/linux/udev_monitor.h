// A libudev monitor on block devices (disks and partitions). It listens to
// udevd's processed events where udevd runs, else to the kernel's own ones;
// in a container of its own network the kernel's may not arrive, and then
// only the mount table and the drive letters report.
#pragma once

#include <memory>
#include <string>

#include "platform/device_events.h"
#include "platform/linux/udev_event_kind.h"

struct udev;
struct udev_monitor;

namespace platform {

// True when a udevd answers on its control socket.
bool UdevdRunning(const std::string& controlSocket = "/run/udev/control");

class UdevMonitor {
 public:
  // Null when libudev cannot make a monitor.
  static std::unique_ptr<UdevMonitor> Open();
  ~UdevMonitor();
  UdevMonitor(const UdevMonitor&) = delete;
  UdevMonitor& operator=(const UdevMonitor&) = delete;

  int fd() const;
  DiskEventFeed feed() const { return feed_; }
  // The next pending record; false when none is pending.
  bool Receive(UdevRecord* record);

 private:
  UdevMonitor(struct udev* context, struct udev_monitor* monitor, DiskEventFeed feed);

  struct udev* context_;
  struct udev_monitor* monitor_;
  DiskEventFeed feed_;
};

}  // namespace platform
