// The card helper window on card images made with sfdisk and mkfs.fat: its
// buttons while an operation runs on the worker thread, the texts the worker
// posts, Cancel, and the flash format on the image's bytes.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

#include "driveaccess/dialogs/dlg_cf_helper.h"
#include "driveaccess/direct_disk_access.h"
#include "gui/accessible_names.h"
#include "gui/ui_test_support.h"
#include "support/test_data.h"

namespace {
using Dlg = CDlgCFHelper;

constexpr char kLetter = 'L';

class CardHelperDialogTest : public testing::Test {
 protected:
  void Make(std::uint64_t sizeBytes, std::uint64_t partitionStart = 63) {
    card_.sizeBytes = sizeBytes;
    card_.partitionStart = partitionStart;
    std::string reason;
    if (!attached_.Make(kLetter, card_, &reason)) GTEST_SKIP() << reason;
  }
  void Open(const CDriveInfo& drive) {
    dialog_ = std::make_unique<Dlg>(drive, nullptr);
    dialog_->InitDialog();
    dialog_->show();
  }
  QPushButton* Button(int id) const { return qobject_cast<QPushButton*>(dialog_->Control(id)); }
  QString Output() const {
    return qobject_cast<QPlainTextEdit*>(dialog_->Control(Dlg::kIdOutput))->toPlainText();
  }
  bool Idle() const {
    return Button(Dlg::kIdRead)->isEnabled() && Button(Dlg::kIdFormat)->isEnabled() &&
           Button(Dlg::kIdClose)->isEnabled() && !Button(Dlg::kIdCancel)->isVisible();
  }
  bool WaitUntilIdle() const {
    return QTest::qWaitFor([&] { return !dialog_->IsRunning() && Idle(); }, 60000);
  }

  uitest::ScopedLanguage english_{kLanguageEnglish};
  testsupport::ReferenceCard card_;
  uitest::AttachedCard attached_;
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(CardHelperDialogTest, ReadTestShowsItsProgressAndFinishes) {
  Make(16ull << 20);
  Open(attached_.Drive());
  EXPECT_EQ(dialog_->windowTitle(), "CF Helper");
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Button(Dlg::kIdRead)->text(), "Read RAW Sector");
  EXPECT_EQ(gui::AccessibleName(dialog_->Control(Dlg::kIdOutput)), "Card helper output");
  QSignalSpy posted(dialog_.get(), &Dlg::TextPosted);
  Button(Dlg::kIdRead)->click();
  // Running: nothing to start or close, Cancel offered.
  EXPECT_FALSE(Button(Dlg::kIdRead)->isEnabled());
  EXPECT_FALSE(Button(Dlg::kIdFormat)->isEnabled());
  EXPECT_FALSE(Button(Dlg::kIdClose)->isEnabled());
  EXPECT_TRUE(Button(Dlg::kIdCancel)->isVisible());
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "Sector Count: 32768\nRead Sector 32768 / 32768\nFinished");
  // One text every 200 sectors, and the last.
  EXPECT_EQ(posted.count(), 32768 / 200 + 1);
  EXPECT_EQ(posted.at(0).at(0).toString(), "Sector Count: 32768\r\nRead Sector 200 / 32768");
}

TEST_F(CardHelperDialogTest, CancelStopsTheReadTestAndTheWindowStaysOpenMeanwhile) {
  Make(512ull << 20);  // a million sectors: long enough to cancel
  Open(attached_.Drive());
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Output().contains("Read Sector"); }, 20000));
  // Escape and closing are refused while the worker reports to the window.
  QTest::keyClick(dialog_.get(), Qt::Key_Escape);
  dialog_->close();
  EXPECT_TRUE(dialog_->isVisible());
  Button(Dlg::kIdCancel)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_TRUE(Output().startsWith("Sector Count: 1048576\nRead Sector ")) << Output().toStdString();
  EXPECT_TRUE(Output().endsWith(" / 1048576\nCanceled")) << Output().toStdString();
  Button(Dlg::kIdClose)->click();
  EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(CardHelperDialogTest, FlashFormatZeroesTheFirstSixteenSectors) {
  Make(16ull << 20, 2048);
  {
    // The gap before the partition gets bytes that zeroes can be told from.
    std::fstream image(attached_.path(), std::ios::in | std::ios::out | std::ios::binary);
    const std::string gap = testsupport::TestBytes(2047 * 512, 4);
    image.seekp(512);
    image.write(gap.data(), static_cast<std::streamsize>(gap.size()));
    ASSERT_TRUE(image.good());
  }
  std::string before;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &before));
  Open(attached_.Drive());
  GetLanguageTexts().SwitchLanguage(kLanguageGerman);
  EXPECT_EQ(Button(Dlg::kIdFormat)->text(), "Formatiere FLASH");
  Button(Dlg::kIdFormat)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "Fertig");
  std::string after;
  ASSERT_TRUE(testsupport::ReadHostFile(attached_.path(), &after));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, 16 * 512), std::string(16 * 512, '\0'));
  EXPECT_EQ(after.substr(16 * 512), before.substr(16 * 512));
}

TEST_F(CardHelperDialogTest, ADriveThatCannotBeOpenedShowsNothing) {
  Open(uitest::FloppyRecord('Q', ""));  // no drive at that letter
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(WaitUntilIdle());
  Button(Dlg::kIdFormat)->click();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(Output(), "");
}

TEST_F(CardHelperDialogTest, DestroyingTheWindowDuringAReadTestWaitsForTheWorker) {
  Make(512ull << 20);
  Open(attached_.Drive());
  Button(Dlg::kIdRead)->click();
  ASSERT_TRUE(dialog_->IsRunning());
  dialog_.reset();  // asks the worker to stop and waits for it
  // The worker is gone, and with it its hold on the card.
  CDirectDiskAccess disk;
  EXPECT_EQ(disk.Open(kLetter, false), 0);
}

}  // namespace
