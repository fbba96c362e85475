// The container on a real block device: a card image on loop devices (the
// kernel here makes no partition nodes for them, so the partition gets a loop
// device of its own at its offset), mounted with fusefat as a user-space FAT
// mount. Root, /dev/loop-control and fusefat are needed; skipped elsewhere.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/main_header.h"
#include "platform/drive.h"
#include "platform/linux/linux_drive.h"
#include "platform/linux/native_drives.h"
#include "support/loop_devices.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

using linuxtest::FusefatMount;
using linuxtest::LoopDevice;

constexpr char kContainer[] = "/DornveldFLP/DornveldCIF.dfp";

class NativeCardTest : public testing::Test {
 protected:
  // The card made, set up on loop devices and mounted; letter_ is its drive.
  void Start(const testsupport::ReferenceCard& card,
             const std::string& containerBefore = std::string()) {
    const std::string reason = linuxtest::FusefatUnavailable();
    if (!reason.empty()) GTEST_SKIP() << reason;
    if (!testsupport::HaveFatTools()) GTEST_SKIP() << "needs sfdisk, mkfs.fat, fsck.fat, mtools";
    image_ = dir_.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(image_, card));
    volume_ = testsupport::VolumeOf(image_, card);
    if (!containerBefore.empty()) {
      const std::string file = dir_.File("container.bin");
      ASSERT_TRUE(testsupport::WriteHostFile(file, containerBefore));
      ASSERT_TRUE(testsupport::MtoolsMkdir(volume_, "/DornveldFLP"));
      ASSERT_TRUE(testsupport::MtoolsPut(volume_, file, kContainer));
    }
    whole_ = std::make_unique<LoopDevice>(image_);
    part_ = std::make_unique<LoopDevice>(image_, volume_.offset, volume_.sectors * 512);
    ASSERT_FALSE(whole_->node().empty()) << "losetup failed";
    ASSERT_FALSE(part_->node().empty()) << "losetup at an offset failed";
    const std::string folder = dir_.File("mnt");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    mount_ = std::make_unique<FusefatMount>(part_->node(), folder);
    ASSERT_TRUE(mount_->mounted()) << "fusefat did not mount";
    platform::RefreshNativeDrives();
    for (char l = 'A'; l <= 'Z' && letter_ == 0; ++l) {
      auto d = std::dynamic_pointer_cast<platform::LinuxDrive>(platform::FindDrive(l));
      if (d && d->volume().volumeNode == part_->node()) letter_ = l;
    }
    ASSERT_NE(letter_, 0) << "the fusefat mount got no letter";
  }

  // Lets go of the drive and the mount, so that the tools see the image.
  void Stop() {
    platform::DetachNativeDrives();
    mount_.reset();
  }

  void TearDown() override { Stop(); }

  std::uint32_t Flags() {
    std::uint64_t size = 0;
    CardState state;
    return FfaGetCardState(std::string(1, letter_) + ":", size, state);
  }

  // The sector of the card where the container's first cluster lies, as
  // mtools sees the volume.
  std::uint64_t ContainerSector() {
    const auto runs = testsupport::MtoolsRuns(volume_, kContainer);
    return runs.empty() ? 0 : testsupport::ClusterToImageSector(volume_, runs.front().first);
  }

  testsupport::TempDir dir_;
  std::string image_;
  testsupport::ImageVolume volume_;
  std::unique_ptr<LoopDevice> whole_;
  std::unique_ptr<LoopDevice> part_;
  std::unique_ptr<FusefatMount> mount_;
  char letter_ = 0;
};

// fusefat keeps no DOS attributes (chmod answers ENOSYS): the container is
// made and used all the same, without them.
TEST_F(NativeCardTest, ContainerLivesOnAMountThatKeepsNoAttributes) {
  Start(testsupport::ReferenceCard{});
  if (HasFatalFailure() || IsSkipped()) return;
  ASSERT_EQ(FfaCreate(letter_, 2, "Fuse", true, nullptr), FFA_OK);
  ASSERT_EQ(FfaMakeUsable(letter_), 0);
  EXPECT_EQ(Flags(),
            CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS | CARD_START_SECTOR_SET);
  EXPECT_EQ(FfaRename(letter_, "Renamed"), FFA_OK);
  std::uint32_t recorded = 0;
  ASSERT_EQ(FfaReadStartSector(letter_, recorded), 0);
  Stop();
  EXPECT_EQ(recorded, ContainerSector());
  std::string container;
  ASSERT_TRUE(testsupport::MtoolsRead(volume_, kContainer, &container));
  EXPECT_EQ(container.size(), 3u * 2097152);
  EXPECT_EQ(container.substr(18, 8), std::string("Renamed\0", 8));
  std::string report;
  EXPECT_TRUE(testsupport::FsckClean(volume_, &report)) << report;
}

// A volume formatted at sector 63 whose boot sector says 0 hidden sectors:
// the start sector recorded counts from where the volume really begins on the
// disk, as the platform knows it (the partition's start; here the loop
// device's offset).
TEST_F(NativeCardTest, StartSectorCountsFromWhereTheVolumeReallyBegins) {
  testsupport::ReferenceCard card;
  card.hiddenSectors = false;
  ByteBuffer header(kContainerBlockSize);
  ASSERT_EQ(BuildMainHeaderBlock(header, "Offset", true, 1), 0);
  Start(card, std::string(header.begin(), header.end()) + std::string(kContainerBlockSize, 'Z'));
  if (HasFatalFailure() || IsSkipped()) return;
  ASSERT_EQ(FfaMakeUsable(letter_), 0);
  // The card's state agrees: the record points at the container.
  EXPECT_EQ(Flags(),
            CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS | CARD_START_SECTOR_SET);
  std::uint32_t recorded = 0;
  ASSERT_EQ(FfaReadStartSector(letter_, recorded), 0);
  Stop();
  const std::uint64_t expected = ContainerSector();
  ASSERT_GT(expected, 63u);
  EXPECT_EQ(recorded, expected);
}

}  // namespace
