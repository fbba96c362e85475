// Rebuilding a container keeps its images: resized down and up, and
// defragmented, the kept slot blocks read back byte for byte; a rebuild the
// card has no room for changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "container/card_state.h"
#include "container/container_copy.h"
#include "container/container_layout.h"
#include "container/container_rebuild.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/slot_block.h"
#include "platform/drive.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

constexpr char kLetter = 'R';

class Rebuild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
    testsupport::ReferenceCard reference;  // 64 MiB, FAT16
    ASSERT_TRUE(testsupport::MakeReferenceCard(card_, reference));
    std::uint32_t error = 0;
    ASSERT_EQ(platform::AttachCardImage(card_, {}, kLetter, &error), kLetter);
    ASSERT_EQ(FfaCreate(kLetter, 10, "Kept", true, nullptr), 0);
    for (unsigned slot = 0; slot < 10; ++slot) {
      const std::string data = testsupport::TestBytes(1474560, 40 + slot);
      ByteBuffer block;
      ASSERT_EQ(BuildImageSlotBlock(block, ByteBuffer(data.begin(), data.end()),
                                    "image " + std::to_string(slot), true),
                0);
      ASSERT_EQ(FfaWriteSlot(kLetter, slot, block, nullptr), 0);
      blocks_.push_back(block);
    }
  }
  void TearDown() override { platform::DriveTable::Instance().Detach(kLetter); }

  // The container's count and its first `kept` slots as written at the start.
  void ExpectKept(unsigned count, unsigned kept) {
    MainHeader header;
    ASSERT_EQ(FfaCheckMainHeader(FfaGetContainerPath(kLetter), header.Bytes()), 0);
    EXPECT_EQ(header.ImageCount(), count);
    EXPECT_EQ(header.Name(), "Kept");
    for (unsigned slot = 0; slot < kept; ++slot) {
      ByteBuffer block(kContainerBlockSize);
      ASSERT_EQ(FfaReadSlot(kLetter, slot, block, nullptr), 0);
      EXPECT_TRUE(block == blocks_[slot]) << "slot " << slot + 1;
    }
    std::uint32_t start = 0;
    EXPECT_EQ(FfaReadStartSector(kLetter, start), 0);
    EXPECT_NE(start, 0u);
    EXPECT_TRUE(std::filesystem::is_empty(copies_.path())) << "the copy stayed";
  }

  std::string Parent() const { return copies_.path() + "/"; }

  testsupport::TempDir dir_;
  testsupport::TempDir copies_;
  std::string card_ = dir_.File("card.img");
  std::vector<ByteBuffer> blocks_;
};

TEST_F(Rebuild, ResizeDownAndUpThenDefragmentKeepTheSlots) {
  RebuildOutcome outcome = ResizeContainer(kLetter, 5, nullptr, Parent());
  ASSERT_TRUE(outcome.ok()) << RebuildOutcomeText(outcome, std::to_string(outcome.code));
  ExpectKept(5, 5);
  outcome = ResizeContainer(kLetter, 20, nullptr, Parent());
  ASSERT_TRUE(outcome.ok()) << RebuildOutcomeText(outcome, std::to_string(outcome.code));
  ExpectKept(20, 5);
  outcome = DefragmentContainer(kLetter, nullptr, Parent());
  ASSERT_TRUE(outcome.ok()) << RebuildOutcomeText(outcome, std::to_string(outcome.code));
  ExpectKept(20, 5);
}

TEST_F(Rebuild, RefusalsChangeNothing) {
  struct Row {
    unsigned count;
    int code;
  };
  // 40 images do not fit on 64 MiB even once the old container is gone.
  for (const Row& row : {Row{40, FFA_ERR_FREE_SPACE}, Row{0, FFA_ERR_TOO_FEW_IMAGES},
                         Row{100, FFA_ERR_TOO_MANY_IMAGES}}) {
    std::string before;
    ASSERT_TRUE(testsupport::ReadHostFile(card_, &before));
    const RebuildOutcome outcome = ResizeContainer(kLetter, row.count, nullptr, Parent());
    EXPECT_EQ(outcome.failedStep, RebuildStep::kCheck) << row.count;
    EXPECT_EQ(outcome.code, row.code) << row.count;
    EXPECT_TRUE(outcome.keptCopy.empty());
    std::string after;
    ASSERT_TRUE(testsupport::ReadHostFile(card_, &after));
    EXPECT_TRUE(before == after) << row.count << ": the card changed";
    EXPECT_TRUE(std::filesystem::is_empty(copies_.path()));
  }
}

TEST_F(Rebuild, RestoreWritesACopyBack) {
  ContainerCopy copy;
  ASSERT_EQ(CopyContainerToHost(kLetter, Parent(), copy, nullptr), 0);
  ASSERT_EQ(FfaDeleteOnDrive(kLetter), 0);
  const RebuildOutcome outcome = RestoreContainer(kLetter, copy.folder, nullptr);
  ASSERT_TRUE(outcome.ok()) << RebuildOutcomeText(outcome, std::to_string(outcome.code));
  ExpectKept(10, 10);
  // A folder without a whole copy is refused.
  EXPECT_EQ(RestoreContainer(kLetter, Parent(), nullptr).code, FFA_ERR_NOT_FOUND);
}

}  // namespace
