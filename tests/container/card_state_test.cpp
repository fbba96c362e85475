// The card's state, the start sector record, the FPGA store and the whole-card
// copy, on card images made by the independent tools.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "base/bytes.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/fpga_store.h"
#include "container/main_header.h"
#include "driveaccess/dav_errors.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/image/image_drive.h"
#include "support/mtools_views.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"

namespace {
using testsupport::Mtools;
using testsupport::ReferenceCard;

constexpr char kLetter = 'M';
const std::string kEntry = "M:";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class CardStateTest : public testing::Test {
 protected:
  void MakeCard(const ReferenceCard& card) {
    card_ = card;
    path_ = dir_.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(path_, card));
  }
  void Attach(const platform::ImageDriveOptions& options = {}) {
    std::uint32_t error = 0;
    drive_ = platform::ImageDrive::OpenCard(path_, options, &error);
    ASSERT_TRUE(drive_) << error;
    scoped_ = std::make_unique<platform::ScopedDrive>(kLetter, drive_);
  }
  void Detach() {
    scoped_.reset();
    drive_.reset();
  }
  std::string Sector0() { return ReadAll(path_).substr(0, 512); }
  std::uint32_t Flags() {
    std::uint64_t size = 0;
    CardState state;
    return FfaGetCardState(kEntry, size, state);
  }
  // The container's first sector on the disk, from the boot sector and what
  // mshowfat says of its first cluster.
  std::uint64_t ExpectedStartSector() {
    const testsupport::ImageVolume volume = testsupport::VolumeOf(path_, card_);
    const auto runs = testsupport::MtoolsRuns(volume, "/DornveldFLP/DornveldCIF.dfp");
    EXPECT_FALSE(runs.empty());
    return runs.empty() ? 0 : testsupport::ClusterToImageSector(volume, runs.front().first);
  }

  testsupport::TempDir dir_;
  ReferenceCard card_;
  std::string path_;
  std::shared_ptr<platform::ImageDrive> drive_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
};

TEST_F(CardStateTest, ANewContainerBecomesUsableAndOnlyTheRecordChanges) {
  MakeCard(ReferenceCard{});
  const std::string before = Sector0();
  Attach();
  EXPECT_EQ(Flags(), CARD_RAW_ACCESS);
  ASSERT_EQ(FfaCreate(kLetter, 4, "State", true, nullptr), FFA_OK);
  EXPECT_EQ(Flags(), CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS);
  ASSERT_EQ(FfaMakeUsable(kLetter), 0);

  std::uint64_t size = 0;
  CardState state;
  EXPECT_EQ(FfaGetCardState(kEntry, size, state), 0x00Fu);
  EXPECT_EQ(size, card_.sizeBytes);
  EXPECT_EQ(state.ContainerPath, "M:\\DornveldFLP\\DornveldCIF.dfp");
  EXPECT_EQ(state.Header.Name(), "State");
  EXPECT_EQ(state.Header.ImageCount(), 4);
  Detach();

  const std::string after = Sector0();
  EXPECT_EQ(le::Read32(reinterpret_cast<const std::uint8_t*>(after.data()) + 432),
            ExpectedStartSector());
  EXPECT_EQ(after.substr(0, 432), before.substr(0, 432));
  EXPECT_EQ(after.substr(436), before.substr(436));

  // Erasing the record leaves a container whose start sector is not set.
  Attach();
  ASSERT_EQ(FfaWriteStartSector(kLetter, 0), 0);
  EXPECT_EQ(Flags(), CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS);
  std::uint32_t recorded = 1;
  ASSERT_EQ(FfaReadStartSector(kLetter, recorded), 0);
  EXPECT_EQ(recorded, 0u);
}

TEST_F(CardStateTest, TheRecordPointsAtTheContainerEvenWithoutHiddenSectors) {
  ReferenceCard card;
  card.hiddenSectors = false;
  MakeCard(card);
  Attach();
  ASSERT_EQ(FfaCreate(kLetter, 1, "Offset", true, nullptr), FFA_OK);
  ASSERT_EQ(FfaMakeUsable(kLetter), 0);
  std::uint32_t recorded = 0;
  ASSERT_EQ(FfaReadStartSector(kLetter, recorded), 0);
  Detach();
  // What the controller reads at the recorded sector is the container.
  EXPECT_EQ(ReadAll(path_).substr(std::uint64_t{recorded} * 512, 16), "DornveldFLPDrive");
}

TEST_F(CardStateTest, AFragmentedContainerIsNeverRecorded) {
  ReferenceCard card;
  card.sizeBytes = 32ull << 20;
  MakeCard(card);
  // Fill the card with 1 MiB files and delete every other one: the free
  // space becomes holes of 1 MiB.
  const std::string filler = dir_.File("filler.bin");
  std::ofstream(filler, std::ios::binary) << std::string(1 << 20, 'x');
  const std::string image = testsupport::MtoolsImage(testsupport::VolumeOf(path_, card));
  for (int i = 0; Mtools("mcopy", image, filler + " ::/F" + std::to_string(i) + ".BIN") == 0; ++i) {
  }
  for (int i = 0; i < 40; i += 2) Mtools("mdel", image, "::/F" + std::to_string(i) + ".BIN");
  const std::string before = Sector0();
  Attach();
  ASSERT_EQ(FfaCreate(kLetter, 3, "Frag", true, nullptr), FFA_OK);
  const std::uint32_t flags = Flags();
  EXPECT_TRUE(flags & CARD_CONTAINER_VALID);
  EXPECT_FALSE(flags & CARD_CONTIGUOUS);
  EXPECT_EQ(FfaMakeUsable(kLetter), FFA_ERR_FRAGMENTED);
  Detach();
  EXPECT_EQ(Sector0(), before);
}

TEST_F(CardStateTest, WithoutRawRightsTheContainerIsStillReadButNotPlaced) {
  MakeCard(ReferenceCard{});
  Attach();
  ASSERT_EQ(FfaCreate(kLetter, 2, "NoRights", false, nullptr), FFA_OK);
  Detach();
  platform::ImageDriveOptions options;
  options.denyRawAccess = true;
  Attach(options);
  std::uint64_t size = 0;
  CardState state;
  EXPECT_EQ(FfaGetCardState(kEntry, size, state), CARD_NO_RAW_RIGHTS | CARD_CONTAINER_VALID);
  EXPECT_EQ(size, FfaGetDriveTotalBytes(kLetter));
  EXPECT_FALSE(state.Header.IsHighDensity());
  EXPECT_EQ(FfaMakeUsable(kLetter), -808);
  EXPECT_EQ(FfaWriteStartSector(kLetter, 5), DDA_ERR_ACCESS_DENIED);
}

TEST_F(CardStateTest, CardsWithoutAFatVolumeGiveExactlyNoFatVolume) {
  path_ = dir_.File("blank.img");
  std::ofstream(path_, std::ios::binary) << std::string(8 << 20, '\0');
  Attach();
  EXPECT_EQ(Flags(), CARD_NO_FAT_VOLUME);
  Detach();
  if (testsupport::HaveProgram("mkfs.ext2")) {
    ASSERT_EQ(testsupport::RunCommand("mkfs.ext2 -q -F " + path_ + " >/dev/null 2>&1"), 0);
    Attach();
    EXPECT_EQ(Flags(), CARD_NO_FAT_VOLUME);
  }
}

TEST_F(CardStateTest, FpgaUpdateIsStoredRefusedAndCleared) {
  MakeCard(ReferenceCard{});
  Attach();
  const std::string missing = dir_.File("missing.bin");
  // A missing file is reported before the card is looked at.
  EXPECT_EQ(FfaWriteFpgaUpdate(kLetter, &missing, nullptr), DDA_ERR_FILE_NOT_FOUND);
  ASSERT_EQ(FfaCreate(kLetter, 5, "Fpga", true, nullptr), FFA_OK);

  const std::string update = dir_.File("update.bin");
  std::ofstream(update, std::ios::binary) << std::string(kMaxFpgaLength, '\x5A');
  ASSERT_EQ(FfaWriteFpgaUpdate(kLetter, &update, nullptr), 0);
  MainHeader header;
  ASSERT_TRUE(FfaReadMainHeader(FfaGetContainerPath(kLetter), header.Bytes()));
  EXPECT_EQ(header.FpgaPresent(), 1);
  EXPECT_EQ(header.FpgaLength(), kMaxFpgaLength);
  EXPECT_EQ(header.ImageCount(), 0);
  EXPECT_EQ(header.SavedImageCount(), 5);

  const std::string tooLong = dir_.File("long.bin");
  std::ofstream(tooLong, std::ios::binary) << std::string(kMaxFpgaLength + 1, '\x11');
  EXPECT_EQ(FfaWriteFpgaUpdate(kLetter, &tooLong, nullptr), DDA_ERR_WRONG_IMAGE_SIZE);
  MainHeader unchanged;
  ASSERT_TRUE(FfaReadMainHeader(FfaGetContainerPath(kLetter), unchanged.Bytes()));
  EXPECT_EQ(unchanged, header);

  ASSERT_EQ(FfaWriteFpgaUpdate(kLetter, nullptr, nullptr), 0);
  ASSERT_TRUE(FfaReadMainHeader(FfaGetContainerPath(kLetter), header.Bytes()));
  EXPECT_EQ(header.FpgaPresent(), 0);
  EXPECT_EQ(header.ImageCount(), 5);
  EXPECT_EQ(platform::GetAttributes(FfaGetContainerPath(kLetter)),
            platform::kAttributeReadOnly | platform::kAttributeSystem);
}

TEST_F(CardStateTest, DumpCopiesTheWholeCard) {
  ReferenceCard card;
  card.sizeBytes = 8ull << 20;
  card.fatBits = 12;
  MakeCard(card);
  Attach();
  const std::string copy = dir_.File("copy.img");
  ASSERT_EQ(FfaDumpCard(kEntry, copy, nullptr, 512), 0);
  EXPECT_EQ(ReadAll(copy), ReadAll(path_));
  EXPECT_EQ(FfaDumpCard("Z:", copy, nullptr, 512), DDA_ERR_DRIVE_INFO);
}

}  // namespace
