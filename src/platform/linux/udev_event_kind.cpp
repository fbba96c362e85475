#include "platform/linux/udev_event_kind.h"

namespace platform {
namespace {
bool Flag(const UdevRecord& record, const char* name) {
  const auto it = record.properties.find(name);
  return it != record.properties.end() && it->second == "1";
}

std::optional<DeviceEventKind> ClassifyDiskChange(const UdevRecord& record,
                                                  std::optional<std::uint64_t> previousSize) {
  // A button on the drive asks for the medium; it is still there.
  if (Flag(record, "DISK_EJECT_REQUEST")) return std::nullopt;
  const std::uint64_t size = record.sizeSectors;
  if (previousSize && *previousSize != size) {
    // Another size is another medium, also when neither size is 0.
    return size == 0 ? DeviceEventKind::kMediaRemoval : DeviceEventKind::kMediaArrival;
  }
  if (Flag(record, "DISK_MEDIA_CHANGE")) {
    if (size > 0) return DeviceEventKind::kMediaArrival;
    // An empty drive that stays empty changed nothing.
    if (previousSize) return std::nullopt;
    return DeviceEventKind::kMediaRemoval;
  }
  return DeviceEventKind::kDiskLayoutChange;
}
}  // namespace

std::optional<DeviceEventKind> ClassifyUdevRecord(const UdevRecord& record,
                                                  std::optional<std::uint64_t> previousSize) {
  if (record.devType == "disk") {
    if (record.action == "add") return DeviceEventKind::kDiskArrival;
    if (record.action == "remove") return DeviceEventKind::kDiskRemoval;
    if (record.action == "change") return ClassifyDiskChange(record, previousSize);
  } else if (record.devType == "partition") {
    if (record.action == "add") return DeviceEventKind::kPartitionArrival;
    if (record.action == "remove") return DeviceEventKind::kPartitionRemoval;
    if (record.action == "change") return DeviceEventKind::kPartitionChange;
  }
  return std::nullopt;
}

void UdevRecordClassifier::Remember(const std::string& diskNode, std::uint64_t sizeSectors) {
  sizes_[diskNode] = sizeSectors;
}

std::optional<DeviceEventKind> UdevRecordClassifier::Classify(const UdevRecord& record) {
  std::optional<std::uint64_t> previous;
  if (record.devType == "disk") {
    if (const auto it = sizes_.find(record.devNode); it != sizes_.end()) previous = it->second;
    if (record.action == "remove") {
      sizes_.erase(record.devNode);
    } else {
      sizes_[record.devNode] = record.sizeSectors;
    }
  }
  return ClassifyUdevRecord(record, previous);
}

}  // namespace platform
