#include "platform/linux/udev_monitor.h"

#include <libudev.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform {
namespace {
std::string Text(const char* value) {
  return value != nullptr ? std::string(value) : std::string();
}

// The disk of a partition whose disk has gone too: the folder above the
// partition's (".../block/sdb/sdb1"); a '!' in a name stands for a '/'.
std::string DiskNodeFromSysPath(const std::string& sysPath) {
  const std::size_t last = sysPath.find_last_of('/');
  if (last == std::string::npos || last == 0) return {};
  const std::size_t before = sysPath.find_last_of('/', last - 1);
  std::string name = sysPath.substr(before + 1, last - before - 1);
  for (char& c : name) {
    if (c == '!') c = '/';
  }
  return name.empty() ? std::string() : "/dev/" + name;
}

UdevRecord RecordOf(struct udev_device* device) {
  UdevRecord record;
  record.action = Text(udev_device_get_action(device));
  record.devType = Text(udev_device_get_devtype(device));
  record.devNode = Text(udev_device_get_devnode(device));
  record.diskNode = record.devNode;
  if (record.devType == "partition") {
    // The parent belongs to the device and goes with it.
    struct udev_device* disk =
        udev_device_get_parent_with_subsystem_devtype(device, "block", "disk");
    record.diskNode = disk != nullptr ? Text(udev_device_get_devnode(disk))
                                      : DiskNodeFromSysPath(Text(udev_device_get_syspath(device)));
  }
  for (struct udev_list_entry* entry = udev_device_get_properties_list_entry(device);
       entry != nullptr; entry = udev_list_entry_get_next(entry)) {
    record.properties[Text(udev_list_entry_get_name(entry))] =
        Text(udev_list_entry_get_value(entry));
  }
  // Read now: the size after the change (a removed device has none).
  if (record.action != "remove") {
    record.sizeSectors =
        std::strtoull(Text(udev_device_get_sysattr_value(device, "size")).c_str(), nullptr, 10);
  }
  return record;
}
}  // namespace

bool UdevdRunning(const std::string& controlSocket) {
  sockaddr_un address{};
  if (controlSocket.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, controlSocket.c_str(), controlSocket.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A socket file left behind by a udevd that has ended refuses the call.
  const bool answered =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return answered;
}

std::unique_ptr<UdevMonitor> UdevMonitor::Open() {
  struct udev* context = udev_new();
  if (context == nullptr) return nullptr;
  // udevd's events come after its rules ran (the database is current); the
  // kernel's stand in where no udevd runs.
  const DiskEventFeed feed = UdevdRunning() ? DiskEventFeed::kUdev : DiskEventFeed::kKernel;
  struct udev_monitor* monitor =
      udev_monitor_new_from_netlink(context, feed == DiskEventFeed::kUdev ? "udev" : "kernel");
  if (monitor == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor != nullptr) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::unique_ptr<UdevMonitor>(new UdevMonitor(context, monitor, feed));
}

UdevMonitor::UdevMonitor(struct udev* context, struct udev_monitor* monitor, DiskEventFeed feed)
    : context_(context), monitor_(monitor), feed_(feed) {}

UdevMonitor::~UdevMonitor() {
  udev_monitor_unref(monitor_);
  udev_unref(context_);
}

int UdevMonitor::fd() const {
  return udev_monitor_get_fd(monitor_);
}

bool UdevMonitor::Receive(UdevRecord* record) {
  // The monitor's socket does not block: no record, no wait.
  struct udev_device* device = udev_monitor_receive_device(monitor_);
  if (device == nullptr) return false;
  *record = RecordOf(device);
  udev_device_unref(device);
  return true;
}

}  // namespace platform
