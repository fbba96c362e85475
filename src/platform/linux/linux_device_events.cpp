// The Linux device events: a udev monitor for disks, media and partitions,
// the mount table for volumes mounted and unmounted, the drive table for
// letters that get or lose a drive, and the files of attached images.
#include <poll.h>

#include "platform/device_events.h"
#include "platform/drive_refresh.h"
#include "platform/errors.h"
#include "platform/linux/drive_table_watch.h"
#include "platform/linux/image_file_watch.h"
#include "platform/linux/mount_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/udev_monitor.h"

namespace platform {
namespace {
// Records read in one go at most, so that a flood cannot hold the caller;
// the rest waits for the next call.
constexpr int kMaxRecordsPerRead = 256;

class LinuxDeviceEvents : public IDeviceEvents {
 public:
  LinuxDeviceEvents(const DeviceEventOptions& options, std::unique_ptr<DriveTableWatch> table)
      : options_(options), table_(std::move(table)) {
    const NativePaths paths;
    udev_ = UdevMonitor::Open();
    mounts_ = MountWatch::Open(paths);
    images_ = ImageFileWatch::Open();
    // The sizes before the first event, so that the first change of a disk
    // tells whether its medium came or went.
    for (const BlockDeviceSnapshot& device : ReadBlockDevices(paths)) {
      if (!device.isPartition)
        classifier_.Remember(paths.dev + "/" + device.name, device.sizeSectors);
    }
  }

  std::vector<EventDescriptor> Descriptors() const override {
    std::vector<EventDescriptor> descriptors;
    if (udev_) descriptors.push_back({udev_->fd(), false});
    if (mounts_) descriptors.push_back({mounts_->fd(), true});
    if (images_) descriptors.push_back({images_->fd(), false});
    descriptors.push_back({table_->fd(), false});
    return descriptors;
  }

  void Read(std::vector<DeviceEvent>* events) override {
    std::vector<DeviceEvent> found;
    ReadUdev(&found);
    // Read every time: whoever waited on the descriptor took its signal.
    if (mounts_) mounts_->Read(&found);
    // The machine's drives follow the disks and mounts at once, so that the
    // letters they gain or lose come with this reading.
    if (!found.empty() && options_.refreshNativeDrives) RefreshDrives();
    // An image deleted while attached is detached here; the table then
    // reports its letter as removed.
    if (images_) images_->Read();
    table_->Read(&found);
    events->insert(events->end(), found.begin(), found.end());
  }

  bool Wait(int timeoutMs) override {
    std::vector<pollfd> polls;
    for (const EventDescriptor& d : Descriptors()) {
      polls.push_back(pollfd{d.fd, static_cast<short>(d.priority ? POLLPRI : POLLIN), 0});
    }
    return poll(polls.data(), polls.size(), timeoutMs) > 0;
  }

  DiskEventFeed Feed() const override { return udev_ ? udev_->feed() : DiskEventFeed::kNone; }

 private:
  void ReadUdev(std::vector<DeviceEvent>* found) {
    if (!udev_) return;
    UdevRecord record;
    for (int i = 0; i < kMaxRecordsPerRead && udev_->Receive(&record); ++i) {
      const std::optional<DeviceEventKind> kind = classifier_.Classify(record);
      if (!kind) continue;
      DeviceEvent event;
      event.kind = *kind;
      event.devicePath = record.devNode;
      event.diskPath = record.diskNode;
      found->push_back(std::move(event));
    }
  }

  DeviceEventOptions options_;
  std::unique_ptr<DriveTableWatch> table_;
  std::unique_ptr<UdevMonitor> udev_;
  std::unique_ptr<MountWatch> mounts_;
  std::unique_ptr<ImageFileWatch> images_;
  UdevRecordClassifier classifier_;
};
}  // namespace

std::unique_ptr<IDeviceEvents> OpenDeviceEvents(const DeviceEventOptions& options,
                                                std::uint32_t* error) {
  std::unique_ptr<DriveTableWatch> table = DriveTableWatch::Open();
  if (!table) {
    *error = kErrorTooManyOpenFiles;
    return nullptr;
  }
  *error = kErrorSuccess;
  return std::make_unique<LinuxDeviceEvents>(options, std::move(table));
}

}  // namespace platform
