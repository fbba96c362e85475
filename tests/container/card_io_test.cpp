// What the card operations cost the card: a command that only reads writes
// nothing and never waits for the medium, a slot write waits once, and the
// start sector record leaves the volume mounted.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/clock.h"
#include "container/card_state.h"
#include "container/container_layout.h"
#include "container/ffa_errors.h"
#include "container/ffa_store.h"
#include "container/floppy_kind.h"
#include "container/fpga_store.h"
#include "container/slot_block.h"
#include "container/write_verify.h"
#include "driveaccess/dda_error_codes.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/image/image_drive.h"
#include "support/power_cut_store.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

constexpr char kLetter = 'O';

// A 16 MiB card with a container of two images, in memory: with a partition
// table at sector 63, or a bare volume whose boot sector is sector 0.
std::shared_ptr<const ByteBuffer> CardWithContainer(std::uint64_t partitionStart) {
  testsupport::TempDir dir;
  testsupport::ReferenceCard reference;
  reference.sizeBytes = 16ull << 20;
  reference.fatBits = 16;
  reference.partitionStart = partitionStart;
  std::string bytes;
  if (!testsupport::MakeReferenceCard(dir.File("card.img"), reference) ||
      !testsupport::ReadHostFile(dir.File("card.img"), &bytes)) {
    return nullptr;
  }
  auto store = std::make_shared<testsupport::PowerCutStore>(
      std::make_shared<const ByteBuffer>(bytes.begin(), bytes.end()));
  std::uint32_t error = 0;
  if (platform::AttachCardStore(store, {}, kLetter, &error) != kLetter) return nullptr;
  const bool made =
      FfaCreate(kLetter, 2, "Card", true, nullptr) == 0 && FfaMakeUsable(kLetter) == 0;
  platform::DriveTable::Instance().Detach(kLetter);
  if (!made) return nullptr;
  auto image = std::make_shared<ByteBuffer>(bytes.begin(), bytes.end());
  for (const auto& [sector, data] : store->current()) {
    std::copy(data.begin(), data.end(), image->begin() + static_cast<std::ptrdiff_t>(sector * 512));
  }
  return image;
}

// The card attached over a recording store for the object's life.
class Attached {
 public:
  Attached(std::shared_ptr<const ByteBuffer> card, bool readOnly)
      : store_(std::make_shared<testsupport::PowerCutStore>(std::move(card))) {
    platform::ImageDriveOptions options;
    options.readOnly = readOnly;
    drive_ = platform::ImageDrive::OpenCardOn(store_, options);
    attached_ = platform::DriveTable::Instance().Attach(kLetter, drive_);
  }
  ~Attached() {
    if (attached_) platform::DriveTable::Instance().Detach(kLetter);
  }
  Attached(const Attached&) = delete;
  Attached& operator=(const Attached&) = delete;
  bool attached() const { return attached_; }
  testsupport::PowerCutStore& store() { return *store_; }
  platform::ImageDrive& drive() { return *drive_; }
  // Detaches: what the volume still holds goes out.
  void Detach() {
    if (attached_) platform::DriveTable::Instance().Detach(kLetter);
    attached_ = false;
    drive_.reset();
  }

 private:
  std::shared_ptr<testsupport::PowerCutStore> store_;
  std::shared_ptr<platform::ImageDrive> drive_;
  bool attached_ = false;
};

TEST(CardIo, ReadingCommandsWriteNothingAndNeverWait) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  const auto card = CardWithContainer(63);
  ASSERT_TRUE(card);
  // The card opened for writing, as the desktop program holds it.
  Attached attached(card, false);
  ASSERT_TRUE(attached.attached());
  std::uint64_t size = 0;
  CardState state;
  EXPECT_EQ(FfaGetCardState(std::string(1, kLetter) + ":", size, state),
            CARD_RAW_ACCESS | CARD_CONTAINER_VALID | CARD_CONTIGUOUS | CARD_START_SECTOR_SET);
  std::uint32_t recorded = 0;
  EXPECT_EQ(FfaReadStartSector(kLetter, recorded), 0);
  EXPECT_EQ(FfaGetMaxImageCount(kLetter, 0), 3u);
  ByteBuffer header;
  EXPECT_TRUE(FfaReadFile(FfaGetContainerPath(kLetter), header, 16u << 20));
  attached.Detach();
  EXPECT_EQ(attached.store().events(), 0u) << "no write, no sync";
}

TEST(CardIo, ASlotWriteWaitsOnceAndAReadNever) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  const auto card = CardWithContainer(63);
  ASSERT_TRUE(card);
  ByteBuffer block;
  ASSERT_EQ(BuildImageSlotBlock(block, ByteBuffer(kHdImageSize, 0x42), "slot", true), 0);
  {
    Attached attached(card, false);
    ASSERT_EQ(FfaWriteSlot(kLetter, 1, block, nullptr), 0);
    EXPECT_EQ(attached.store().syncs(), 1u);
    attached.Detach();
    EXPECT_EQ(attached.store().syncs(), 1u) << "the detach has nothing left to wait for";
  }
  {
    // As the command reads a slot: the card opened for reading.
    Attached attached(card, true);
    ByteBuffer buffer(kHdImageSize);
    ASSERT_EQ(FfaReadSlot(kLetter, 1, buffer, nullptr), 0);
    attached.Detach();
    EXPECT_EQ(attached.store().events(), 0u);
  }
}

// A card whose attributes cannot change (write-protected) is still read, but
// every change of the container stops at the protection it cannot lift, and
// says so, before anything is written.
TEST(CardIo, ChangesStopAtAProtectionThatCannotBeLifted) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  const auto card = CardWithContainer(63);
  ASSERT_TRUE(card);
  ByteBuffer block;
  ASSERT_EQ(BuildImageSlotBlock(block, ByteBuffer(kHdImageSize, 0x42), "slot", true), 0);
  Attached attached(card, true);
  EXPECT_EQ(FfaWriteSlot(kLetter, 1, block, nullptr), FFA_ERR_SET_ATTRIBUTES);
  EXPECT_EQ(FfaRename(kLetter, "other"), FFA_ERR_SET_ATTRIBUTES);
  EXPECT_EQ(FfaWriteFpgaUpdate(kLetter, nullptr, nullptr), FFA_ERR_SET_ATTRIBUTES);
  ByteBuffer buffer(kHdImageSize);
  EXPECT_EQ(FfaReadSlot(kLetter, 1, buffer, nullptr), 0);
  attached.Detach();
  EXPECT_EQ(attached.store().events(), 0u);
}

TEST(CardIo, TheStartSectorRecordKeepsTheVolumeMounted) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  for (std::uint64_t start : {63u, 0u}) {
    SCOPED_TRACE(start == 0 ? "bare volume: the record lies in its boot sector" : "partition");
    const auto card = CardWithContainer(start);
    ASSERT_TRUE(card);
    Attached attached(card, false);
    ASSERT_EQ(FfaContainerExists(kLetter), 0);
    ASSERT_TRUE(attached.drive().mounted());
    ASSERT_EQ(FfaWriteStartSector(kLetter, 0), 0);
    EXPECT_TRUE(attached.drive().mounted());
    ASSERT_EQ(FfaMakeUsable(kLetter), 0);
    EXPECT_TRUE(attached.drive().mounted());
    std::uint64_t size = 0;
    CardState state;
    EXPECT_EQ(FfaGetCardState(std::string(1, kLetter) + ":", size, state) & CARD_START_SECTOR_SET,
              CARD_START_SECTOR_SET);
  }
}

// A card whose cache cannot be flushed once it is told: the start sector
// record may never reach it, and neither command may report success.
TEST(CardIo, AStartSectorRecordThatIsNotFlushedIsAFailure) {
  if (!testsupport::HaveFatTools()) GTEST_SKIP() << "sfdisk or mkfs.fat missing";
  class UnflushedStore : public testsupport::PowerCutStore {
   public:
    using PowerCutStore::PowerCutStore;
    bool failing = false;
    std::uint32_t Sync() override {
      return failing ? platform::kErrorWriteFault : PowerCutStore::Sync();
    }
  };
  const auto card = CardWithContainer(63);
  ASSERT_TRUE(card);
  auto store = std::make_shared<UnflushedStore>(card);
  ASSERT_TRUE(platform::DriveTable::Instance().Attach(
      kLetter, platform::ImageDrive::OpenCardOn(store, platform::ImageDriveOptions{})));
  store->failing = true;
  FfaSetVerifyEnabled(false);
  EXPECT_EQ(FfaWriteStartSector(kLetter, 0), DDA_ERR_FLUSH);
  EXPECT_EQ(FfaMakeUsable(kLetter), DDA_ERR_FLUSH);
  // With the read-back the flush before it fails first.
  FfaSetVerifyEnabled(true);
  EXPECT_NE(FfaWriteStartSector(kLetter, 0), 0);
  platform::DriveTable::Instance().Detach(kLetter);
}

}  // namespace
