// The card helper's read test and flash format on card images made with
// sfdisk and mkfs.fat.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/current_language.h"
#include "driveaccess/card_helper.h"
#include "driveaccess/dda_errors.h"
#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/image/image_drive.h"
#include "support/reference_images.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace {
using testsupport::ReferenceCard;

constexpr char kCard = 'K';

// Every text the operation shows; asks to cancel once `cancelAfter` texts
// were shown (never when 0).
class RecordingDisplay : public ICardHelperDisplay {
 public:
  void ShowText(const std::string& text) override { texts.push_back(text); }
  bool CancelRequested() override { return cancelAfter != 0 && texts.size() >= cancelAfter; }

  std::vector<std::string> texts;
  std::size_t cancelAfter = 0;
};

class CardHelperTest : public testing::Test {
 protected:
  void Attach(const ReferenceCard& card, platform::ImageDriveOptions options = {}) {
    if (!testsupport::HaveProgram("mkfs.fat") || !testsupport::HaveProgram("sfdisk")) {
      GTEST_SKIP() << "mkfs.fat and sfdisk make the reference cards";
    }
    path_ = dir_.File("card.img");
    std::string error;
    ASSERT_TRUE(testsupport::MakeReferenceCard(path_, card, &error)) << error;
    if (prepare_) prepare_(path_);
    std::uint32_t code = 0;
    auto drive = platform::ImageDrive::OpenCard(path_, options, &code);
    ASSERT_TRUE(drive) << code;
    scoped_ = std::make_unique<platform::ScopedDrive>(kCard, drive);
    ASSERT_TRUE(scoped_->attached());
  }
  static std::string Line(std::uint64_t sector, std::uint64_t total) {
    return "Read Sector " + std::to_string(sector) + " / " + std::to_string(total);
  }

  testsupport::TempDir dir_;
  std::string path_;
  std::function<void(const std::string&)> prepare_;
  std::unique_ptr<platform::ScopedDrive> scoped_;
  int language_ = CurrentLanguageId();
  void TearDown() override { SetCurrentLanguageId(language_); }
};

TEST_F(CardHelperTest, ReadTestShowsWhereItIsEvery200SectorsAndFinishes) {
  SetCurrentLanguageId(kLanguageEnglish);
  ReferenceCard card;
  card.sizeBytes = 16ull << 20;  // 32768 sectors
  Attach(card);
  RecordingDisplay display;
  CardHelperReadTest(kCard, display);
  const std::string header = "Sector Count: 32768\r\n";
  ASSERT_EQ(display.texts.size(), 32768u / 200 + 1);
  for (std::size_t i = 0; i + 1 < display.texts.size(); ++i) {
    ASSERT_EQ(display.texts[i], header + Line(200 * (i + 1), 32768)) << i;
  }
  EXPECT_EQ(display.texts.back(), header + Line(32768, 32768) + "\r\nFinished");
}

TEST_F(CardHelperTest, CancelEndsTheReadTestAtTheNextGroupOfFourSectors) {
  ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  Attach(card);
  SetCurrentLanguageId(kLanguageGerman);
  RecordingDisplay display;
  display.cancelAfter = 3;
  CardHelperReadTest(kCard, display);
  ASSERT_EQ(display.texts.size(), 4u);
  EXPECT_EQ(display.texts[2], "Anzahl der Sektoren: 32768\r\nLese Sektor 600 / 32768");
  EXPECT_EQ(display.texts[3],
            "Anzahl der Sektoren: 32768\r\nLese Sektor 600 / 32768\r\nAbgebrochen");
}

TEST_F(CardHelperTest, TheLastGroupPastTheEndIsLeftToTheDevice) {
  SetCurrentLanguageId(kLanguageEnglish);
  ReferenceCard card;
  card.sizeBytes = (16ull << 20) + 1024;  // 32770 sectors: the last group of four is short
  Attach(card);
  RecordingDisplay display;
  CardHelperReadTest(kCard, display);
  ASSERT_FALSE(display.texts.empty());
  // The image answers a read across its end with what it has: a short read.
  EXPECT_EQ(display.texts.back(), "Sector Count: 32770\r\n" + Line(32772, 32770) +
                                      "\r\nError: " + DdaErrorText(DDA_ERR_READ) +
                                      ", LastError=" + std::to_string(platform::kErrorHandleEof));
}

TEST_F(CardHelperTest, FlashFormatZeroesExactlySectorsZeroToFifteen) {
  SetCurrentLanguageId(kLanguageEnglish);
  ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  card.partitionStart = 2048;
  // The gap before the partition is filled, so that zeroes can be told apart.
  const std::string gap = testsupport::TestBytes(2047 * 512, 9);
  prepare_ = [&](const std::string& path) {
    std::string image;
    ASSERT_TRUE(testsupport::ReadHostFile(path, &image));
    image.replace(512, gap.size(), gap);
    ASSERT_TRUE(testsupport::WriteHostFile(path, image));
  };
  Attach(card);
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(path_, &before));
  RecordingDisplay display;
  CardHelperFormatFlash(kCard, display);
  EXPECT_EQ(display.texts, std::vector<std::string>{"Finished"});
  scoped_.reset();
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(path_, &after));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 8192), std::string(8192, '\0'));
  EXPECT_EQ(after.substr(8192), before.substr(8192));
}

TEST_F(CardHelperTest, AWriteProtectedCardShowsTheFailedWrite) {
  ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  platform::ImageDriveOptions options;
  options.writeProtected = true;
  Attach(card, options);
  SetCurrentLanguageId(kLanguageGerman);
  RecordingDisplay display;
  CardHelperFormatFlash(kCard, display);
  EXPECT_EQ(display.texts,
            std::vector<std::string>{"Formatiere Speicher\r\nFehler: " +
                                     DdaErrorText(DDA_ERR_WRITE) + ", Windows LastError=19"});
}

TEST_F(CardHelperTest, ACardThatCannotBeOpenedShowsNothing) {
  ReferenceCard card;
  card.sizeBytes = 16ull << 20;
  platform::ImageDriveOptions options;
  options.denyRawAccess = true;
  Attach(card, options);
  RecordingDisplay display;
  CardHelperReadTest(kCard, display);
  CardHelperFormatFlash(kCard, display);
  CardHelperReadTest('Q', display);  // no drive at all
  EXPECT_TRUE(display.texts.empty());
}

}  // namespace
