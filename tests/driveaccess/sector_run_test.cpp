// The sector viewer's read of a run of sectors, on a card image made with
// sfdisk and mkfs.fat.
#include "driveaccess/sector_run.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driveaccess/dda_error_codes.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/image/image_drive.h"
#include "recording_callback.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {

constexpr char kLetter = 'N';

class SectorRunTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::HaveProgram("mkfs.fat") || !testsupport::HaveProgram("sfdisk")) {
      GTEST_SKIP() << "mkfs.fat and sfdisk make the reference cards";
    }
    card_.sizeBytes = 16ull << 20;
    path_ = dir_.File("card.img");
    ASSERT_TRUE(testsupport::MakeReferenceCard(path_, card_));
    std::uint32_t error = 0;
    drive_ = platform::ImageDrive::OpenCard(path_, {}, &error);
    ASSERT_TRUE(drive_) << error;
    scoped_ = std::make_unique<platform::ScopedDrive>(kLetter, drive_);
  }
  std::uint32_t Sectors() const { return static_cast<std::uint32_t>(card_.sizeBytes / 512); }
  std::string Expected(std::uint64_t sector, std::size_t count) const {
    return testsupport::ReadHostBytes(path_, sector * 512, count * 512);
  }
  static std::string Text(const ByteBuffer& bytes) {
    return std::string(bytes.begin(), bytes.end());
  }

  testsupport::TempDir dir_;
  testsupport::ReferenceCard card_;
  std::string path_;
  std::shared_ptr<platform::IDrive> drive_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
};

TEST_F(SectorRunTest, ReadsTheMasterBootRecordWithOneStepPerSector) {
  ByteBuffer bytes;
  ddatest::RecordingCallback progress;
  ASSERT_EQ(DdaReadSectorRun(kLetter, 0, 2, bytes, &progress), DDA_NO_ERROR);
  EXPECT_EQ(Text(bytes), Expected(0, 2));
  EXPECT_EQ(bytes[510], 0x55);
  EXPECT_EQ(bytes[511], 0xAA);
  const std::vector<ddatest::Notice> expected = {
      {'R', -1, 2}, {'R', 0, 2}, {'R', 1, 2}, {'P', -2, 2}};
  EXPECT_EQ(progress.notices, expected);
}

TEST_F(SectorRunTest, EdgesOfTheDrive) {
  ByteBuffer bytes(7, 1);
  EXPECT_EQ(DdaReadSectorRun(kLetter, Sectors(), 1, bytes, nullptr), DDA_ERR_SET_POSITION);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(DdaReadSectorRun(kLetter, 5, 0, bytes, nullptr), DDA_NO_ERROR);
  EXPECT_TRUE(bytes.empty());
  ASSERT_EQ(DdaReadSectorRun(kLetter, Sectors() - 1, 1, bytes, nullptr), DDA_NO_ERROR);
  EXPECT_EQ(Text(bytes), Expected(Sectors() - 1, 1));
  // A run that starts inside but reaches past the end fails in the read.
  EXPECT_EQ(DdaReadSectorRun(kLetter, Sectors() - 1, 2, bytes, nullptr), DDA_ERR_READ);
  EXPECT_TRUE(bytes.empty());
  // Even when it asks for far more than any buffer could hold.
  EXPECT_EQ(DdaReadSectorRun(kLetter, Sectors() - 1, 0xFFFFFFFFu, bytes, nullptr), DDA_ERR_READ);
}

TEST_F(SectorRunTest, RefusesARunTooLongToHoldWithoutReading) {
  // The limit is checked before anything is allocated or read, whatever the
  // drive's size.
  ByteBuffer bytes;
  ddatest::RecordingCallback progress;
  EXPECT_EQ(DdaReadSectorRun(kLetter, 0, kSectorRunMaxSectors + 1, bytes, &progress), DDA_ERR_READ);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorNotEnoughMemory);
  EXPECT_TRUE(progress.notices.empty());
}

TEST(SectorRun, NoDriveAtTheLetter) {
  ByteBuffer bytes;
  EXPECT_NE(DdaReadSectorRun('\0', 0, 1, bytes, nullptr), DDA_NO_ERROR);
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
