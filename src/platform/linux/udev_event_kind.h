// What a block device's udev record means for the drives: a disk or a
// partition that came or went, a medium that arrived in a reader or left it.
// Pure functions of the record, so that tests feed canned records.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/device_events.h"

namespace platform {

// One record as the udev monitor hands it out (subsystem "block").
struct UdevRecord {
  std::string action;    // "add", "remove", "change", ...
  std::string devType;   // "disk" or "partition"
  std::string devNode;   // "/dev/sdb1"
  std::string diskNode;  // the whole disk: "/dev/sdb" (the device itself for a disk)
  // The record's properties (DISK_MEDIA_CHANGE, RESIZE, DISK_EJECT_REQUEST, ...).
  std::map<std::string, std::string> properties;
  // The device's size attribute when the record was read, in 512-byte units.
  std::uint64_t sizeSectors = 0;
};

// The kind of the record, or nothing when it means nothing for the drives
// (other actions and device types, an eject request). A disk's change is a
// medium change when its size went to or from 0, or changed, or when the
// record says DISK_MEDIA_CHANGE; otherwise the disk changed in place (a
// partition table written, udev looking again after a writer closed it).
// `previousSize` is the disk's size before the record, when known.
std::optional<DeviceEventKind> ClassifyUdevRecord(const UdevRecord& record,
                                                  std::optional<std::uint64_t> previousSize);

// ClassifyUdevRecord with the disk sizes remembered from record to record.
class UdevRecordClassifier {
 public:
  // The size a disk has when the watch starts.
  void Remember(const std::string& diskNode, std::uint64_t sizeSectors);
  std::optional<DeviceEventKind> Classify(const UdevRecord& record);

 private:
  std::map<std::string, std::uint64_t> sizes_;
};

}  // namespace platform
