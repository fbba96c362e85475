// Device changes as the OS reports them: disks and media that come and go,
// volumes mounted and unmounted, drive letters that get or lose a drive. The
// OS backend watches its sources and hands out what happened as DeviceEvent
// records; the caller waits on the descriptors in its own event loop (a Qt
// program wraps each in a QSocketNotifier) and calls Read() when one is
// ready. Everything is read on the caller's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class DeviceEventKind {
  kDiskArrival,       // a whole disk appeared (a reader, a stick, a loop device)
  kDiskRemoval,       // a whole disk went away
  kMediaArrival,      // a disk has a medium now (a card into a reader)
  kMediaRemoval,      // the medium left the disk
  kDiskLayoutChange,  // the disk changed without a medium change (partitions rewritten)
  kPartitionArrival,  // a partition of a disk appeared
  kPartitionRemoval,  // a partition went away
  kPartitionChange,   // a partition changed in place (its file system probed again)
  kVolumeMount,       // a volume was mounted
  kVolumeDismount,    // a volume was unmounted
  kVolumeMove,        // a mounted volume got another mount point
  kLetterArrival,     // drive letters got a drive (unitMask)
  kLetterRemoval,     // drive letters lost their drive (unitMask)
};

struct DeviceEvent {
  DeviceEventKind kind = DeviceEventKind::kDiskArrival;
  // The device the event is about: "/dev/sdb", "/dev/sdb1", or the image
  // file of a mount; empty for letter events.
  std::string devicePath;
  // The whole disk that holds it ("/dev/sdb" for "/dev/sdb1"); the device
  // itself for a disk or an image file.
  std::string diskPath;
  // Mount events: the mount point (the new one for kVolumeMove).
  std::string mountPoint;
  // Letter events: bit n stands for drive letter 'A' + n.
  std::uint32_t unitMask = 0;

  bool operator==(const DeviceEvent&) const = default;
};

// A descriptor to wait on. `priority`: wait for an exceptional condition
// (POLLPRI; QSocketNotifier::Exception), else for input (POLLIN;
// QSocketNotifier::Read).
struct EventDescriptor {
  int fd = -1;
  bool priority = false;
};

// Where disk and media events come from.
enum class DiskEventFeed {
  kUdev,    // udevd's processed events
  kKernel,  // the kernel's own events: no udevd runs here
  kNone,    // none can be had: only mounts and drive letters report
};

struct DeviceEventOptions {
  // Brings the machine's own drives up to date (RefreshDrives) whenever a
  // disk or a mount changed, so that the letters that come and go are
  // reported as letter events. Tests that must not bind the host's volumes to
  // letters turn it off.
  bool refreshNativeDrives = true;
};

class IDeviceEvents {
 public:
  virtual ~IDeviceEvents() = default;
  virtual std::vector<EventDescriptor> Descriptors() const = 0;
  // Appends, in the order they happened, the events that are pending; never
  // waits. Safe to call when no descriptor is ready.
  virtual void Read(std::vector<DeviceEvent>* events) = 0;
  // Waits until a descriptor is ready or the time is over (for callers
  // without an event loop of their own); false on time-out.
  virtual bool Wait(int timeoutMs) = 0;
  virtual DiskEventFeed Feed() const = 0;
};

// Starts watching. Null only when not even the drive letters can be watched
// (the code is then in *error).
std::unique_ptr<IDeviceEvents> OpenDeviceEvents(const DeviceEventOptions& options,
                                                std::uint32_t* error);

}  // namespace platform
