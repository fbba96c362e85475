// Classification of block devices from canned sysfs and udev snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/linux/block_device_info.h"

namespace {
using platform::BlockDeviceSnapshot;
using platform::DriveType;

constexpr char kUsbReaderPath[] =
    "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";

BlockDeviceSnapshot Disk(const char* name, const char* path, bool removable, std::uint64_t sectors,
                         const char* model) {
  BlockDeviceSnapshot d;
  d.name = name;
  d.sysfsPath = path;
  d.removable = removable;
  d.sizeSectors = sectors;
  d.model = model;
  return d;
}

struct ClassCase {
  const char* what;
  BlockDeviceSnapshot disk;
  DriveType type;
  bool floppy;
  bool cdrom;
  bool hasMedium;
  bool hotplug;
  std::uint32_t busType;
  const char* product;
};

std::vector<ClassCase> Cases() {
  std::vector<ClassCase> cases;
  cases.push_back({"USB CF reader with a card",
                   Disk("sdb", kUsbReaderPath, true, 1000944, "CF Card Reader  "),
                   DriveType::kRemovable, false, false, true, true, 7, "CF Card Reader"});
  cases.push_back({"USB CF reader without a card",
                   Disk("sdb", kUsbReaderPath, true, 0, "CF Card Reader  "), DriveType::kRemovable,
                   false, false, false, true, 7, "CF Card Reader"});
  {
    // The model only in udev's database, blanks escaped.
    BlockDeviceSnapshot stick = Disk(
        "sdc",
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0/block/sdc",
        true, 60088320, "");
    stick.udev = {
        {"ID_BUS", "usb"}, {"ID_MODEL", "Ultra_Fit"}, {"ID_MODEL_ENC", "Ultra\\x20Fit\\x20\\x20"}};
    cases.push_back(
        {"USB stick", stick, DriveType::kRemovable, false, false, true, true, 7, "Ultra Fit"});
  }
  cases.push_back(
      {"SATA disk",
       Disk("sda", "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda",
            false, 976773168, "Samsung SSD 860 "),
       DriveType::kFixed, false, false, true, false, 0, "Samsung SSD 860"});
  {
    BlockDeviceSnapshot esata =
        Disk("sdd", "/sys/devices/pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0/block/sdd",
             false, 100, "WDC WD10");
    esata.portConnectType = "hotplug";
    cases.push_back({"disk on a hot-plug port", esata, DriveType::kFixed, false, false, true, true,
                     0, "WDC WD10"});
  }
  {
    // A reader whose disk says "not removable" (many USB card readers), that
    // UDisks2 calls removable as the desktop does.
    BlockDeviceSnapshot reader = Disk("sdb", kUsbReaderPath, false, 1000944, "Multi-Card");
    reader.desktopRemovable = true;
    cases.push_back({"reader the desktop calls removable", reader, DriveType::kRemovable, false,
                     false, true, true, 7, "Multi-Card"});
  }
  cases.push_back({"fd0", Disk("fd0", "/sys/devices/platform/floppy.0/block/fd0", true, 2880, ""),
                   DriveType::kRemovable, true, false, true, false, 0, ""});
  {
    BlockDeviceSnapshot usbFloppy = Disk(
        "sde",
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host8/target8:0:0/8:0:0:0/block/sde",
        true, 0, "USB-FDU         ");
    usbFloppy.udev = {{"ID_DRIVE_FLOPPY", "1"}};
    cases.push_back({"USB floppy drive without a disk", usbFloppy, DriveType::kRemovable, true,
                     false, false, true, 7, "USB-FDU"});
  }
  {
    // No udev mark, but a removable USB disk of a floppy's size: a floppy drive with a disk.
    const char* usbPath =
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host9/target9:0:0/9:0:0:0/block/sdf";
    cases.push_back({"USB floppy drive with an HD disk", Disk("sdf", usbPath, true, 2880, "UFD"),
                     DriveType::kRemovable, true, false, true, true, 7, "UFD"});
    cases.push_back({"USB floppy drive with a DD disk", Disk("sdf", usbPath, true, 1440, "UFD"),
                     DriveType::kRemovable, true, false, true, true, 7, "UFD"});
    cases.push_back({"a USB stick of another size is none", Disk("sdf", usbPath, true, 2881, "UFD"),
                     DriveType::kRemovable, false, false, true, true, 7, "UFD"});
    cases.push_back({"a fixed disk of a floppy's size is none",
                     Disk("loop6", "/sys/devices/virtual/block/loop6", false, 2880, ""),
                     DriveType::kFixed, false, false, true, false, 0, ""});
  }
  cases.push_back({"loop device",
                   Disk("loop3", "/sys/devices/virtual/block/loop3", false, 131072, ""),
                   DriveType::kFixed, false, false, true, false, 0, ""});
  cases.push_back({"a name that only begins with usb is no USB bus",
                   Disk("loop4", "/sys/devices/virtual/usbdisk/block/loop4", false, 8, ""),
                   DriveType::kFixed, false, false, true, false, 0, ""});
  cases.push_back(
      {"optical drive",
       Disk("sr0", "/sys/devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0/block/sr0",
            true, 0, "DVD-RAM UJ8E2   "),
       DriveType::kCdrom, false, true, false, false, 0, "DVD-RAM UJ8E2"});
  cases.push_back({"RAM disk", Disk("ram0", "/sys/devices/virtual/block/ram0", false, 8192, ""),
                   DriveType::kRamdisk, false, false, true, false, 0, ""});
  cases.push_back({"fdisk is not a floppy drive",
                   Disk("fdisk1", "/sys/devices/virtual/block/fdisk1", false, 8, ""),
                   DriveType::kFixed, false, false, true, false, 0, ""});
  return cases;
}

TEST(BlockClassifyTest, ClassifiesDevicesFromTheirSnapshots) {
  for (const ClassCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    const platform::DeviceClass got = platform::ClassifyBlockDevice(c.disk);
    EXPECT_EQ(got.type, c.type);
    EXPECT_EQ(got.floppy, c.floppy);
    EXPECT_EQ(got.cdrom, c.cdrom);
    EXPECT_EQ(got.hasMedium, c.hasMedium);
    EXPECT_EQ(got.storage.hotplug, c.hotplug);
    EXPECT_EQ(got.storage.busType, c.busType);
    EXPECT_EQ(got.storage.productId, c.product);
  }
}

TEST(BlockClassifyTest, UdevModelIsUsedOnlyWithoutASysfsModel) {
  BlockDeviceSnapshot d = Disk("sdb", kUsbReaderPath, true, 8, "");
  d.udev = {{"ID_MODEL", "Compact_Flash"}};
  EXPECT_EQ(platform::ClassifyBlockDevice(d).storage.productId, "Compact Flash");
  d.model = "CFC Reader";
  EXPECT_EQ(platform::ClassifyBlockDevice(d).storage.productId, "CFC Reader");
}

TEST(BlockClassifyTest, ParsesUdevDatabaseEntries) {
  const std::string text =
      "S:disk/by-id/usb-Generic_CF_Card_Reader-0:0\n"
      "W:12\n"
      "E:ID_BUS=usb\n"
      "E:ID_MODEL=CF_Card_Reader\n"
      "E:ID_FS_LABEL_ENC=MY\\x20CARD\n"
      "E:EMPTY=\n"
      "E:=no key\n"
      "G:systemd\n";
  const auto properties = platform::ParseUdevData(text);
  EXPECT_EQ(properties.size(), 4u);
  EXPECT_EQ(properties.at("ID_BUS"), "usb");
  EXPECT_EQ(properties.at("ID_MODEL"), "CF_Card_Reader");
  EXPECT_EQ(properties.at("EMPTY"), "");
  EXPECT_EQ(platform::DecodeUdevString(properties.at("ID_FS_LABEL_ENC")), "MY CARD");
  // A broken escape stays as it is.
  EXPECT_EQ(platform::DecodeUdevString("A\\x2"), "A\\x2");
  EXPECT_EQ(platform::DecodeUdevString("A\\xZZ"), "A\\xZZ");
}

TEST(BlockClassifyTest, DeviceNamesSortWithTheirNumbersByValue) {
  std::vector<std::string> names = {"sdb1", "loop10", "sda",  "loop2", "sdaa",
                                    "fd0",  "sda10",  "sda2", "sr0",   "loop02"};
  std::sort(names.begin(), names.end(), platform::DeviceNameLess);
  const std::vector<std::string> expected = {"fd0",  "loop02", "loop2", "loop10", "sda",
                                             "sda2", "sda10",  "sdaa",  "sdb1",   "sr0"};
  EXPECT_EQ(names, expected);
}

}  // namespace
