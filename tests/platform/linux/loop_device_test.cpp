// Raw access, access rights and file placement on real block devices: card
// images on loop devices (root and /dev/loop-control needed; skipped
// elsewhere). The kernel here does not scan a loop device's partitions, so
// the partition gets a loop device of its own at its offset.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/linux/block_raw_device.h"
#include "platform/linux/linux_drive.h"
#include "platform/linux/mounted_volume_files.h"
#include "platform/linux/native_drives.h"
#include "support/loop_devices.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {
using linuxtest::LoopDevice;
using platform::IRawDevice;
using platform::kErrorSuccess;
using testsupport::Quote;

constexpr std::uint64_t kCardBytes = 64ull << 20;
constexpr std::uint64_t kStart = 63;
constexpr std::uint64_t kVolumeBytes = kCardBytes - kStart * 512;

std::uint32_t Open(const std::string& node, bool forWriting, std::unique_ptr<IRawDevice>* device,
                   bool removable = false) {
  platform::BlockDeviceTraits traits;
  traits.removable = removable;
  return platform::OpenBlockDevice(node, forWriting, traits, device);
}

std::vector<std::uint8_t> ReadAt(IRawDevice& device, std::uint64_t offset, std::uint32_t count,
                                 std::uint32_t* code = nullptr) {
  std::vector<std::uint8_t> bytes(count);
  std::uint64_t position = 0;
  std::uint32_t done = 0;
  std::uint32_t result =
      device.Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::kBegin, &position);
  if (result == kErrorSuccess) result = device.Read(bytes.data(), count, &done);
  bytes.resize(done);
  if (code) *code = result;
  return bytes;
}

class LoopCardTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string reason = linuxtest::LoopDevicesUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    image_ = dir_.File("card.img");
    testsupport::ReferenceCard card;
    card.sizeBytes = kCardBytes;
    card.partitionStart = kStart;
    card.label = "LOOP CARD";
    ASSERT_TRUE(testsupport::MakeReferenceCard(image_, card));
    whole_ = std::make_unique<LoopDevice>(image_);
    part_ = std::make_unique<LoopDevice>(image_, kStart * 512, kVolumeBytes);
    ASSERT_FALSE(whole_->node().empty()) << "losetup failed";
    ASSERT_FALSE(part_->node().empty()) << "losetup at an offset failed";
  }

  testsupport::TempDir dir_;
  std::string image_;
  std::unique_ptr<LoopDevice> whole_;
  std::unique_ptr<LoopDevice> part_;
};

TEST_F(LoopCardTest, GeometryAndSizeOfTheWholeDiskAndThePartition) {
  struct Case {
    const char* what;
    bool partition;
    bool removable;
    platform::MediaType media;
    std::uint64_t length;
    std::uint8_t signatureAt0;  // first byte of sector 0
  };
  const Case cases[] = {
      {"whole disk, fixed", false, false, platform::MediaType::kFixedMedia, kCardBytes, 0},
      {"whole disk, removable", false, true, platform::MediaType::kRemovableMedia, kCardBytes, 0},
      {"partition", true, true, platform::MediaType::kRemovableMedia, kVolumeBytes, 0xEB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<IRawDevice> device;
    ASSERT_EQ(Open(c.partition ? part_->node() : whole_->node(), false, &device, c.removable),
              kErrorSuccess);
    platform::DiskGeometry g;
    // Loop devices have no geometry of their own: 255 heads, 63 sectors.
    ASSERT_EQ(device->GetGeometry(&g), kErrorSuccess);
    EXPECT_EQ(g.mediaType, c.media);
    EXPECT_EQ(g.bytesPerSector, 512u);
    EXPECT_EQ(g.tracksPerCylinder, 255u);
    EXPECT_EQ(g.sectorsPerTrack, 63u);
    EXPECT_EQ(g.cylinders, c.length / (255 * 63 * 512));
    std::uint64_t length = 0;
    ASSERT_EQ(device->GetPartitionLength(&length), kErrorSuccess);
    EXPECT_EQ(length, c.length);

    const std::vector<std::uint8_t> sector = ReadAt(*device, 0, 512);
    ASSERT_EQ(sector.size(), 512u);
    EXPECT_EQ(sector[510], 0x55);
    EXPECT_EQ(sector[511], 0xAA);
    if (c.partition) {
      EXPECT_EQ(sector[0], c.signatureAt0);
    } else {
      // The partition entry of the MBR starts at the partition's sector.
      EXPECT_EQ(sector[446 + 8], kStart);
    }
    // At the end: a partial read gives what there is, a read past it fails.
    std::uint32_t code = 0;
    EXPECT_EQ(ReadAt(*device, c.length - 512, 1024, &code).size(), 512u);
    EXPECT_EQ(code, kErrorSuccess);
    EXPECT_TRUE(ReadAt(*device, c.length, 512, &code).empty());
    EXPECT_EQ(code, platform::kErrorSectorNotFound);
    // Unbuffered: only whole sectors at sector boundaries.
    ReadAt(*device, 0, 100, &code);
    EXPECT_EQ(code, platform::kErrorInvalidParameter);
    ReadAt(*device, 100, 512, &code);
    EXPECT_EQ(code, platform::kErrorInvalidParameter);
  }
}

TEST_F(LoopCardTest, WritesSectorZeroThroughTheWholeDisk) {
  const std::uint8_t record[4] = {0x78, 0x56, 0x34, 0x12};
  {
    std::unique_ptr<IRawDevice> device;
    ASSERT_EQ(Open(whole_->node(), true, &device), kErrorSuccess);
    // A second open of the same device fails while the first is open.
    std::unique_ptr<IRawDevice> second;
    EXPECT_EQ(Open(whole_->node(), false, &second), platform::kErrorSharingViolation);
    // Through a buffer that is not aligned, as callers' buffers are.
    std::vector<std::uint8_t> storage(513 + 1024);
    std::uint8_t* buffer = storage.data() + 1;
    std::uint32_t done = 0;
    ASSERT_EQ(device->Read(buffer, 512, &done), kErrorSuccess);
    ASSERT_EQ(done, 512u);
    std::memcpy(buffer + 432, record, 4);
    std::uint64_t position = 0;
    ASSERT_EQ(device->Seek(0, platform::SeekOrigin::kBegin, &position), kErrorSuccess);
    ASSERT_EQ(device->Write(buffer, 512, &done), kErrorSuccess);
    EXPECT_EQ(done, 512u);
    EXPECT_EQ(device->Seek(0, platform::SeekOrigin::kCurrent, &position), kErrorSuccess);
    EXPECT_EQ(position, 512u);
    EXPECT_EQ(device->Flush(), kErrorSuccess);
    EXPECT_EQ(device->Write(buffer, 100, &done), platform::kErrorInvalidParameter);
    EXPECT_EQ(device->Seek(-1024, platform::SeekOrigin::kCurrent, &position),
              platform::kErrorNegativeSeek);
    EXPECT_EQ(device->Seek(-512, platform::SeekOrigin::kEnd, &position), kErrorSuccess);
    EXPECT_EQ(device->Write(buffer, 1024, &done), platform::kErrorSectorNotFound);
  }
  // Closed: it opens again, and the record is on the disk and in the image.
  std::unique_ptr<IRawDevice> device;
  ASSERT_EQ(Open(whole_->node(), false, &device), kErrorSuccess);
  const std::vector<std::uint8_t> sector = ReadAt(*device, 0, 512);
  ASSERT_EQ(sector.size(), 512u);
  EXPECT_EQ(std::memcmp(sector.data() + 432, record, 4), 0);
  EXPECT_EQ(sector[510], 0x55);
  std::uint32_t done = 0;
  EXPECT_EQ(device->Write(sector.data(), 512, &done), platform::kErrorAccessDenied);
  std::ifstream in(image_, std::ios::binary);
  char fromFile[4] = {};
  in.seekg(432);
  in.read(fromFile, 4);
  EXPECT_EQ(std::memcmp(fromFile, record, 4), 0);
}

TEST_F(LoopCardTest, OpenOutcomesOfDevicesThatCannotBeUsedAsAsked) {
  LoopDevice readOnly(image_, 0, 0, true);
  ASSERT_FALSE(readOnly.node().empty());
  // A loop device without a file behind it is a drive without a medium.
  std::string freeLoop;
  ASSERT_EQ(testsupport::RunCommand("losetup -f", &freeLoop), 0);
  while (!freeLoop.empty() && freeLoop.back() == '\n') freeLoop.pop_back();
  struct Case {
    const char* what;
    std::string node;
    bool forWriting;
    std::uint32_t openCode;
    std::uint32_t writeCode;  // of a sector written after a successful open
  };
  const Case cases[] = {
      {"write-protected medium", readOnly.node(), true, kErrorSuccess,
       platform::kErrorWriteProtect},
      {"write-protected medium, read-only", readOnly.node(), false, kErrorSuccess,
       platform::kErrorAccessDenied},
      {"no medium", freeLoop, false, platform::kErrorNoMediaInDrive, 0},
      {"no such node", "/dev/quillfen-no-such-disk", false, platform::kErrorFileNotFound, 0},
      {"not a block device", image_, false, platform::kErrorInvalidFunction, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<IRawDevice> device;
    ASSERT_EQ(Open(c.node, c.forWriting, &device), c.openCode);
    if (c.openCode != kErrorSuccess) {
      EXPECT_EQ(device, nullptr);
      continue;
    }
    std::vector<std::uint8_t> sector = ReadAt(*device, 0, 512);
    ASSERT_EQ(sector.size(), 512u);
    std::uint32_t done = 0;
    std::uint64_t position = 0;
    ASSERT_EQ(device->Seek(0, platform::SeekOrigin::kBegin, &position), kErrorSuccess);
    EXPECT_EQ(device->Write(sector.data(), 512, &done), c.writeCode);
    EXPECT_EQ(done, 0u);
  }
}

TEST_F(LoopCardTest, NodesAreAccessDeniedToAnUnprivilegedUser) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipeFds[0]);
    std::uint32_t codes[3] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    if (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0) {
      std::unique_ptr<IRawDevice> device;
      codes[0] = Open(whole_->node(), false, &device);
      codes[1] = Open(part_->node(), true, &device);
      std::uint8_t sector[512];
      codes[2] = platform::ReadBootSector(part_->node(), sector);
    }
    const bool written = write(pipeFds[1], codes, sizeof codes) == sizeof codes;
    _exit(written ? 0 : 1);
  }
  close(pipeFds[1]);
  std::uint32_t codes[3] = {};
  const ssize_t got = read(pipeFds[0], codes, sizeof codes);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(got, static_cast<ssize_t>(sizeof codes));
  EXPECT_EQ(codes[0], platform::kErrorAccessDenied) << "whole disk";
  EXPECT_EQ(codes[1], platform::kErrorAccessDenied) << "partition";
  EXPECT_EQ(codes[2], platform::kErrorAccessDenied) << "boot sector of the volume";
}

// "::/BIG.BIN <5-6> <10-16>" -> runs in logical clusters (FAT cluster - 2).
std::vector<platform::IVolumeFiles::ClusterRun> RunsOfMshowfat(const std::string& output) {
  std::vector<platform::IVolumeFiles::ClusterRun> runs;
  std::uint64_t virtualCluster = 0;
  std::size_t open = output.find('<');
  while (open != std::string::npos) {
    const std::size_t close = output.find('>', open);
    if (close == std::string::npos) break;
    const std::string range = output.substr(open + 1, close - open - 1);
    const std::size_t dash = range.find('-');
    const std::uint64_t first = std::stoull(range.substr(0, dash));
    const std::uint64_t last =
        dash == std::string::npos ? first : std::stoull(range.substr(dash + 1));
    runs.push_back({virtualCluster, first - 2, last - first + 1});
    virtualCluster += last - first + 1;
    open = output.find('<', close);
  }
  return runs;
}

// "0:3+2 2:8+7": virtual cluster, logical cluster and length of each run.
std::string Describe(const std::vector<platform::IVolumeFiles::ClusterRun>& runs) {
  std::string text;
  for (const auto& run : runs) {
    text += (text.empty() ? "" : " ") + std::to_string(run.virtualCluster) + ":" +
            std::to_string(run.logicalCluster) + "+" + std::to_string(run.length);
  }
  return text;
}

class FusefatCardTest : public LoopCardTest {
 protected:
  void SetUp() override {
    const std::string reason = linuxtest::FusefatUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    LoopCardTest::SetUp();
    if (HasFatalFailure()) return;
    mtools_ = "-i " + Quote(part_->node());
  }
  void TearDown() override {
    platform::DetachNativeDrives();
    mount_.reset();
  }

  int Mtools(const std::string& tool, const std::string& arguments, std::string* output = nullptr) {
    return testsupport::Mtools(tool, mtools_, arguments, output);
  }
  std::string Data(const std::string& name, std::size_t bytes) {
    const std::string path = dir_.File(name);
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'q');
    return path;
  }

  std::string mtools_;
  std::unique_ptr<linuxtest::FusefatMount> mount_;
};

TEST_F(FusefatCardTest, PlacementOfFilesAgreesWithMshowfat) {
  // A fragmented file, made by mtools before the mount.
  ASSERT_EQ(Mtools("mcopy", Quote(Data("a", 5000)) + " ::/A.BIN"), 0);
  ASSERT_EQ(Mtools("mcopy", Quote(Data("b", 3000)) + " ::/B.BIN"), 0);
  ASSERT_EQ(Mtools("mcopy", Quote(Data("c", 5000)) + " ::/C.BIN"), 0);
  ASSERT_EQ(Mtools("mdel", "::/B.BIN"), 0);
  ASSERT_EQ(Mtools("mcopy", Quote(Data("big", 40000)) + " ::/Big.bin"), 0);

  const std::string folder = dir_.File("mnt");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  mount_ = std::make_unique<linuxtest::FusefatMount>(part_->node(), folder);
  ASSERT_TRUE(mount_->mounted()) << "fusefat did not mount";

  // The scan finds the mount through the fusefat process and ties the
  // partition's loop device to the loop device of the whole image.
  platform::RefreshNativeDrives();
  char letter = 0;
  std::shared_ptr<platform::LinuxDrive> drive;
  for (char l = 'A'; l <= 'Z' && !drive; ++l) {
    auto d = std::dynamic_pointer_cast<platform::LinuxDrive>(platform::FindDrive(l));
    if (d && d->volume().volumeNode == part_->node()) {
      drive = d;
      letter = l;
    }
  }
  ASSERT_TRUE(drive) << "the fusefat mount got no letter";
  EXPECT_EQ(drive->volume().diskNode, whole_->node());
  EXPECT_EQ(drive->volume().volumeOffset, kStart * 512);
  EXPECT_EQ(drive->volume().mountPoint, folder);
  std::string label, fileSystem;
  ASSERT_TRUE(drive->VolumeInformation(&label, &fileSystem));
  EXPECT_EQ(label, "LOOP CARD");
  EXPECT_EQ(fileSystem, "FAT");

  // A file written through the mount.
  const std::string root = std::string(1, letter) + ":\\";
  ASSERT_TRUE(platform::MakeFolder(root + "DornveldFLP"));
  {
    platform::File file =
        platform::OpenFile(root + "DornveldFLP\\Quill.dfp", platform::kGenericWrite,
                           platform::Disposition::kCreateNew);
    ASSERT_TRUE(file.IsOpen());
    const std::string data(30000, 'x');
    ASSERT_TRUE(file.WriteExact(data.data(), static_cast<std::uint32_t>(data.size())));
  }

  platform::IVolumeFiles* files = drive->Files();
  ASSERT_NE(files, nullptr);
  struct Case {
    const char* ours;      // as a caller asks, any case
    const char* onVolume;  // for mshowfat
    bool fragmented;
  };
  const Case cases[] = {
      {"big.BIN", "::/Big.bin", true},
      {"A.BIN", "::/A.BIN", false},
      {"dornveldflp\\QUILL.DFP", "::/DornveldFLP/Quill.dfp", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ours);
    std::vector<platform::IVolumeFiles::ClusterRun> runs;
    ASSERT_EQ(files->ClusterRuns(c.ours, &runs), kErrorSuccess);
    std::string output;
    ASSERT_EQ(Mtools("mshowfat", c.onVolume, &output), 0) << output;
    EXPECT_EQ(Describe(runs), Describe(RunsOfMshowfat(output))) << output;
    EXPECT_EQ(runs.size() > 1, c.fragmented) << output;
  }
  std::vector<platform::IVolumeFiles::ClusterRun> runs;
  EXPECT_EQ(files->ClusterRuns("missing.bin", &runs), platform::kErrorFileNotFound);

  // Cluster size as the boot sector has it.
  std::ifstream in(image_, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(kStart * 512 + 13));
  const int sectorsPerCluster = in.get();
  std::uint32_t spc = 0, bps = 0;
  ASSERT_EQ(files->ClusterSize(&spc, &bps), kErrorSuccess);
  EXPECT_EQ(spc, static_cast<std::uint32_t>(sectorsPerCluster));
  EXPECT_EQ(bps, 512u);

  // The physical disk of the letter is the whole image: its number leads
  // to the MBR, also while the partition is mounted and for writing.
  std::uint32_t number = 0;
  ASSERT_EQ(platform::GetStorageDeviceNumber("\\\\.\\" + std::string(1, letter) + ":", &number),
            kErrorSuccess);
  std::uint32_t error = 0;
  std::unique_ptr<IRawDevice> disk =
      platform::OpenRawDevice("\\\\.\\PhysicalDrive" + std::to_string(number), true, &error);
  ASSERT_TRUE(disk) << error;
  const std::vector<std::uint8_t> mbr = ReadAt(*disk, 0, 512);
  ASSERT_EQ(mbr.size(), 512u);
  EXPECT_EQ(mbr[446 + 8], kStart);
  // The volume device reads the volume's boot sector; it is no NTFS volume.
  std::unique_ptr<platform::IVolumeDevice> volume = platform::OpenVolumeDevice(
      drive->VolumeGuidPath().substr(0, drive->VolumeGuidPath().size() - 1), &error);
  ASSERT_TRUE(volume) << error;
  EXPECT_NE(volume->QueryNtfsVolumeData(), kErrorSuccess);
  std::uint8_t boot[512];
  std::uint32_t done = 0;
  ASSERT_EQ(volume->Read(boot, 512, &done), kErrorSuccess);
  EXPECT_EQ(boot[0], 0xEB);
  EXPECT_EQ(std::memcmp(boot + 43, "LOOP CARD  ", 11), 0);
}

}  // namespace
