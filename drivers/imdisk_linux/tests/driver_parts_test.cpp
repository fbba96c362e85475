// The Linux driver library's pieces that work on canned input: its records,
// when a mount counts as in place, where its state lives, the commands it
// runs, the image check and the device query's answer record.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "imdisk_linux/device_answer.h"
#include "imdisk_linux/floppy_image.h"
#include "imdisk_linux/user_space_mount.h"
#include "platform/errors.h"
#include "platform/linux/mount_table.h"
#include "platform/linux/process_watch.h"
#include "platform/linux/sysfs_reader.h"
#include "platform/linux/virtual_drive_record.h"
#include "platform/linux/virtual_drive_state.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"
#include "virtualdrive/virtual_disk_driver.h"

namespace {
using platform::VirtualDriveRecord;
using platform::VirtualMountMethod;

VirtualDriveRecord FatfsRecord() {
  VirtualDriveRecord r;
  r.number = 3;
  r.letter = 'A';
  r.image = "/home/ann/tmp/Dorn Flash\\Image.img";
  r.folder = "/run/user/1000/quillfen-vdisk/drive-A";
  r.method = VirtualMountMethod::kFatfs;
  r.process = 4242;
  return r;
}

VirtualDriveRecord UdisksRecord() {
  VirtualDriveRecord r;
  r.number = 0;
  r.letter = 'B';
  r.image = "/tmp/a.img";
  r.folder = "/media/ann/DISK 1";
  r.method = VirtualMountMethod::kUdisks;
  r.device = "/dev/loop7";
  r.object = "/org/freedesktop/UDisks2/block_devices/loop7";
  r.readOnly = true;
  return r;
}

TEST(VirtualDriveRecordTest, TextFormRoundTripsAndRefusesBrokenRecords) {
  for (VirtualDriveRecord record : {FatfsRecord(), UdisksRecord()}) {
    const auto back = platform::ParseVirtualDriveRecord(platform::FormatVirtualDriveRecord(record));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, record);
  }
  // A line break in a path cannot split the record.
  VirtualDriveRecord odd = FatfsRecord();
  odd.image = "/tmp/two\nlines\\n.img";
  EXPECT_EQ(platform::ParseVirtualDriveRecord(platform::FormatVirtualDriveRecord(odd))->image,
            odd.image);

  const std::string good = platform::FormatVirtualDriveRecord(FatfsRecord());
  auto with = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return platform::ParseVirtualDriveRecord(text);
  };
  EXPECT_FALSE(with("number=3", "number=32"));
  EXPECT_FALSE(with("number=3", "number=-1"));
  EXPECT_FALSE(with("letter=A", "letter=a"));
  EXPECT_FALSE(with("method=fatfs", "method=mount"));
  EXPECT_FALSE(with("method=fatfs", "method=fusefat"));
  EXPECT_FALSE(with("process=4242", "process=x"));
  EXPECT_FALSE(platform::ParseVirtualDriveRecord("number=1\nletter=A\n"));
  EXPECT_FALSE(platform::ParseVirtualDriveRecord(""));
}

std::vector<platform::MountEntry> Mounts(const std::string& text) {
  return platform::ParseMountInfo(text);
}

TEST(VirtualDriveRecordTest, MountCountsOnlyWhileItIsInPlaceAndServed) {
  const VirtualDriveRecord fuse = FatfsRecord();
  const std::string root = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
  // Our server names the image as the mount's source.
  const std::string served =
      "90 22 0:50 / /run/user/1000/quillfen-vdisk/drive-A rw - fuse.quillfen-fatfs "
      "/home/ann/tmp/Dorn\\040Flash\\134Image.img rw\n";
  EXPECT_TRUE(platform::IsVirtualDriveMounted(fuse, Mounts(root + served)));
  EXPECT_FALSE(platform::IsVirtualDriveMounted(fuse, Mounts(root)));
  // As ReadMounts gives it once the server was killed: no source.
  std::vector<platform::MountEntry> killed = Mounts(root + served);
  killed.back().source.clear();
  EXPECT_FALSE(platform::IsVirtualDriveMounted(fuse, killed));
  // Another image, or another program's mount of the image, is not ours.
  std::vector<platform::MountEntry> other = Mounts(root + served);
  other.back().source = "/tmp/other.img";
  EXPECT_FALSE(platform::IsVirtualDriveMounted(fuse, other));
  other = Mounts(root + served);
  other.back().fsType = platform::kFusefatFileSystemType;
  EXPECT_FALSE(platform::IsVirtualDriveMounted(fuse, other));
  // Something mounted over it later hides it.
  EXPECT_FALSE(platform::IsVirtualDriveMounted(
      fuse, Mounts(root + served +
                   "91 90 0:51 / /run/user/1000/quillfen-vdisk/drive-A rw - tmpfs tmpfs rw\n")));

  const VirtualDriveRecord loop = UdisksRecord();
  const std::string mounted = "95 22 7:7 / /media/ann/DISK\\0401 rw - vfat /dev/loop7 rw\n";
  EXPECT_TRUE(platform::IsVirtualDriveMounted(loop, Mounts(root + mounted)));
  EXPECT_FALSE(platform::IsVirtualDriveMounted(loop, Mounts(root)));
  EXPECT_FALSE(platform::IsVirtualDriveMounted(
      loop, Mounts(root + "95 22 7:8 / /media/ann/DISK\\0401 rw - vfat /dev/loop8 rw\n")));
}

TEST(VirtualDriveStateTest, FolderIsTheUsersOwnAndRecordsComeBackByNumber) {
  EXPECT_EQ(platform::ChooseVirtualDriveStateFolder("/run/user/1000", "/c", "/home/ann"),
            "/run/user/1000/quillfen-vdisk");
  EXPECT_EQ(platform::ChooseVirtualDriveStateFolder(nullptr, "/c", "/home/ann"),
            "/c/quillfen-vdisk");
  EXPECT_EQ(platform::ChooseVirtualDriveStateFolder("", "relative", "/home/ann"),
            "/home/ann/.cache/quillfen-vdisk");
  EXPECT_EQ(platform::ChooseVirtualDriveStateFolder(nullptr, nullptr, nullptr), "");

  testsupport::TempDir dir;
  const std::string folder = platform::ChooseVirtualDriveStateFolder(dir.path().c_str(), "", "");
  ASSERT_EQ(platform::PrepareVirtualDriveStateFolder(folder), 0u);
  EXPECT_TRUE(platform::IsTrustedVirtualDriveStateFolder(folder));
  EXPECT_EQ(platform::PrepareVirtualDriveStateFolder(folder), 0u);  // again: still fine

  VirtualDriveRecord second = FatfsRecord();
  second.number = 12;
  ASSERT_EQ(platform::WriteVirtualDriveRecord(folder, second), 0u);
  ASSERT_EQ(platform::WriteVirtualDriveRecord(folder, UdisksRecord()), 0u);
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/drive-5.rec", "garbage"));
  // A record under another number's name is not believed.
  ASSERT_TRUE(testsupport::WriteHostFile(folder + "/drive-6.rec",
                                         platform::FormatVirtualDriveRecord(FatfsRecord())));
  const auto records = platform::ReadVirtualDriveRecords(folder);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], UdisksRecord());
  EXPECT_EQ(records[1], second);
  platform::RemoveVirtualDriveRecord(folder, 12);
  EXPECT_EQ(platform::ReadVirtualDriveRecords(folder).size(), 1u);

  // A folder others may enter, or a link in its place, is not used.
  const std::string open = dir.File("open");
  ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
  EXPECT_EQ(platform::PrepareVirtualDriveStateFolder(open), platform::kErrorAccessDenied);
  EXPECT_FALSE(platform::IsTrustedVirtualDriveStateFolder(open));
  const std::string link = dir.File("link");
  ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);
  EXPECT_EQ(platform::PrepareVirtualDriveStateFolder(link), platform::kErrorAccessDenied);
}

TEST(LinuxDriverCommandsTest, FatfsAndFusermountCommandLines) {
  EXPECT_EQ(linux_driver::FatfsMountCommand("/opt/q/quillfen-fatfs", "/a b.img", "/m", false),
            (std::vector<std::string>{"/opt/q/quillfen-fatfs", "--", "/a b.img", "/m"}));
  EXPECT_EQ(linux_driver::FatfsMountCommand("quillfen-fatfs", "/a.img", "/m", true),
            (std::vector<std::string>{"quillfen-fatfs", "-r", "--", "/a.img", "/m"}));
  EXPECT_EQ(linux_driver::FuseUnmountCommand("/bin/fusermount", "/m x"),
            (std::vector<std::string>{"/bin/fusermount", "-u", "/m x"}));
  // What ReadMounts learns from the running process is the same pair.
  for (const bool readOnly : {false, true}) {
    std::string raw;
    for (const std::string& arg :
         linux_driver::FatfsMountCommand("/q/quillfen-fatfs", "/-a b.img", "/m", readOnly)) {
      raw += arg + '\0';
    }
    const auto mount = platform::FatfsMountFromArgs(platform::SplitCommandLine(raw));
    ASSERT_TRUE(mount.has_value());
    EXPECT_EQ(mount->device, "/-a b.img");
    EXPECT_EQ(mount->mountPoint, "/m");
    EXPECT_FALSE(platform::FusefatMountFromArgs(platform::SplitCommandLine(raw)));
  }
}

// A made-up /proc and mountinfo: the source of our mounts is kept while a
// server runs for them and cleared for one whose server is gone.
TEST(LinuxDriverCommandsTest, ReadMountsKeepsTheImageOnlyOfServedMounts) {
  testsupport::TempDir dir;
  platform::NativePaths paths;
  paths.proc = dir.File("proc");
  paths.mountInfo = dir.File("mountinfo");
  ASSERT_EQ(mkdir(paths.proc.c_str(), 0755), 0);
  ASSERT_EQ(mkdir((paths.proc + "/4242").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((paths.proc + "/4243").c_str(), 0755), 0);
  using std::string_literals::operator""s;
  ASSERT_TRUE(testsupport::WriteHostFile(paths.proc + "/4242/cmdline",
                                         "/q/quillfen-fatfs\0--\0/no/a.img\0/no/A\0"s));
  // A fusefat at the other folder does not serve our mount there.
  ASSERT_TRUE(testsupport::WriteHostFile(paths.proc + "/4243/cmdline",
                                         "fusefat\0-o\0rw+\0/no/b.img\0/no/B\0"s));
  ASSERT_TRUE(
      testsupport::WriteHostFile(paths.mountInfo,
                                 "90 22 0:50 / /no/A rw - fuse.quillfen-fatfs /no/a.img rw\n"
                                 "91 22 0:51 / /no/B rw - fuse.quillfen-fatfs /no/b.img rw\n"
                                 "92 22 0:52 / /no/C rw - fuse.fusefat fusefat rw\n"));
  const std::vector<platform::MountEntry> mounts = platform::ReadMounts(paths);
  ASSERT_EQ(mounts.size(), 3u);
  EXPECT_EQ(mounts[0].source, "/no/a.img");
  EXPECT_EQ(mounts[1].source, "");
  EXPECT_EQ(mounts[2].source, "fusefat");
  const std::vector<platform::FuseServerProcess> servers = platform::ReadFuseServerProcesses(paths);
  ASSERT_EQ(servers.size(), 2u);
  EXPECT_EQ(servers[0].pid, 4242);
  EXPECT_EQ(servers[0].fsType, platform::kFatfsFileSystemType);
  EXPECT_EQ(servers[1].fsType, platform::kFusefatFileSystemType);
}

TEST(LinuxDriverCommandsTest, ProcessEndFromItsStatLine) {
  EXPECT_FALSE(platform::StatShowsEnded("4242 (quillfen-fatfs) S 1 4242 4242 0 -1"));
  EXPECT_FALSE(platform::StatShowsEnded("7 (a) b) R 1 7"));
  EXPECT_TRUE(platform::StatShowsEnded("4242 (quillfen-fatfs) Z 1 4242"));
  EXPECT_TRUE(platform::StatShowsEnded("7 (x) X 1"));
  EXPECT_TRUE(platform::StatShowsEnded(""));
  EXPECT_FALSE(platform::ProcessHasEnded(getpid()));
  EXPECT_TRUE(platform::ProcessHasEnded(0));
}

TEST(FloppyImageTest, GeometryOfTheUsualFormatsAndOfOthersFromTheBootSector) {
  const VirtualDiskGeometry hd = linux_driver::FloppyGeometry(1474560, 512, 18, 2);
  EXPECT_EQ(hd.cylinders, 80);
  EXPECT_EQ(hd.tracksPerCylinder, 2u);
  EXPECT_EQ(hd.sectorsPerTrack, 18u);
  EXPECT_EQ(hd.bytesPerSector, 512u);
  EXPECT_EQ(hd.mediaType, linux_driver::kMediaF3_1Pt44);
  const VirtualDiskGeometry dd = linux_driver::FloppyGeometry(737280, 512, 0, 0);
  EXPECT_EQ(dd.sectorsPerTrack, 9u);
  EXPECT_EQ(dd.mediaType, linux_driver::kMediaF3_720);
  const VirtualDiskGeometry odd = linux_driver::FloppyGeometry(4 * 1024 * 1024, 512, 32, 4);
  EXPECT_EQ(odd.cylinders, 64);
  EXPECT_EQ(odd.mediaType, linux_driver::kMediaRemovable);
  EXPECT_EQ(linux_driver::FloppyGeometry(1000, 0, 0, 0).cylinders, 1);  // no zero divisions
}

TEST(FloppyImageTest, OnlyAFatVolumeThatLiesWholeInTheFileIsMounted) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "mkfs.fat and mtools are not installed";
  testsupport::TempDir dir;
  const std::string image = dir.File("dd.img");
  ASSERT_EQ(testsupport::RunCommand("mkfs.fat -C -i 12345678 " + testsupport::Quote(image) +
                                    " 720 >/dev/null 2>&1"),
            0);
  VirtualDiskGeometry geometry;
  EXPECT_EQ(linux_driver::ReadFloppyImage(image, &geometry), 0u);
  EXPECT_EQ(geometry.sectorsPerTrack, 9u);
  EXPECT_EQ(geometry.cylinders, 80);

  // Cut short: the volume no longer fits.
  ASSERT_EQ(truncate(image.c_str(), 368640), 0);
  EXPECT_EQ(linux_driver::ReadFloppyImage(image, &geometry), platform::kErrorUnrecognizedMedia);
  const std::string noise = dir.File("noise.img");
  ASSERT_TRUE(testsupport::WriteHostFile(noise, testsupport::TestBytes(1474560, 7)));
  EXPECT_EQ(linux_driver::ReadFloppyImage(noise, &geometry), platform::kErrorUnrecognizedMedia);
  ASSERT_TRUE(testsupport::WriteHostFile(dir.File("short.img"), "abc"));
  EXPECT_EQ(linux_driver::ReadFloppyImage(dir.File("short.img"), &geometry),
            platform::kErrorUnrecognizedMedia);
  EXPECT_EQ(linux_driver::ReadFloppyImage(dir.File("missing.img"), &geometry),
            platform::kErrorFileNotFound);
  EXPECT_EQ(linux_driver::ReadFloppyImage(dir.path(), &geometry),
            platform::kErrorUnrecognizedMedia);
}

TEST(DeviceAnswerTest, FieldsLieWhereTheBindingReadsThem) {
  linux_driver::DeviceDescription device;
  device.number = 5;
  device.geometry = linux_driver::FloppyGeometry(1474560, 512, 18, 2);
  device.flags = kImDiskMountFlags;
  device.letter = 'A';
  device.image = "/tmp/Dörnveld/a.img";
  std::array<std::uint8_t, kDeviceAnswerSize> answer;
  answer.fill(0xEE);
  ASSERT_TRUE(linux_driver::WriteDeviceAnswer(device, answer.data(), answer.size()));
  EXPECT_EQ(answer[0], 5);
  EXPECT_EQ(answer[8], 80);  // cylinders
  EXPECT_EQ(answer[16], linux_driver::kMediaF3_1Pt44);
  EXPECT_EQ(answer[40], 0x22);  // flags
  EXPECT_EQ(answer[44], 'A');
  EXPECT_EQ(answer[45], 0);
  EXPECT_EQ(answer[46], 2 * 19);  // 19 UTF-16 characters
  EXPECT_EQ(answer[48], '/');
  EXPECT_EQ(answer[48 + 2 * 6], 0xF6);  // o umlaut
  EXPECT_EQ(answer[kDeviceAnswerSize - 1], 0);

  // The core's parser reads back what the library wrote.
  const VirtualDiskInfo info = ParseDeviceAnswer(answer.data(), 5);
  EXPECT_EQ(info.driveLetter, 'A');
  EXPECT_EQ(info.imageFileName, device.image);
  EXPECT_EQ(info.geometry.cylinders, 80);
  EXPECT_EQ(info.geometry.tracksPerCylinder, 2u);
  EXPECT_EQ(info.geometry.sectorsPerTrack, 18u);
  EXPECT_EQ(info.geometry.bytesPerSector, 512u);

  // A name longer than the record is cut to what it holds; a record without
  // room for the fixed fields is refused.
  device.image = std::string("/").append(700, 'x');
  ASSERT_TRUE(linux_driver::WriteDeviceAnswer(device, answer.data(), answer.size()));
  EXPECT_EQ(ParseDeviceAnswer(answer.data(), 5).imageFileName.size(), kAnswerMaxNameChars);
  // ... and not inside a character that takes two UTF-16 units.
  device.image = std::string(kAnswerMaxNameChars - 1, 'x').append("\xF0\x9F\x92\xBE");
  ASSERT_TRUE(linux_driver::WriteDeviceAnswer(device, answer.data(), answer.size()));
  EXPECT_EQ(ParseDeviceAnswer(answer.data(), 5).imageFileName,
            std::string(kAnswerMaxNameChars - 1, 'x'));
  EXPECT_FALSE(linux_driver::WriteDeviceAnswer(device, answer.data(), 47));
}

}  // namespace
