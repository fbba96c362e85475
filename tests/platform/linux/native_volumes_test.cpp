// From canned block devices and mounts to drives, and from drives to letters.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/linux/native_volumes.h"

namespace {
using platform::BlockDeviceSnapshot;
using platform::DriveType;
using platform::MountEntry;
using platform::NativeVolume;

BlockDeviceSnapshot Device(const char* name, std::uint32_t major, std::uint32_t minor,
                           const char* path, std::uint64_t sectors, bool removable = false) {
  BlockDeviceSnapshot d;
  d.name = name;
  d.major = major;
  d.minor = minor;
  d.sysfsPath = path;
  d.sizeSectors = sectors;
  d.removable = removable;
  return d;
}

BlockDeviceSnapshot Partition(const BlockDeviceSnapshot& disk, const char* name,
                              std::uint32_t minor, std::uint32_t number, std::uint64_t start,
                              std::uint64_t sectors) {
  BlockDeviceSnapshot p = Device(name, disk.major, minor, (disk.sysfsPath + "/" + name).c_str(),
                                 sectors, disk.removable);
  p.isPartition = true;
  p.parentName = disk.name;
  p.partitionNumber = number;
  p.startSector = start;
  return p;
}

MountEntry Mount(std::uint32_t major, std::uint32_t minor, const char* root, const char* point,
                 const char* type, const char* source) {
  MountEntry m;
  m.major = major;
  m.minor = minor;
  m.root = root;
  m.mountPoint = point;
  m.fsType = type;
  m.source = source;
  return m;
}

// A system with its root disk, a USB card reader with a mounted card (and a
// bind mount of a folder of it listed first), an empty second reader slot,
// a floppy drive without a mount, an unmounted stick, and a card image on
// two loop devices: the whole file, and its partition at an offset mounted
// through fusefat.
class NativeVolumesTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* usb =
        "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    BlockDeviceSnapshot vda =
        Device("vda", 254, 0, "/sys/devices/pci0000:00/virtio1/block/vda", 1 << 24);
    BlockDeviceSnapshot sdb = Device("sdb", 8, 16, usb, 1000944, true);
    sdb.model = "CF Card Reader";
    BlockDeviceSnapshot sdb1 = Partition(sdb, "sdb1", 17, 1, 63, 1000881);
    sdb1.udev = {{"ID_FS_LABEL_ENC", "MY\\x20CARD"}, {"ID_FS_VERSION", "FAT16"}};
    BlockDeviceSnapshot sdc =
        Device("sdc", 8, 32, "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/x/block/sdc", 0, true);
    BlockDeviceSnapshot sdd = Device(
        "sdd", 8, 48, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/y/block/sdd", 4096, true);
    BlockDeviceSnapshot sdd1 = Partition(sdd, "sdd1", 49, 1, 2048, 2048);
    BlockDeviceSnapshot fd0 =
        Device("fd0", 2, 0, "/sys/devices/platform/floppy.0/block/fd0", 2880, true);
    BlockDeviceSnapshot loop0 = Device("loop0", 7, 0, "/sys/devices/virtual/block/loop0", 131072);
    loop0.loopBackingFile = "/tmp/card.img";
    BlockDeviceSnapshot loop1 = Device("loop1", 7, 1, "/sys/devices/virtual/block/loop1", 131009);
    loop1.loopBackingFile = "/tmp/card.img";
    loop1.loopOffset = 63 * 512;
    devices_ = {vda, sdb, sdb1, sdc, sdd, sdd1, fd0, loop1, loop0};
    mounts_ = {Mount(254, 0, "/", "/", "ext4", "/dev/vda"),
               Mount(8, 17, "/DornveldFLP", "/srv/flp", "vfat", "/dev/sdb1"),
               Mount(8, 17, "/", "/media/anna/MY CARD", "vfat", "/dev/sdb1"),
               Mount(8, 17, "/", "/mnt/again", "vfat", "/dev/sdb1"),
               // resolved from the fusefat process: a source, no numbers
               Mount(0, 41, "/", "/mnt/x", "fuse.fusefat", "/dev/loop1"),
               Mount(0, 22, "/", "/proc", "proc", "proc")};
  }

  std::vector<BlockDeviceSnapshot> devices_;
  std::vector<MountEntry> mounts_;
  platform::DeviceNumbering numbering_;
};

TEST_F(NativeVolumesTest, FindsFloppiesMountedVolumesAndEmptyReaders) {
  const std::vector<NativeVolume> volumes =
      platform::FindNativeVolumes(devices_, mounts_, "/dev", numbering_);
  std::vector<std::string> names;
  for (const NativeVolume& v : volumes) names.push_back(v.name);
  // The unmounted stick (sdd1), the loop over the whole file and the root
  // disk's whole device are not drives; vda is, through its mount.
  EXPECT_EQ(names, (std::vector<std::string>{"fd0", "loop1", "sdb1", "sdc", "vda"}));
  std::map<std::string, NativeVolume> by;
  for (const NativeVolume& v : volumes) by[v.name] = v;

  const NativeVolume& fd0 = by["fd0"];
  EXPECT_EQ(fd0.deviceName, "\\Device\\Floppy0");
  EXPECT_TRUE(fd0.deviceClass.floppy);
  EXPECT_EQ(fd0.mountPoint, "");
  EXPECT_EQ(fd0.volumeNode, "/dev/fd0");

  const NativeVolume& card = by["sdb1"];
  EXPECT_EQ(card.volumeNode, "/dev/sdb1");
  EXPECT_EQ(card.diskNode, "/dev/sdb");
  EXPECT_EQ(card.volumeOffset, 63u * 512);
  EXPECT_EQ(card.volumeLength, 1000881u * 512);
  EXPECT_EQ(card.mountPoint, "/media/anna/MY CARD");  // the whole volume, not the bind of a folder
  EXPECT_EQ(card.mountRoot, "/");
  EXPECT_EQ(card.label, "MY CARD");
  EXPECT_EQ(card.fsVersion, "FAT16");
  EXPECT_EQ(card.deviceClass.type, DriveType::kRemovable);
  EXPECT_EQ(card.deviceClass.storage.productId, "CF Card Reader");
  EXPECT_EQ(card.deviceClass.storage.busType, 7u);
  EXPECT_EQ(card.deviceName.rfind("\\Device\\HarddiskVolume", 0), 0u);

  const NativeVolume& empty = by["sdc"];
  EXPECT_FALSE(empty.deviceClass.hasMedium);
  EXPECT_EQ(empty.mountPoint, "");
  EXPECT_EQ(empty.deviceClass.type, DriveType::kRemovable);

  // The partition loop device belongs to the loop device over the whole file.
  const NativeVolume& loop = by["loop1"];
  EXPECT_EQ(loop.diskNode, "/dev/loop0");
  EXPECT_EQ(loop.volumeOffset, 63u * 512);
  EXPECT_EQ(loop.mountPoint, "/mnt/x");
  EXPECT_EQ(loop.fsType, "fuse.fusefat");
  EXPECT_EQ(loop.deviceClass.type, DriveType::kFixed);

  // Different disks, different numbers; every device name is its own.
  EXPECT_NE(loop.diskNumber, card.diskNumber);
  EXPECT_NE(by["vda"].diskNumber, card.diskNumber);
  EXPECT_NE(loop.deviceName, card.deviceName);
}

TEST_F(NativeVolumesTest, NumbersStayWithTheirDevicesAcrossScans) {
  const auto first = platform::FindNativeVolumes(devices_, mounts_, "/dev", numbering_);
  // The card reader goes away; the others keep their numbers and names.
  std::vector<BlockDeviceSnapshot> fewer;
  for (const BlockDeviceSnapshot& d : devices_) {
    if (d.name != "sdb" && d.name != "sdb1") fewer.push_back(d);
  }
  const auto second = platform::FindNativeVolumes(fewer, mounts_, "/dev", numbering_);
  ASSERT_EQ(second.size(), first.size() - 1);
  for (const NativeVolume& v : second) {
    for (const NativeVolume& w : first) {
      if (w.name == v.name) {
        EXPECT_TRUE(v == w) << v.name;
      }
    }
  }
}

TEST_F(NativeVolumesTest, AMountOfAFolderAloneGivesTheVolumeWithThatRoot) {
  const std::vector<MountEntry> mounts = {
      Mount(8, 17, "/DornveldFLP", "/srv/flp", "vfat", "/dev/sdb1")};
  const auto volumes = platform::FindNativeVolumes(devices_, mounts, "/dev", numbering_);
  ASSERT_EQ(volumes.size(), 3u);  // fd0, sdb1, sdc
  EXPECT_EQ(volumes[1].name, "sdb1");
  EXPECT_EQ(volumes[1].mountPoint, "/srv/flp");
  EXPECT_EQ(volumes[1].mountRoot, "/DornveldFLP");
}

// Letters: the plan applied to the letters the native drives hold now.
std::map<char, std::string> Apply(std::map<char, std::string> current,
                                  const platform::LetterPlan& plan) {
  for (char letter : plan.detach) current.erase(letter);
  for (const auto& [letter, key] : plan.attach) {
    EXPECT_EQ(current.count(letter), 0u) << letter;
    current[letter] = key;
  }
  return current;
}

std::uint32_t Bits(const std::string& letters) {
  std::uint32_t mask = 0;
  for (char c : letters) mask |= 1u << (c - 'A');
  return mask;
}

TEST(LetterPlanTest, FloppiesTakeAAndBVolumesTheRestFromC) {
  struct Case {
    const char* what;
    std::map<char, std::string> current;
    std::string others;  // letters held by image drives
    std::vector<platform::LetterRequest> found;
    std::map<char, std::string> expected;
    std::vector<std::string> unplaced;
  };
  const std::vector<Case> cases = {
      {"first scan",
       {},
       "",
       {{"fd0", true}, {"sda1", false}, {"sdb1", false}},
       {{'A', "fd0"}, {'C', "sda1"}, {'D', "sdb1"}},
       {}},
      {"an image holds D:",
       {},
       "D",
       {{"sda1", false}, {"sdb1", false}},
       {{'C', "sda1"}, {'E', "sdb1"}},
       {}},
      {"letters stay while their devices stay",
       {{'C', "sda1"}, {'E', "sdc1"}},
       "",
       {{"sda1", false}, {"sdb1", false}, {"sdc1", false}},
       {{'C', "sda1"}, {'D', "sdb1"}, {'E', "sdc1"}},
       {}},
      {"a vanished device frees its letter",
       {{'C', "sda1"}, {'D', "sdb1"}},
       "",
       {{"sdb1", false}},
       {{'D', "sdb1"}},
       {}},
      {"a freed letter is taken again",
       {{'C', "sda1"}, {'D', "sdb1"}},
       "",
       {{"sdb1", false}, {"sdc1", false}},
       {{'C', "sdc1"}, {'D', "sdb1"}},
       {}},
      {"an image at A: leaves B: for the floppy", {}, "A", {{"fd0", true}}, {{'B', "fd0"}}, {}},
      {"a third floppy goes on from C:",
       {},
       "",
       {{"fd0", true}, {"fd1", true}, {"sde", true}},
       {{'A', "fd0"}, {'B', "fd1"}, {'C', "sde"}},
       {}},
      {"volumes listed first still leave A: to the floppy",
       {},
       "",
       {{"sda1", false}, {"fd0", true}},
       {{'A', "fd0"}, {'C', "sda1"}},
       {}},
      {"no free letter",
       {},
       "CDEFGHIJKLMNOPQRSTUVWXYZ",
       {{"sda1", false}, {"fd0", true}},
       {{'A', "fd0"}},
       {"sda1"}},
      {"a device listed twice gets one letter",
       {},
       "",
       {{"sda1", false}, {"sda1", false}},
       {{'C', "sda1"}},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const platform::LetterPlan plan = platform::PlanLetters(c.current, Bits(c.others), c.found);
    EXPECT_EQ(Apply(c.current, plan), c.expected);
    EXPECT_EQ(plan.unplaced, c.unplaced);
    for (const auto& [letter, key] : plan.attach) {
      EXPECT_EQ(Bits(c.others) & Bits(std::string(1, letter)), 0u) << "took an image's letter";
    }
  }
}

}  // namespace
