// What block-device udev records mean for the drives, from canned records
// shaped like those udevd and the kernel send.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/linux/udev_event_kind.h"

namespace {
using platform::DeviceEventKind;
using platform::UdevRecord;

UdevRecord Disk(const std::string& action, std::uint64_t size, const std::string& flag = "") {
  UdevRecord r;
  r.action = action;
  r.devType = "disk";
  r.devNode = "/dev/sdb";
  r.diskNode = "/dev/sdb";
  r.sizeSectors = size;
  if (!flag.empty()) r.properties[flag] = "1";
  return r;
}

TEST(UdevEventKindTest, DisksAndPartitions) {
  struct Case {
    const char* name;
    UdevRecord record;
    std::optional<std::uint64_t> previous;
    std::optional<DeviceEventKind> expected;
  };
  UdevRecord partAdd = Disk("add", 2048);
  partAdd.devType = "partition";
  partAdd.devNode = "/dev/sdb1";
  UdevRecord partRemove = partAdd;
  partRemove.action = "remove";
  UdevRecord partChange = partAdd;
  partChange.action = "change";
  UdevRecord other = Disk("add", 0);
  other.devType = "";
  const Case cases[] = {
      {"reader plugged in", Disk("add", 0), std::nullopt, DeviceEventKind::kDiskArrival},
      {"reader pulled", Disk("remove", 0), 4096, DeviceEventKind::kDiskRemoval},
      // A loop device's attach and detach: plain changes of its size.
      {"loop attached", Disk("change", 131072), 0, DeviceEventKind::kMediaArrival},
      {"loop detached", Disk("change", 0), 131072, DeviceEventKind::kMediaRemoval},
      {"loop detach's second record", Disk("change", 0, "DISK_MEDIA_CHANGE"), 0, std::nullopt},
      // A card reader polled by the kernel.
      {"card in", Disk("change", 1000000, "DISK_MEDIA_CHANGE"), 0, DeviceEventKind::kMediaArrival},
      {"card out", Disk("change", 0, "DISK_MEDIA_CHANGE"), 1000000, DeviceEventKind::kMediaRemoval},
      {"card of the same size swapped", Disk("change", 1000000, "DISK_MEDIA_CHANGE"), 1000000,
       DeviceEventKind::kMediaArrival},
      {"card of another size, no flag", Disk("change", 2000000), 1000000,
       DeviceEventKind::kMediaArrival},
      {"size not known, card out", Disk("change", 0, "DISK_MEDIA_CHANGE"), std::nullopt,
       DeviceEventKind::kMediaRemoval},
      {"size not known, card in", Disk("change", 50, "DISK_MEDIA_CHANGE"), std::nullopt,
       DeviceEventKind::kMediaArrival},
      {"eject button", Disk("change", 1000000, "DISK_EJECT_REQUEST"), 1000000, std::nullopt},
      // udev looks again after a writer closed the disk: no medium change.
      {"looked at again", Disk("change", 1000000), 1000000, DeviceEventKind::kDiskLayoutChange},
      {"looked at again, size not known", Disk("change", 1000000), std::nullopt,
       DeviceEventKind::kDiskLayoutChange},
      {"bound to a driver", Disk("bind", 1000000), 1000000, std::nullopt},
      {"partition appears", partAdd, std::nullopt, DeviceEventKind::kPartitionArrival},
      {"partition goes", partRemove, std::nullopt, DeviceEventKind::kPartitionRemoval},
      {"partition probed again", partChange, std::nullopt, DeviceEventKind::kPartitionChange},
      {"no device type", other, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform::ClassifyUdevRecord(c.record, c.previous), c.expected);
  }
}

TEST(UdevEventKindTest, ClassifierRemembersSizesFromRecordToRecord) {
  platform::UdevRecordClassifier classifier;
  classifier.Remember("/dev/sdb", 0);
  // The detach of a loop device comes as two records; one removal.
  EXPECT_EQ(classifier.Classify(Disk("change", 4096)), DeviceEventKind::kMediaArrival);
  EXPECT_EQ(classifier.Classify(Disk("change", 4096)), DeviceEventKind::kDiskLayoutChange);
  EXPECT_EQ(classifier.Classify(Disk("change", 0)), DeviceEventKind::kMediaRemoval);
  EXPECT_EQ(classifier.Classify(Disk("change", 0, "DISK_MEDIA_CHANGE")), std::nullopt);

  // A removed disk is forgotten: its next change goes by the record alone.
  EXPECT_EQ(classifier.Classify(Disk("remove", 0)), DeviceEventKind::kDiskRemoval);
  EXPECT_EQ(classifier.Classify(Disk("change", 0, "DISK_MEDIA_CHANGE")),
            DeviceEventKind::kMediaRemoval);

  // Another disk's sizes are its own.
  UdevRecord other = Disk("change", 4096);
  other.devNode = other.diskNode = "/dev/sdc";
  classifier.Remember("/dev/sdc", 4096);
  EXPECT_EQ(classifier.Classify(other), DeviceEventKind::kDiskLayoutChange);
}

}  // namespace
