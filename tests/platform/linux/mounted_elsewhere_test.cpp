// A FAT volume that nothing mounts: it is a drive whose files go through our
// own engine, and no write reaches it while another program has it mounted.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/linux/linux_drive.h"
#include "platform/linux/mounted_elsewhere.h"
#include "platform/linux/native_volumes.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {
using platform::BlockDeviceSnapshot;

BlockDeviceSnapshot Device(const char* name, std::uint32_t major, std::uint32_t minor,
                           const char* parent = "") {
  BlockDeviceSnapshot d;
  d.name = name;
  d.major = major;
  d.minor = minor;
  d.sizeSectors = 2048;
  d.parentName = parent;
  d.isPartition = *parent != '\0';
  d.sysfsPath = "/sys/devices/usb1/1-1/host6/block/sdb";
  return d;
}

TEST(MountedElsewhere, CountsTheDeviceItsPartitionsAndLoopDevicesOverThem) {
  std::vector<BlockDeviceSnapshot> devices = {Device("sdb", 8, 16), Device("sdb1", 8, 17, "sdb"),
                                              Device("sdc", 8, 32), Device("loop4", 7, 4)};
  devices[3].loopBackingFile = "/dev/sdb1";
  auto folder = [&](const std::string& mounts, const char* name) {
    return platform::MountFolderOfDevice(devices, platform::ParseMountInfo(mounts), name, "/dev");
  };
  const std::string partition = "40 1 8:17 / /media/anna/CARD rw - vfat /dev/sdb1 rw\n";
  EXPECT_EQ(folder(partition, "sdb"), "/media/anna/CARD");
  EXPECT_EQ(folder(partition, "sdb1"), "/media/anna/CARD");
  EXPECT_EQ(folder(partition, "sdc"), "");
  // fusefat on a loop device at the partition's offset, its source resolved.
  const std::string loop = "41 1 7:4 / /mnt/card rw - fuse.fusefat /dev/loop4 rw\n";
  EXPECT_EQ(folder(loop, "sdb"), "/mnt/card");
  EXPECT_EQ(folder("42 1 8:32 / /mnt/other rw - vfat /dev/sdc rw\n", "sdb"), "");
}

TEST(UnmountedFatVolume, IsADriveWithItsReaderNameWhereUdevSeesFat) {
  BlockDeviceSnapshot disk = Device("sdb", 8, 16);
  disk.removable = true;
  disk.vendor = "Generic ";
  disk.model = "CF Card Reader  ";
  BlockDeviceSnapshot fat = Device("sdb1", 8, 17, "sdb");
  fat.udev["ID_FS_TYPE"] = "vfat";
  BlockDeviceSnapshot other = Device("sdc", 8, 32);
  other.udev["ID_FS_TYPE"] = "ext4";
  platform::DeviceNumbering numbering;
  const std::vector<platform::NativeVolume> volumes =
      platform::FindNativeVolumes({disk, fat, other}, {}, "/dev", numbering);
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].volumeNode, "/dev/sdb1");
  EXPECT_TRUE(volumes[0].unmountedFat);
  const platform::DriveDescription d = platform::LinuxDrive(volumes[0]).Description();
  EXPECT_EQ(d.product, "Generic CF Card Reader");
  EXPECT_TRUE(d.isDevice);
  EXPECT_EQ(d.mountFolder, "");
}

TEST(UnmountedFatVolume, RefusesEngineAndRawWritesWhileAnotherProgramMountsIt) {
  const std::string reason = linuxtest::FusefatUnavailable();
  if (!reason.empty()) GTEST_SKIP() << reason;
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "needs sfdisk, mkfs.fat, fsck.fat, mtools";
  testsupport::TempDir dir;
  testsupport::ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  card.partitionStart = 0;
  const std::string image = dir.File("card.img");
  ASSERT_TRUE(testsupport::MakeReferenceCard(image, card));
  linuxtest::LoopDevice loop(image);
  ASSERT_FALSE(loop.node().empty());
  platform::NativeVolume v;
  v.name = loop.node().substr(5);
  v.volumeNode = v.diskNode = loop.node();
  v.unmountedFat = true;
  v.volumeLength = card.sizeBytes;
  platform::LinuxDrive drive(v);
  std::string label;
  ASSERT_TRUE(drive.VolumeInformation(&label, nullptr));
  EXPECT_EQ(label, "REF CARD");
  ASSERT_NE(drive.Files(), nullptr);
  EXPECT_EQ(drive.Files()->CreateDirectory("/KEPT"), platform::kErrorSuccess);
  EXPECT_EQ(drive.Files()->FlushVolume(), platform::kErrorSuccess);

  const std::string folder = dir.File("mnt");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  {
    linuxtest::FusefatMount mount(loop.node(), folder);
    ASSERT_TRUE(mount.mounted());
    const std::string before = testsupport::ReadHostBytes(image, 0, card.sizeBytes);
    EXPECT_EQ(drive.Files(), nullptr);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorMountedElsewhere);
    EXPECT_NE(platform::SystemErrorText(platform::kErrorMountedElsewhere).find(folder),
              std::string::npos);
    std::unique_ptr<platform::IRawDevice> raw;
    EXPECT_EQ(drive.OpenPhysicalDisk(true, &raw), platform::kErrorMountedElsewhere);
    EXPECT_EQ(drive.OpenVolumeRaw(true, &raw), platform::kErrorMountedElsewhere);
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(testsupport::ReadHostBytes(image, 0, card.sizeBytes), before);
  }
  // Unmounted again, the engine reads what it wrote before.
  ASSERT_NE(drive.Files(), nullptr);
  std::uint32_t attributes = 0;
  EXPECT_EQ(drive.Files()->GetAttributes("/KEPT", &attributes), platform::kErrorSuccess);
}

}  // namespace
